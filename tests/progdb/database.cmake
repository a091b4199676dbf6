# Program database: layouts, lookups, saving, hostile files, background load,
# merged details; the XML reader and writer underneath.
qm_add_test(NAME test_progdb_database
    SOURCES ProgramDatabaseTest.cpp ProgramDetailsTest.cpp XmlTest.cpp
    LIBS qm_progdb ws2_32 TIMEOUT 300)
