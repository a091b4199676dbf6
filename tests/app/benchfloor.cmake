# The floor window of the side-by-side measurement (tools/benchfloor) and the
# watch that drives it and Quillmark from outside (tools/benchwatch).
qm_add_test(NAME test_tools_benchfloor SOURCES BenchFloorTest.cpp LIBS qm_resource_ids TIMEOUT 300)
add_dependencies(test_tools_benchfloor qm_benchfloor qm_benchwatch)
target_compile_definitions(test_tools_benchfloor PRIVATE QM_BENCHFLOOR_EXE="$<TARGET_FILE:qm_benchfloor>"
    QM_BENCHWATCH_EXE="$<TARGET_FILE:qm_benchwatch>")
