# The detail view: templates and their filling, and the pages built from
# live records (a test child, a window, the test service, a driver).
qm_add_test(NAME test_reports_detail
    SOURCES DetailPageTest.cpp DetailViewTest.cpp
    LIBS qm_reports TIMEOUT 180)
add_dependencies(test_reports_detail qm_testchild qm_testservice)
target_compile_definitions(test_reports_detail PRIVATE
    QM_TESTCHILD_EXE="$<TARGET_FILE:qm_testchild>" QM_TESTSERVICE_EXE="$<TARGET_FILE:qm_testservice>")
