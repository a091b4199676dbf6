# Every background job stopped while busy, as the main window stops them at
# exit.
qm_add_test(NAME test_workers_exit
    SOURCES WorkersExitTest.cpp ${CMAKE_SOURCE_DIR}/tests/progdb/LoopbackServer.cpp
    LIBS qm_actions qm_progdb ws2_32 TIMEOUT 120)
target_include_directories(test_workers_exit PRIVATE ${CMAKE_SOURCE_DIR}/tests/progdb)
