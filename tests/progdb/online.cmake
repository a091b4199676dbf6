# HTTP client, Internet fetcher, update check and submission, over loopback.
qm_add_test(NAME test_progdb_http
    SOURCES HttpClientTest.cpp LoopbackServer.cpp
    LIBS qm_progdb ws2_32 TIMEOUT 120)
