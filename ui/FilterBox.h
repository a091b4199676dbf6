// The filter box at the right end of a function list's tab toolbar: a
// one-line edit with a cue text. Its text changes come back to it from its
// parent as reflected EN_CHANGE commands and go to onChange; Esc clears it
// and hands the focus back (onEscape); Down keeps it and goes on to the rows
// it shows (onLeave).
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "framework/Window.h"

class CFilterBox : public CWnd {
public:
    // The cue text shown while the box is empty and has no focus.
    static constexpr const char* kCueText = "Filter (Ctrl+F)";
    // How wide the box is when the bar has room for it.
    static constexpr int kWidth = 180;

    // A child of parent (the tab toolbar), hidden until placed.
    bool Create(HWND parent, UINT id, HFONT font);
    // Puts the box at the right end of its bar, right of buttonsRight (the
    // buttons' right edge) and vertically centred; hidden when the bar
    // leaves it no useful room.
    void PlaceInBar(int barWidth, int barHeight, int buttonsRight);
    // Gives the box the focus with its text selected, so typing replaces it.
    void Focus();
    std::string Text() const { return GetWindowText(); }
    void Clear() { SetWindowText(std::string()); }

    // The text changed (typed, pasted or cleared).
    std::function<void(const std::string& text)> onChange;
    // Esc pressed in the box (after the box was cleared).
    std::function<void()> onEscape;
    // Down pressed in the box; its text stays.
    std::function<void()> onLeave;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    bool OnReflectedCommand(UINT code) override;
};

// Where the box goes in a bar of this width: its left edge and width, right
// of the buttons with a gap, at most CFilterBox::kWidth wide. Width 0 when
// the room left is too small to type in.
struct FilterBoxSpan {
    int left = 0;
    int width = 0;
};
FilterBoxSpan FilterBoxPlacement(int barWidth, int buttonsRight);
