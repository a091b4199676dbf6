# The detail pane with its native view, fed by the page builder from a test
# child, a window, the test service and a driver record.
qm_add_test(NAME test_ui_detail_pane SOURCES DetailPaneTest.cpp LIBS qm_ui TIMEOUT 180)
add_dependencies(test_ui_detail_pane qm_testchild qm_testservice)
target_compile_definitions(test_ui_detail_pane PRIVATE
    QM_TESTCHILD_EXE="$<TARGET_FILE:qm_testchild>" QM_TESTSERVICE_EXE="$<TARGET_FILE:qm_testservice>")
