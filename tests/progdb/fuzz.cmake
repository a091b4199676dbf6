# The XML layer, the databases, the HTTP pieces (the client against the
# loopback server's mutated answers) and the online parsers on mutated input
# (label fuzz).
qm_add_test(NAME test_progdb_fuzz
    SOURCES FuzzXml.cpp FuzzHttp.cpp FuzzOnline.cpp LoopbackServer.cpp
    LIBS qm_progdb ws2_32 LABELS fuzz TIMEOUT 900)
