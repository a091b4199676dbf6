# System-information tests. The live ones start tools/testchild.
set(QM_SYSINFO_TEST_DEFS QM_TESTCHILD_EXE="$<TARGET_FILE:qm_testchild>"
    QM_ACTIONSCHILD_EXE="$<TARGET_FILE:qm_actionschild>")
set(QM_SYSINFO_TEST_DEPS qm_testchild qm_actionschild)
if(TARGET qm_testchild32)
    list(APPEND QM_SYSINFO_TEST_DEFS QM_TESTCHILD32_EXE="$<TARGET_FILE_DIR:qm_testchild>/qm_testchild32.exe")
    list(APPEND QM_SYSINFO_TEST_DEPS qm_testchild32)
endif()
if(TARGET qm_cmdreader32)
    list(APPEND QM_SYSINFO_TEST_DEFS QM_CMDREADER32_EXE="$<TARGET_FILE_DIR:qm_testchild>/qm_cmdreader32.exe")
    list(APPEND QM_SYSINFO_TEST_DEPS qm_cmdreader32)
endif()

qm_add_test(NAME test_sysinfo_processes
    SOURCES SysinfoTestUtil.cpp ProcessSamplerTest.cpp ProcessLiveTest.cpp
            NormaliseImagePathTest.cpp SnapshotTest.cpp OsFamilyTest.cpp
    LIBS qm_sysinfo)
qm_add_test(NAME test_sysinfo_services
    SOURCES SysinfoTestUtil.cpp ServicesTest.cpp
    LIBS qm_sysinfo)
qm_add_test(NAME test_sysinfo_system
    SOURCES SysinfoTestUtil.cpp FileVersionTest.cpp PerformanceTest.cpp
            NetAdaptersTest.cpp AppWindowsTest.cpp
    LIBS qm_sysinfo)
foreach(t test_sysinfo_processes test_sysinfo_services test_sysinfo_system)
    target_compile_definitions(${t} PRIVATE ${QM_SYSINFO_TEST_DEFS})
    add_dependencies(${t} ${QM_SYSINFO_TEST_DEPS})
endforeach()
