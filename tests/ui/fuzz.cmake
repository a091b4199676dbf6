# The toolbar resource parser on mutated resources (label fuzz). The source is
# compiled in directly, as for test_ui_lists.
qm_add_test(NAME test_ui_fuzz SOURCES FuzzToolbarResource.cpp ${CMAKE_SOURCE_DIR}/ui/TabToolBar.cpp
    LIBS qm_core LABELS fuzz TIMEOUT 600)
