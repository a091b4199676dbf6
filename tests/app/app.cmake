qm_add_test(NAME test_app SOURCES SettingsTest.cpp ActivityLogTest.cpp PathsTest.cpp LIBS qm_appcore)
