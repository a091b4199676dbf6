# Meters, history graphs, the load progress dialog and the pane splitter.
qm_add_test(NAME test_ui_graphs
    SOURCES GraphMathTest.cpp GraphWndTest.cpp MeterBarWndTest.cpp LoadProgressDlgTest.cpp
            PaneSplitterTest.cpp
    LIBS qm_ui)
