// A page of the tab control that is not a list is laid out in a dialog
// template: its controls are re-created as children of the tab control, so
// that showing a tab shows and hides plain child windows.
#pragma once

#include <windows.h>

#include <vector>

// Creates dialog template templateId hidden (owned by owner), re-creates each
// of its child controls in z-order as a child of tabControl (same class,
// text, styles, id and size, moved down by yOffset pixels; combo and list
// boxes get their items copied), gives each font, appends the new handles to
// controls and destroys the temporary dialog. The copies start hidden. False
// when the template cannot be created.
bool BuildPageFromTemplate(HWND owner, UINT templateId, HWND tabControl, int yOffset, HFONT font,
                           std::vector<HWND>& controls);

// Shows or hides every window of a page.
void ShowPageControls(const std::vector<HWND>& controls, bool show);
