# System actions: protection list, close and kill, service control, power and
# start with Windows.
qm_add_test(NAME test_actions_protection SOURCES ProtectionListTest.cpp ProgramRulesTest.cpp LIBS qm_actions)
qm_add_test(NAME test_actions_power SOURCES PowerCommandsTest.cpp LIBS qm_actions)
qm_add_test(NAME test_actions_startup SOURCES StartWithWindowsTest.cpp LIBS qm_actions)

qm_add_test(NAME test_actions_closekill SOURCES CloseKillTest.cpp ShellCommandsTest.cpp LIBS qm_actions TIMEOUT 120)
add_dependencies(test_actions_closekill qm_actionschild)
target_compile_definitions(test_actions_closekill PRIVATE QM_ACTIONSCHILD_EXE="$<TARGET_FILE:qm_actionschild>")

qm_add_test(NAME test_actions_services SOURCES ServiceControlTest.cpp LIBS qm_actions TIMEOUT 240)
add_dependencies(test_actions_services qm_testservice)
target_compile_definitions(test_actions_services PRIVATE QM_TESTSERVICE_EXE="$<TARGET_FILE:qm_testservice>")
