qm_add_test(NAME test_platform_processes SOURCES ProcessesTest.cpp LIBS qm_platform)
qm_add_test(NAME test_platform SOURCES OnDemandTest.cpp DialogTemplateTest.cpp LIBS qm_platform)

# Named after the optional system library "utildll.dll", kept in a folder of
# its own: the test copies it beside itself for as long as it needs it.
add_library(qm_planted_library SHARED PlantedLibrary.cpp)
set_target_properties(qm_planted_library PROPERTIES PREFIX "" OUTPUT_NAME utildll
                      RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/planted)
add_dependencies(test_platform qm_planted_library)
target_compile_definitions(test_platform PRIVATE
    QM_PLANTED_LIBRARY="$<TARGET_FILE:qm_planted_library>")
