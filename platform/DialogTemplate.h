// The controls of a dialog template, read from the template's bytes. A page
// laid out in a template can then create its controls where it wants them,
// without the dialog manager first making a dialog of its own (and all its
// controls) only to have it copied and destroyed.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

struct DialogTemplateItem {
    DWORD style = 0;
    DWORD exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;  // dialog units
    DWORD id = 0;
    // The class name; a predefined class given by its atom gets its name
    // ("Button", "Edit", "Static", "ListBox", "ScrollBar", "ComboBox"), any
    // other atom an empty name.
    std::string className;
    // The title in the program's code page; empty when the title is a
    // resource id (an icon's, for instance).
    std::string text;
};

// Reads the items of a dialog template in either layout (DLGTEMPLATE or
// DLGTEMPLATEEX), in template order. False, with no items, when the bytes are
// not a whole template: too short for its header or its item count, or a
// string or an item's creation data running past the end.
bool ParseDialogTemplate(const BYTE* data, size_t size, std::vector<DialogTemplateItem>& items);
