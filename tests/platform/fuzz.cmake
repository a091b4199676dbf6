# Dialog templates on mutated input (label fuzz).
qm_add_test(NAME test_platform_fuzz SOURCES FuzzDialogTemplate.cpp LIBS qm_platform LABELS fuzz TIMEOUT 600)
