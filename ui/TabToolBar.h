// The flat toolbar above each function list: buttons from a toolbar resource,
// images from a two-row bitmap (normal images on top, disabled below).
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <vector>

#include "base/Handles.h"
#include "framework/Window.h"

// A toolbar resource (type 241): version 1, image width and height, then the
// command id of each button with 0 for a separator; all 16-bit words.
struct ToolbarResource {
    int imageWidth = 0;
    int imageHeight = 0;
    std::vector<UINT> commands;  // 0 = separator
    int ButtonCount() const;     // separators not counted
};

// The buttons of a toolbar resource, in order: a separator for each 0, the
// others enabled with consecutive images; the one with dropDownCommand (when
// not 0) gets a drop-down arrow.
std::vector<TBBUTTON> ToolbarButtons(const ToolbarResource& resource, UINT dropDownCommand = 0);

// Reads the resource bytes; false for anything malformed or truncated.
bool ParseToolbarResource(const void* data, size_t size, ToolbarResource& out);
// Finds and reads the program's toolbar resource `id`.
bool LoadToolbarResource(UINT id, ToolbarResource& out);

// Where each function list's toolbar comes from.
struct TabToolBarLayout {
    UINT controlId;
    UINT toolbarResource;
    UINT bitmapId;  // two rows of 16x16 images
};

extern const TabToolBarLayout kApplicationsToolBarLayout;
extern const TabToolBarLayout kTasksToolBarLayout;
extern const TabToolBarLayout kServicesToolBarLayout;
extern const TabToolBarLayout kDriversToolBarLayout;

class CTabToolBar : public CWnd {
public:
    CTabToolBar() = default;
    ~CTabToolBar() override;

    // Creates the bar (tooltips, flat) with the buttons of the toolbar
    // resource. Non-zero bitmap ids are loaded as the normal and disabled
    // image lists, masked with magenta, one image per button.
    bool Create(HWND parent, UINT id, DWORD style, const RECT& rect, UINT toolbarResource,
                UINT normalBitmap = 0, UINT disabledBitmap = 0);

    // Top half of the bitmap: normal images; bottom half: disabled images.
    // False when the bitmap is missing or its height is odd.
    bool LoadTwoStateBitmap(int cx, int cy, UINT bitmapId, COLORREF maskColour);

    // The button commands in order, 0 for separators.
    const std::vector<UINT>& Commands() const { return commands_; }
    HIMAGELIST NormalImages() const { return normalImages_.get(); }
    HIMAGELIST DisabledImages() const { return disabledImages_.get(); }
    HWND GetToolTips() const;

    // Button state, for the host's enable and check rules.
    bool EnableButton(UINT command, bool enable);
    bool CheckButton(UINT command, bool check);
    bool IsButtonEnabled(UINT command) const;
    bool IsButtonChecked(UINT command) const;
    // The right edge of the last button in the bar's client area (0 without
    // buttons): what lies right of it is free for the bar's other children.
    int ButtonsRight() const;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void SetImageLists(ImageListHandle normal, ImageListHandle disabled);

    std::vector<UINT> commands_;
    ImageListHandle normalImages_;
    ImageListHandle disabledImages_;
};

// Creates a function list's toolbar from its layout with its 16x16 images.
bool CreateTabToolBar(CTabToolBar& bar, const TabToolBarLayout& layout, HWND parent,
                      const RECT& rect, DWORD extraStyle = WS_VISIBLE);

// Splits a bitmap into image lists of cx x cy images: the whole bitmap, or
// (rows = 2) its top and bottom halves. Used for every toolbar image strip.
ImageListHandle ImageListFromBitmap(HBITMAP bitmap, int cx, int cy, int firstRow, int rows,
                                    COLORREF maskColour);
