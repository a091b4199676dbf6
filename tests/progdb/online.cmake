# HTTP client, Internet fetcher, update check and submission, over loopback.
qm_add_test(NAME test_progdb_http
    SOURCES HttpClientTest.cpp LoopbackServer.cpp
    LIBS qm_progdb ws2_32 TIMEOUT 120)

qm_add_test(NAME test_progdb_fetch
    SOURCES UrlFetcherTest.cpp PublisherProcess.cpp
    LIBS qm_progdb TIMEOUT 180)
target_compile_definitions(test_progdb_fetch PRIVATE QM_PUBLISHER_EXE="$<TARGET_FILE:qm_publisher>")
add_dependencies(test_progdb_fetch qm_publisher)

qm_add_test(NAME test_progdb_update
    SOURCES UpdateTest.cpp OnlineTestUtil.cpp PublisherProcess.cpp LoopbackServer.cpp
    LIBS qm_progdb ws2_32 TIMEOUT 300)
target_compile_definitions(test_progdb_update PRIVATE QM_PUBLISHER_EXE="$<TARGET_FILE:qm_publisher>")
add_dependencies(test_progdb_update qm_publisher)

qm_add_test(NAME test_progdb_submission
    SOURCES SubmissionTest.cpp OnlineTestUtil.cpp PublisherProcess.cpp LoopbackServer.cpp
    LIBS qm_progdb ws2_32 TIMEOUT 300)
target_compile_definitions(test_progdb_submission PRIVATE QM_PUBLISHER_EXE="$<TARGET_FILE:qm_publisher>")
add_dependencies(test_progdb_submission qm_publisher)
