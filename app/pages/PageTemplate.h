// A page of the tab control that is not a list is laid out in a dialog
// template: its controls are created as children of the tab control, so
// that showing a tab shows and hides plain child windows.
#pragma once

#include <windows.h>

#include <vector>

// Creates the controls of dialog template templateId (whose font is owner's,
// a dialog) as children of tabControl, in template order: the class, text,
// styles and id of each item, placed as the dialog manager would place them
// in a dialog of owner's font and moved down by yOffset pixels. Gives each
// font and appends the handles to controls. The controls start hidden. False
// when the template cannot be found or read.
bool BuildPageFromTemplate(HWND owner, UINT templateId, HWND tabControl, int yOffset, HFONT font,
                           std::vector<HWND>& controls);

// Shows or hides every window of a page.
void ShowPageControls(const std::vector<HWND>& controls, bool show);
