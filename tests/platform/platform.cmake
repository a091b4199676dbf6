qm_add_test(NAME test_platform SOURCES OnDemandTest.cpp ProcessesTest.cpp LIBS qm_platform)
