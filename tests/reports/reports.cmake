# HTML writer, support files, resource helpers and icon bitmaps.
qm_add_test(NAME test_reports_html SOURCES HtmlWriterTest.cpp HtmlTestResources.rc LIBS qm_reports TIMEOUT 120)
