# The protection file's reader and writer on mutated files and random names
# (label fuzz).
qm_add_test(NAME test_actions_fuzz SOURCES FuzzProtectionList.cpp LIBS qm_actions LABELS fuzz TIMEOUT 600)
