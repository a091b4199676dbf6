# The message box with its check box, driven under Xvfb.
qm_add_test(NAME test_dialogs_xmessagebox SOURCES XMessageBoxTest.cpp LIBS qm_dialogs TIMEOUT 240)
