# The sortable list, the four function lists, the tab control and the tab
# toolbars. The sources are compiled in directly so this test does not wait
# on the rest of the ui library.
qm_add_test(NAME test_ui_lists
    SOURCES ListLogicTest.cpp ListCtrlExTest.cpp FunctionTabTest.cpp
            ${CMAKE_SOURCE_DIR}/ui/ListCtrlEx.cpp ${CMAKE_SOURCE_DIR}/ui/FunctionLists.cpp
            ${CMAKE_SOURCE_DIR}/ui/FunctionTabCtrl.cpp ${CMAKE_SOURCE_DIR}/ui/TabToolBar.cpp
    LIBS qm_core)
