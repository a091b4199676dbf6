qm_add_test(NAME test_core SOURCES ActivityLogTest.cpp PathsTest.cpp TextTest.cpp WorkerTest.cpp LIBS qm_core)
