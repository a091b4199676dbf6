qm_add_test(NAME test_app SOURCES SettingsTest.cpp LIBS qm_app)

# The program itself, started as a user would and looked at from outside.
qm_add_test(NAME test_app_startup SOURCES StartupTest.cpp LibraryVersionsTest.cpp LIBS qm_app TIMEOUT 300)
add_dependencies(test_app_startup Quillmark)
target_compile_definitions(test_app_startup PRIVATE QM_QUILLMARK_EXE="$<TARGET_FILE:Quillmark>")
