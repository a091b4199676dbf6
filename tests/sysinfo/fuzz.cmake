# The process query's parser and the sampler on mutated buffers (label fuzz;
# QM_FUZZ_SEED and QM_FUZZ_ITERATIONS choose the run).
qm_add_test(NAME test_sysinfo_fuzz SOURCES FuzzProcessEntries.cpp LIBS qm_sysinfo LABELS fuzz TIMEOUT 600)
