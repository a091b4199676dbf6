# Print Details on the PDF printer, read back with pdftotext. The printer's
# folder and tools come from listexport.cmake, which is read before this file.
qm_add_test(NAME test_reports_print_details
    SOURCES DetailPrintTest.cpp PrintedPdf.cpp
    LIBS qm_reports winspool TIMEOUT 300)
add_dependencies(test_reports_print_details qm_testchild)
target_compile_definitions(test_reports_print_details PRIVATE QM_TESTCHILD_EXE="$<TARGET_FILE:qm_testchild>")
set_property(TEST test_reports_print_details APPEND PROPERTY ENVIRONMENT
    "QM_PRINT_PDF_DIR=${qm_pdf_dir}" "QM_PDFTOTEXT=${QM_HOST_PDFTOTEXT}")
set_tests_properties(test_reports_print_details PROPERTIES RESOURCE_LOCK qm_printer)
