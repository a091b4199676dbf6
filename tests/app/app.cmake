qm_add_test(NAME test_app SOURCES SettingsTest.cpp RowTextTest.cpp CommandTableTest.cpp UpdatePolicyTest.cpp
    RowFilterTest.cpp FilteredListTest.cpp TrustWarningsTest.cpp CommandLineTest.cpp FileFactsTest.cpp StatusBarTest.cpp
    PageTemplateTest.cpp
    LIBS qm_app)

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

# Quillmark.exe with a command line, from outside: the lists it writes, its
# exit codes, a running Quillmark left alone.
qm_add_test(NAME test_app_commandline SOURCES CommandLineRunTest.cpp LIBS qm_core qm_progdb TIMEOUT 300)
add_dependencies(test_app_commandline Quillmark qm_actionschild)
target_compile_definitions(test_app_commandline PRIVATE QM_QUILLMARK_EXE="$<TARGET_FILE:Quillmark>"
    QM_ACTIONSCHILD_EXE="$<TARGET_FILE:qm_actionschild>")
set_tests_properties(test_app_commandline PROPERTIES RESOURCE_LOCK qm_registry)
# The same from a Linux shell: Wine gives the program the shell's own
# standard output and error.
add_test(NAME test_app_commandline_console
         COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/commandline_console.sh $<TARGET_FILE:Quillmark>)
set_tests_properties(test_app_commandline_console PROPERTIES TIMEOUT 120 RESOURCE_LOCK qm_registry
    ENVIRONMENT "WINEPREFIX=${QM_WINEPREFIX};DISPLAY=${QM_DISPLAY};WINEDEBUG=-all;WINEDLLOVERRIDES=mscoree,mshtml=")
