# The detail page's filling and the export writers on random values (label
# fuzz).
qm_add_test(NAME test_reports_fuzz SOURCES FuzzReports.cpp LIBS qm_reports LABELS fuzz TIMEOUT 600)
