# Meters, history graphs, the load progress dialog and the pane splitter.
qm_add_test(NAME test_ui_graphs
    SOURCES GraphMathTest.cpp GraphWndTest.cpp MeterBarWndTest.cpp LoadProgressDlgTest.cpp
            PaneSplitterTest.cpp
    LIBS qm_ui)

# The gallery builds every component with sample data, paints, runs its live
# meters for a moment and closes; a crash or a failed creation fails this.
add_test(NAME test_ui_gallery_runs COMMAND ${QM_WINE_RUN} $<TARGET_FILE:qm_gallery> --exit-after 2500)
set_tests_properties(test_ui_gallery_runs PROPERTIES TIMEOUT 120
    ENVIRONMENT "WINEPREFIX=${QM_WINEPREFIX};DISPLAY=${QM_DISPLAY};WINEDEBUG=-all;WINEDLLOVERRIDES=mscoree,mshtml=")
