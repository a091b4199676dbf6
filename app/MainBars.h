// The main window's bars: the menu bar with its item images, the main toolbar
// (24x24 buttons, normal/hot/disabled images, the Print drop-down) and the
// status bar with its message pane and the four count panes.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include <commctrl.h>

#include "base/Handles.h"

class MainMenuBar {
public:
    // Loads the main menu into window and gives its items the images of the
    // menu-image toolbar resource.
    bool Create(HWND window);
    HMENU Menu() const { return menu_; }
    // Where the system asks the window to draw the item images (see
    // Create): the size of one, and one drawn. False for anything else,
    // which the window handles as before.
    bool MeasureItemImage(MEASUREITEMSTRUCT& item) const;
    bool DrawItemImage(const DRAWITEMSTRUCT& item) const;

private:
    int ImageOf(UINT command) const;  // -1 when the window does not draw it

    HMENU menu_ = nullptr;  // owned by the window once set
    std::vector<BitmapHandle> images_;
    // Kept only while the window draws the images itself.
    ImageListHandle drawn_;
    std::vector<std::pair<UINT, int>> imageOf_;  // command, image
    int imageSize_ = 0;
};

class MainToolbar {
public:
    ~MainToolbar();
    bool Create(HWND parent);
    void Destroy();
    HWND Handle() const { return bar_; }
    int Height() const;
    // Places the bar across the top of the parent's client area.
    void Layout(int width);
    void EnableButton(UINT command, bool enable);
    void CheckButton(UINT command, bool check);
    bool IsButtonEnabled(UINT command) const;
    // The Print drop-down: shows the print menu under the button.
    void ShowPrintMenu(HWND owner) const;
    const std::vector<UINT>& Commands() const { return commands_; }

private:
    HWND bar_ = nullptr;
    std::vector<UINT> commands_;
    ImageListHandle normal_, hot_, disabled_;
};

// What a count pane shows of one list: its rows, or while its filter is
// active "shown of total".
struct ListCount {
    int shown = 0;
    int total = 0;
    bool filtered = false;
};

// The width of a count pane: 80 pixels, or as wide as its text needs (with
// a margin) when that is wider: a filtered count, a count of thousands, a
// large font.
int CountPaneWidth(int textWidth);

class MainStatusBar {
public:
    bool Create(HWND parent);
    HWND Handle() const { return bar_; }
    int Height() const;
    // Sizes the panes: 0 stretches (at least 200 pixels), 1..4 are 80 each
    // (wider for a count whose text needs it).
    void Layout();
    // Pane 0, always preceded by one space, repainted at once.
    void SetMessage(const std::string& text);
    std::string Message() const;
    // Applications, tasks, services, drivers.
    void SetCounts(const ListCount (&counts)[4]);

private:
    HWND bar_ = nullptr;
    int countWidths_[4] = {80, 80, 80, 80};
};
