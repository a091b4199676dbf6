qm_add_test(NAME test_platform_processes SOURCES ProcessesTest.cpp LIBS qm_platform)
qm_add_test(NAME test_platform SOURCES OnDemandTest.cpp LIBS qm_platform)
