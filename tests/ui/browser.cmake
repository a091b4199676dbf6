# The detail pane's browser host, with the HTML engine off as everywhere in
# the suite.
qm_add_test(NAME test_ui_browser SOURCES InfoWebBrowserTest.cpp LIBS qm_ui TIMEOUT 120)
