#include "dialogs/XMessageBox.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "core/Messages.h"
#include "framework/Dialog.h"
#include "base/Handles.h"
#include "platform/Registry.h"

namespace {

// Indices of the button and check-box texts; string resource
// IDS_XMB_FIRST_BUTTON_TEXT + index overrides the fixed English text.
enum TextIndex {
    kTextOk, kTextCancel, kTextAbort, kTextRetry, kTextIgnore, kTextYes, kTextNo,
    kTextYesToAll, kTextNoToAll, kTextTryAgain, kTextContinue, kTextSkip, kTextSkipAll,
    kTextIgnoreAll, kTextHelp, kTextReport, kTextDoNotAsk, kTextDoNotTell, kTextDoNotShow,
    kTextCount
};

const char* const kFixedTexts[kTextCount] = {
    "OK", "Cancel", "&Abort", "&Retry", "&Ignore", "&Yes", "&No",
    "Y&es to All", "N&o to All", "&Try Again", "&Continue", "&Skip", "S&kip All",
    "I&gnore All", "&Help", "Re&port", "Do not ask me again", "Do not tell me again",
    "Do not show this message again",
};

// The substitution table of remembered-answer value names. Changing it
// orphans every answer already stored.
const char kScrambleTable[] = "Q7mZr2Kx9LbT4vNc_Hs8WdJ0gYe5Pa3Ff6UoXk1Ri-MnAzGq2VtBjCw4EyShDlIu";
static_assert(sizeof kScrambleTable - 1 == 64, "the table has 64 characters");

constexpr UINT_PTR kCountdownTimer = kMessageBoxCountdownTimer;
constexpr UINT_PTR kDisabledTimer = kMessageBoxDisabledTimer;
constexpr int kButtonHeight = 26;
constexpr int kButtonGap = 6;
constexpr int kMargin = 10;

struct Button {
    int id;
    std::string text;
};

std::string TextFor(TextIndex index, UINT style, HINSTANCE instance) {
    if (!(style & XMB_NORESOURCE)) {
        char buffer[256];
        int n = ::LoadStringA(instance, IDS_XMB_FIRST_BUTTON_TEXT + index, buffer, sizeof buffer);
        if (n > 0) return std::string(buffer, static_cast<size_t>(n));
    }
    return kFixedTexts[index];
}

std::string ResourceOrText(const char* text, HINSTANCE instance) {
    if (!text) return std::string();
    if (IS_INTRESOURCE(text)) {
        char buffer[4096];
        int n = ::LoadStringA(instance, static_cast<UINT>(reinterpret_cast<UINT_PTR>(text)), buffer,
                              sizeof buffer);
        return n > 0 ? std::string(buffer, static_cast<size_t>(n)) : std::string();
    }
    return text;
}

std::vector<Button> ButtonsFor(UINT style, const XMessageBoxParams& p, HINSTANCE instance) {
    std::vector<Button> b;
    auto add = [&](int id, TextIndex t) { b.push_back({id, TextFor(t, style, instance)}); };
    if (!p.customButtons.empty()) {
        size_t start = 0;
        for (int id = IDCUSTOM1; id <= IDCUSTOM4 && start <= p.customButtons.size(); ++id) {
            size_t end = p.customButtons.find('\n', start);
            if (end == std::string::npos) end = p.customButtons.size();
            b.push_back({id, p.customButtons.substr(start, end - start)});
            start = end + 1;
        }
    } else {
        switch (style & MB_TYPEMASK) {
            case MB_OKCANCEL: add(IDOK, kTextOk); add(IDCANCEL, kTextCancel); break;
            case MB_ABORTRETRYIGNORE:
                add(IDABORT, kTextAbort); add(IDRETRY, kTextRetry); add(IDIGNORE, kTextIgnore);
                break;
            case MB_YESNOCANCEL:
            case MB_YESNO:
                add(IDYES, kTextYes);
                if (style & XMB_YESTOALL) add(IDYESTOALL, kTextYesToAll);
                add(IDNO, kTextNo);
                if (style & XMB_NOTOALL) add(IDNOTOALL, kTextNoToAll);
                if ((style & MB_TYPEMASK) == MB_YESNOCANCEL) add(IDCANCEL, kTextCancel);
                break;
            case MB_RETRYCANCEL: add(IDRETRY, kTextRetry); add(IDCANCEL, kTextCancel); break;
            case MB_CANCELTRYCONTINUE:
                add(IDCANCEL, kTextCancel); add(IDTRYAGAIN, kTextTryAgain);
                add(IDCONTINUE, kTextContinue);
                break;
            case XMB_CONTINUEABORT: add(IDCONTINUE, kTextContinue); add(IDABORT, kTextAbort); break;
            case XMB_SKIPSKIPALLCANCEL:
                add(IDSKIP, kTextSkip); add(IDSKIPALL, kTextSkipAll); add(IDCANCEL, kTextCancel);
                break;
            case XMB_IGNOREIGNOREALLCANCEL:
                add(IDIGNORE, kTextIgnore); add(IDIGNOREALL, kTextIgnoreAll);
                add(IDCANCEL, kTextCancel);
                break;
            default: add(IDOK, kTextOk); break;
        }
    }
    if (p.report) add(IDXREPORT, kTextReport);
    if (style & MB_HELP) add(IDXHELP, kTextHelp);
    return b;
}

UINT CheckBoxBit(UINT style) {
    if (style & XMB_DONOTASKAGAIN) return XMB_DONOTASKAGAIN;
    if (style & XMB_DONOTTELLAGAIN) return XMB_DONOTTELLAGAIN;
    if (style & XMB_DONOTSHOWAGAIN) return XMB_DONOTSHOWAGAIN;
    return 0;
}

LPCSTR SystemIconFor(UINT style) {
    switch (style & MB_ICONMASK) {
        case MB_ICONHAND: return IDI_HAND;
        case MB_ICONQUESTION: return IDI_QUESTION;
        case MB_ICONEXCLAMATION: return IDI_EXCLAMATION;
        case MB_ICONASTERISK: return IDI_ASTERISK;
        default: return nullptr;
    }
}

// The in-memory template: an empty modal frame; the controls are created at
// initialisation, where their sizes are known in pixels.
std::vector<WORD> BuildTemplate(bool systemModal) {
    std::vector<WORD> t(sizeof(DLGTEMPLATE) / sizeof(WORD) + 3, 0);
    auto* d = reinterpret_cast<DLGTEMPLATE*>(t.data());
    d->style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFOREGROUND |
               (systemModal ? DS_SYSMODAL : 0);
    d->dwExtendedStyle = WS_EX_DLGMODALFRAME | (systemModal ? WS_EX_TOPMOST : 0);
    d->cdit = 0;
    // Menu, class and title follow as empty WORD strings (already zero).
    return t;
}

// The framework's dialog class runs it: one dialog thunk for the program.
class XMessageBoxDialog : public CDialog {
public:
    XMessageBoxDialog(HWND owner, std::string text, std::string caption, UINT style,
                      const XMessageBoxParams& params, HINSTANCE instance)
        : CDialog(0), owner_(owner), text_(std::move(text)), caption_(std::move(caption)), style_(style),
          p_(params), instance_(instance) {
        buttons_ = ButtonsFor(style_, p_, instance_);
        // 0x100 .. 0x500 choose the second to sixth button; anything else,
        // or a button that is not there, the first.
        size_t def = (style_ & MB_DEFMASK) >> 8;
        defaultIndex_ = def <= 5 && def < buttons_.size() ? def : 0;
        checkBit_ = CheckBoxBit(style_);
        for (const Button& b : buttons_) hasCancel_ = hasCancel_ || b.id == IDCANCEL;
        okOnly_ = p_.customButtons.empty() &&
                  ((style_ & MB_TYPEMASK) == MB_OK || (style_ & MB_TYPEMASK) > 9);
    }

    int Run() {
        std::vector<WORD> t = BuildTemplate((style_ & MB_SYSTEMMODAL) != 0);
        INT_PTR r = DoModalIndirect(owner_, reinterpret_cast<DLGTEMPLATE*>(t.data()), instance_);
        return static_cast<int>(r);
    }

private:
    INT_PTR DialogProc(UINT msg, WPARAM wp, LPARAM) override {
        switch (msg) {
            case WM_INITDIALOG: return OnInit();
            case WM_TIMER: Tick(wp); return TRUE;
            case WM_LBUTTONDOWN:
            case WM_NCLBUTTONDOWN:
            case WM_RBUTTONDOWN:
                StopCountdown();
                return FALSE;
            case WM_PARENTNOTIFY:
                if (LOWORD(wp) == WM_LBUTTONDOWN || LOWORD(wp) == WM_RBUTTONDOWN) StopCountdown();
                return FALSE;
            case WM_COMMAND:
                StopCountdown();
                Pressed(LOWORD(wp));
                return TRUE;
            default: return FALSE;
        }
    }

    void Layout() {
        NONCLIENTMETRICSA ncm{};
        ncm.cbSize = sizeof ncm;
        if (::SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0))
            font_.reset(::CreateFontIndirectA(&ncm.lfMessageFont));
        HFONT font = font_ ? font_.get() : static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));

        const int screen = ::GetSystemMetrics(SM_CXSCREEN);
        const int iconSize = ::GetSystemMetrics(SM_CXICON);
        icon_ = p_.icon;
        if (!icon_) {
            if (LPCSTR id = SystemIconFor(style_)) icon_ = ::LoadIconA(nullptr, id);
        }
        const int maxText = icon_ ? screen / 2 - iconSize + 84 : screen / 2 + 100;

        WindowDC screenDc(nullptr);
        MemoryDC dc(::CreateCompatibleDC(screenDc.get()));
        HGDIOBJ old = ::SelectObject(dc.get(), font);
        RECT textRect{0, 0, maxText, 0};
        const std::string shown = text_.empty() ? std::string(" ") : text_;
        ::DrawTextA(dc.get(), shown.c_str(), -1, &textRect,
                    DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
        SIZE checkSize{0, 0};
        if (checkBit_) {
            std::string t = CheckText();
            ::GetTextExtentPoint32A(dc.get(), t.c_str(), static_cast<int>(t.size()), &checkSize);
            checkSize.cx += 24;
            checkSize.cy = std::max<LONG>(checkSize.cy + 4, 18);
        }
        TEXTMETRICA tm{};
        ::GetTextMetricsA(dc.get(), &tm);
        ::SelectObject(dc.get(), old);

        const int iconRight = icon_ ? 8 + iconSize : 0;
        textPos_ = {icon_ ? iconRight + 12 : kMargin + 2, kMargin + 2};
        textSize_ = {textRect.right - textRect.left, textRect.bottom - textRect.top};
        const int contentBottom =
            std::max<int>(textPos_.y + textSize_.cy, icon_ ? 8 + iconSize : 0);

        buttonWidth_ = p_.timeoutSeconds ? 100 : 90;
        const int n = static_cast<int>(buttons_.size());
        const int buttonsWidth = n * buttonWidth_ + (n - 1) * kButtonGap;
        int clientWidth = std::max<int>(textPos_.x + textSize_.cx + kMargin, buttonsWidth + 2 * kMargin);
        clientWidth = std::max<int>(clientWidth, checkSize.cx + 2 * kMargin);
        buttonsTop_ = contentBottom + 16;
        buttonsLeft_ = p_.rightJustifyButtons ? clientWidth - kMargin - buttonsWidth
                                              : (clientWidth - buttonsWidth) / 2;
        int bottom = buttonsTop_ + kButtonHeight;
        if (checkBit_) {
            checkRect_ = {kMargin, bottom + 10, kMargin + checkSize.cx, bottom + 10 + checkSize.cy};
            bottom = checkRect_.bottom;
        }
        client_ = {clientWidth, bottom + kMargin};
        (void)tm;
    }

    std::string CheckText() const {
        TextIndex t = checkBit_ == XMB_DONOTASKAGAIN    ? kTextDoNotAsk
                      : checkBit_ == XMB_DONOTTELLAGAIN ? kTextDoNotTell
                                                        : kTextDoNotShow;
        return TextFor(t, style_, instance_);
    }

    HWND Create(const char* cls, const std::string& text, DWORD style, int x, int y, int w, int h,
                int id) {
        HWND c = ::CreateWindowExA(0, cls, text.c_str(), WS_CHILD | WS_VISIBLE | style, x, y, w, h,
                                   hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                   instance_, nullptr);
        HFONT font = font_ ? font_.get() : static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
        ::SendMessageA(c, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        return c;
    }

    BOOL OnInit() {
        ::SetWindowTextA(hwnd_, caption_.c_str());
        Layout();
        if (icon_) {
            HWND ic = Create("STATIC", "", SS_ICON, 8, 8, 0, 0, IDC_XMB_ICON);
            ::SendMessageA(ic, STM_SETICON, reinterpret_cast<WPARAM>(icon_), 0);
        }
        Create("STATIC", text_, SS_LEFT | SS_NOPREFIX, textPos_.x, textPos_.y, textSize_.cx,
               textSize_.cy, IDC_XMB_MESSAGE);
        for (size_t i = 0; i < buttons_.size(); ++i) {
            DWORD bs = WS_TABSTOP | (i == defaultIndex_ ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) |
                       (i == 0 ? WS_GROUP : 0);
            Create("BUTTON", buttons_[i].text, bs,
                   buttonsLeft_ + static_cast<int>(i) * (buttonWidth_ + kButtonGap), buttonsTop_,
                   buttonWidth_, kButtonHeight, buttons_[i].id);
        }
        if (checkBit_) {
            HWND cb = Create("BUTTON", CheckText(), BS_AUTOCHECKBOX | WS_TABSTOP | WS_GROUP,
                             checkRect_.left, checkRect_.top, checkRect_.right - checkRect_.left,
                             checkRect_.bottom - checkRect_.top, IDC_XMB_CHECKBOX);
            ::SendMessageA(cb, BM_SETCHECK, BST_UNCHECKED, 0);
        }
        Place();

        const int defId = buttons_[defaultIndex_].id;
        ::SendMessageA(hwnd_, DM_SETDEFID, static_cast<WPARAM>(defId), 0);
        defaultCaption_ = buttons_[defaultIndex_].text;
        EnableClose(CloseAllowed());
        if (p_.disabledSeconds) {
            disabled_ = true;
            for (const Button& b : buttons_) ::EnableWindow(::GetDlgItem(hwnd_, b.id), FALSE);
            EnableClose(false);
            ::SetTimer(hwnd_, kDisabledTimer, p_.disabledSeconds * 1000, nullptr);
        }
        if (p_.timeoutSeconds) {
            countdown_ = static_cast<int>(p_.timeoutSeconds);
            counting_ = true;
            ::SetTimer(hwnd_, kCountdownTimer, 1000, nullptr);
        }
        ::SetFocus(::GetDlgItem(hwnd_, defId));
        return FALSE;  // focus set here
    }

    void Place() {
        RECT r{0, 0, client_.cx, client_.cy};
        ::AdjustWindowRectEx(&r, static_cast<DWORD>(::GetWindowLongPtrA(hwnd_, GWL_STYLE)), FALSE,
                             static_cast<DWORD>(::GetWindowLongPtrA(hwnd_, GWL_EXSTYLE)));
        const int w = r.right - r.left, h = r.bottom - r.top;
        int x = p_.x, y = p_.y;
        if (x == 0 && y == 0) {
            RECT area;
            if (owner_ && ::IsWindowVisible(owner_) && !::IsIconic(owner_))
                ::GetWindowRect(owner_, &area);
            else
                ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
            x = area.left + ((area.right - area.left) - w) / 2;
            y = area.top + ((area.bottom - area.top) - h) / 2;
        }
        ::SetWindowPos(hwnd_, nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
    }

    bool CloseAllowed() const { return hasCancel_ || okOnly_; }

    void EnableClose(bool enable) {
        if (HMENU menu = ::GetSystemMenu(hwnd_, FALSE))
            ::EnableMenuItem(menu, SC_CLOSE, MF_BYCOMMAND | (enable ? MF_ENABLED : MF_GRAYED));
    }

    void StopCountdown() {
        if (!counting_) return;
        counting_ = false;
        ::KillTimer(hwnd_, kCountdownTimer);
        ::SetWindowTextA(::GetDlgItem(hwnd_, buttons_[defaultIndex_].id), defaultCaption_.c_str());
    }

    void Tick(WPARAM id) {
        if (id == kDisabledTimer) {
            ::KillTimer(hwnd_, kDisabledTimer);
            disabled_ = false;
            for (const Button& b : buttons_) ::EnableWindow(::GetDlgItem(hwnd_, b.id), TRUE);
            if (CloseAllowed()) EnableClose(true);
            ::SetFocus(::GetDlgItem(hwnd_, buttons_[defaultIndex_].id));
        } else if (id == kCountdownTimer && counting_) {
            HWND def = ::GetDlgItem(hwnd_, buttons_[defaultIndex_].id);
            if (countdown_ > 0) {
                char text[300];
                std::snprintf(text, sizeof text, "%s = %d", defaultCaption_.c_str(), countdown_);
                ::SetWindowTextA(def, text);
                --countdown_;
            } else {
                counting_ = false;
                ::KillTimer(hwnd_, kCountdownTimer);
                ::SetWindowTextA(def, defaultCaption_.c_str());
                ::EndDialog(hwnd_, static_cast<INT_PTR>(static_cast<int>(
                                       static_cast<UINT>(buttons_[defaultIndex_].id) | XMB_TIMEOUT_BIT)));
            }
        }
    }

    bool Checked() const {
        return checkBit_ && ::IsDlgButtonChecked(hwnd_, IDC_XMB_CHECKBOX) == BST_CHECKED;
    }

    void Pressed(int id) {
        if (id == IDC_XMB_CHECKBOX || id == IDC_XMB_MESSAGE || id == IDC_XMB_ICON) return;
        if (disabled_) return;  // also Escape and Close while the buttons are disabled
        if (id == IDCANCEL) {
            // The check box is not looked at and nothing is remembered.
            if (hasCancel_) ::EndDialog(hwnd_, IDCANCEL);
            else if (okOnly_) ::EndDialog(hwnd_, IDOK);
            return;
        }
        if (id == IDXHELP) {
            ShowHelp();
            return;
        }
        if (id == IDXREPORT) {
            if (p_.report) p_.report(hwnd_, p_.reportData);
            return;
        }
        bool known = false;
        for (const Button& b : buttons_) known = known || b.id == id;
        if (!known) return;
        UINT result = static_cast<UINT>(id);
        if (Checked()) {
            result |= checkBit_;
            if (!p_.moduleName.empty())
                reg::WriteDword(HKEY_CURRENT_USER, XMessageBoxRegistryKey(p_.companyName),
                                XMessageBoxValueName(p_.moduleName, p_.lineNumber).c_str(), result);
        }
        ::EndDialog(hwnd_, static_cast<INT_PTR>(static_cast<int>(result)));
    }

    void ShowHelp() {
        char path[MAX_PATH] = {};
        if (!::GetModuleFileNameA(nullptr, path, MAX_PATH)) return;
        std::string help = path;
        size_t dot = help.find_last_of(".\\");
        if (dot != std::string::npos && help[dot] == '.') help.erase(dot);
        help += ".hlp";
        static char empty[] = "";
        if (p_.helpContext)
            ::WinHelpA(hwnd_, help.c_str(), HELP_CONTEXT, p_.helpContext);
        else
            ::WinHelpA(hwnd_, help.c_str(), HELP_PARTIALKEY, reinterpret_cast<ULONG_PTR>(empty));
    }

    HWND owner_;
    std::string text_, caption_;
    UINT style_;
    const XMessageBoxParams& p_;
    HINSTANCE instance_;
    std::vector<Button> buttons_;
    size_t defaultIndex_ = 0;
    UINT checkBit_ = 0;
    bool hasCancel_ = false;
    bool okOnly_ = false;
    FontHandle font_;
    HICON icon_ = nullptr;
    POINT textPos_{};
    SIZE textSize_{};
    SIZE client_{};
    RECT checkRect_{};
    int buttonWidth_ = 90;
    int buttonsTop_ = 0;
    int buttonsLeft_ = 0;
    std::string defaultCaption_;
    int countdown_ = 0;
    bool counting_ = false;
    bool disabled_ = false;
};

}  // namespace

std::string XMessageBoxRegistryKey(const std::string& companyName) {
    std::string key = "Software\\";
    if (!companyName.empty()) key += companyName + "\\";
    return key + "Quillmark\\XMessageBox";
}

std::string XMessageBoxValueName(const std::string& moduleName, int lineNumber) {
    std::string name;
    for (size_t i = 0; i < moduleName.size(); ++i) {
        unsigned code = static_cast<unsigned char>(moduleName[i]);
        name += kScrambleTable[(5 * i + code) % 64];
    }
    return name + std::to_string(lineNumber);
}

int XMessageBox(HWND owner, const char* text, const char* caption, UINT style,
                const XMessageBoxParams* params) {
    const XMessageBoxParams defaults;
    XMessageBoxParams p = params ? *params : defaults;
    HINSTANCE instance = p.instance ? p.instance : ::GetModuleHandleA(nullptr);
    std::string textStr = ResourceOrText(text, instance);
    std::string captionStr = ResourceOrText(caption, instance);

    if ((style & MB_ICONMASK) == MB_ICONSTOP && (style & MB_SYSTEMMODAL))
        return ::MessageBoxA(owner, textStr.c_str(), caption ? captionStr.c_str() : nullptr,
                             style & 0x00FFFFFF);

    if (captionStr.empty()) captionStr = "Error";

    if ((style & XMB_CHECKBOX_BITS) && !p.moduleName.empty()) {
        DWORD stored = 0;
        if (reg::ReadDword(HKEY_CURRENT_USER, XMessageBoxRegistryKey(p.companyName),
                           XMessageBoxValueName(p.moduleName, p.lineNumber).c_str(), stored) &&
            (stored & XMB_CHECKBOX_BITS))
            return static_cast<int>(stored);
    }

    if (p.timeoutSeconds > 999) p.timeoutSeconds = 10;
    if (p.disabledSeconds > 999) p.disabledSeconds = 10;

    if (!(style & XMB_NOSOUND)) ::MessageBeep(style & MB_ICONMASK);

    if (!owner) {
        HWND active = ::GetActiveWindow();
        owner = active ? ::GetLastActivePopup(active) : nullptr;
    }
    XMessageBoxDialog dialog(owner, textStr, captionStr, style, p, instance);
    return dialog.Run();
}

int AskUpdateConnection(HWND owner) {
    XMessageBoxParams p;
    p.companyName = "Ornava Utilities";
    p.moduleName = ".\\QuillmarkDlg.cpp";
    p.lineNumber = kUpdateConnectionQuestionLine;
    return XMessageBox(owner, kUpdateConnectionQuestion, "Quillmark",
                       MB_YESNO | MB_ICONQUESTION | XMB_DONOTSHOWAGAIN, &p);
}
