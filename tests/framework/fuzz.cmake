# Dialog templates on mutated input (label fuzz).
qm_add_test(NAME test_framework_fuzz SOURCES FuzzDialogTemplate.cpp LIBS qm_framework LABELS fuzz TIMEOUT 600)
