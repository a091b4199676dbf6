# The message box with its check box, driven under Xvfb.
qm_add_test(NAME test_dialogs_xmessagebox SOURCES XMessageBoxTest.cpp LIBS qm_dialogs TIMEOUT 240)

# The settings dialog against the real registry (the program's key and the
# Run value), and the describe dialog with the local database and the
# publisher service on loopback, with the about box.
qm_add_test(NAME test_dialogs_settings SOURCES SettingsDlgTest.cpp DialogDriver.cpp
    LIBS qm_dialogs TIMEOUT 240)
qm_add_test(NAME test_dialogs_describe
    SOURCES DescribeAboutTest.cpp DialogDriver.cpp ../progdb/OnlineTestUtil.cpp ../progdb/PublisherProcess.cpp
    LIBS qm_dialogs TIMEOUT 300)
target_include_directories(test_dialogs_describe PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/../progdb)
target_compile_definitions(test_dialogs_describe PRIVATE QM_PUBLISHER_EXE="$<TARGET_FILE:qm_publisher>")
add_dependencies(test_dialogs_describe qm_publisher)
set_tests_properties(test_dialogs_settings test_dialogs_describe PROPERTIES RESOURCE_LOCK qm_registry)
