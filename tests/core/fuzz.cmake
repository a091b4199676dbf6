# The shared text helpers on mutated input (label fuzz).
qm_add_test(NAME test_core_fuzz SOURCES FuzzText.cpp LIBS qm_core LABELS fuzz TIMEOUT 600)
