# Export and printing of list contents.
#
# The printing tests print for real on the PDF printer CUPS provides
# (scripts/test.sh starts the daemon and adds the printer) and read the PDF
# back with pdftotext; they are skipped where no printer is visible, unless
# QM_REQUIRE_PRINTER=1 (the test script) makes that a failure. The folder
# the PDFs land in comes from cups-pdf's configuration: its "Out" setting,
# with ${HOME} and ${USER} of the user who runs the tests.
find_program(QM_HOST_PDFTOTEXT pdftotext PATHS /usr/bin /usr/local/bin NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
find_program(QM_HOST_PYTHON python3 PATHS /usr/bin /usr/local/bin NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
set(QM_PRINT_PDF_DIR "" CACHE PATH "Folder the PDF printer writes to (empty: read from cups-pdf.conf)")
set(qm_pdf_dir "${QM_PRINT_PDF_DIR}")
set(qm_cups_pdf_conf /etc/cups/cups-pdf.conf)
if(NOT qm_pdf_dir AND EXISTS ${qm_cups_pdf_conf})
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${qm_cups_pdf_conf})
    file(STRINGS ${qm_cups_pdf_conf} qm_out_lines REGEX "^Out[ \t]+")
    set(qm_user "$ENV{USER}")
    if(NOT qm_user)
        set(qm_user root)
    endif()
    if(qm_out_lines)
        list(GET qm_out_lines -1 qm_out)
        string(REGEX REPLACE "^Out[ \t]+" "" qm_out "${qm_out}")
        string(STRIP "${qm_out}" qm_out)
    else()
        # cups-pdf's own default.
        set(qm_out "/var/spool/cups-pdf/\${USER}")
    endif()
    string(REPLACE "\${HOME}" "$ENV{HOME}" qm_out "${qm_out}")
    string(REPLACE "\${USER}" "${qm_user}" qm_out "${qm_out}")
    set(qm_pdf_dir "${qm_out}")
endif()

qm_add_test(NAME test_reports_export
    SOURCES ListExportTest.cpp PrintLayoutTest.cpp PrintedPdf.cpp
    LIBS qm_reports winspool TIMEOUT 120)
qm_add_test(NAME test_reports_print
    SOURCES ListPrintTest.cpp PrintedPdf.cpp
    LIBS qm_reports winspool TIMEOUT 300)
foreach(t test_reports_export test_reports_print)
    set_property(TEST ${t} APPEND PROPERTY ENVIRONMENT
        "QM_PRINT_PDF_DIR=${qm_pdf_dir}" "QM_PDFTOTEXT=${QM_HOST_PDFTOTEXT}" "QM_PYTHON=${QM_HOST_PYTHON}")
endforeach()
set_tests_properties(test_reports_print PROPERTIES RESOURCE_LOCK qm_printer)
