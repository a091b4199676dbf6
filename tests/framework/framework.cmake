qm_add_test(NAME test_framework SOURCES WindowTest.cpp DialogTest.cpp ResourcesTest.cpp LIBS qm_framework)
