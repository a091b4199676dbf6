qm_add_test(NAME test_app SOURCES SettingsTest.cpp RowTextTest.cpp CommandTableTest.cpp UpdatePolicyTest.cpp LIBS qm_app)

# The program itself, started as a user would and looked at from outside.
qm_add_test(NAME test_app_startup SOURCES StartupTest.cpp LibraryVersionsTest.cpp LIBS qm_app TIMEOUT 300)
add_dependencies(test_app_startup Quillmark)
target_compile_definitions(test_app_startup PRIVATE QM_QUILLMARK_EXE="$<TARGET_FILE:Quillmark>")
# It starts Quillmark, which finds any other running Quillmark through the
# settings and hands over to it: never beside the other tests that start one.
set_tests_properties(test_app_startup PROPERTIES RESOURCE_LOCK qm_registry)

# The main window, read from outside while it runs.
qm_add_test(NAME test_app_mainwindow SOURCES MainWindowTest.cpp LIBS qm_core iphlpapi ws2_32 TIMEOUT 600)
add_dependencies(test_app_mainwindow Quillmark qm_actionschild qm_testservice)
target_compile_definitions(test_app_mainwindow PRIVATE QM_QUILLMARK_EXE="$<TARGET_FILE:Quillmark>"
    QM_ACTIONSCHILD_EXE="$<TARGET_FILE:qm_actionschild>" QM_TESTSERVICE_EXE="$<TARGET_FILE:qm_testservice>")
set_tests_properties(test_app_mainwindow PROPERTIES RESOURCE_LOCK "qm_registry;qm_service")

# The main window hosted in the test process, with its seams.
qm_add_test(NAME test_app_commands SOURCES MainWindowCommandsTest.cpp LIBS qm_app TIMEOUT 600)
add_dependencies(test_app_commands qm_actionschild qm_testservice)
target_compile_definitions(test_app_commands PRIVATE QM_ACTIONSCHILD_EXE="$<TARGET_FILE:qm_actionschild>"
    QM_TESTSERVICE_EXE="$<TARGET_FILE:qm_testservice>")
set_tests_properties(test_app_commands PROPERTIES RESOURCE_LOCK "qm_registry;qm_service")
