#include "dialogs/AboutDlg.h"

#include "base/Resources.h"
#include "resource.h"
#include "actions/ShellCommands.h"
#include "sysinfo/FileVersion.h"

namespace {

const char kProductName[] = "Quillmark";
constexpr COLORREF kLinkColour = RGB(0, 0, 0xCC);

}  // namespace

std::string AboutVersionLine(const char* version, const char* buildDate) {
    return FormatString("Version %s / %s", version, buildDate);
}

bool CHyperLink::Attach(HWND label, const std::string& address) {
    address_ = address;
    return label && Subclass(label);
}

LRESULT CHyperLink::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_SETCURSOR) {
        ::SetCursor(::LoadCursor(nullptr, IDC_HAND));
        return TRUE;
    }
    return CWnd::WindowProc(msg, wp, lp);
}

bool CHyperLink::OnReflectedCommand(UINT code) {
    if (code != STN_CLICKED) return false;
    ShellOpen(::GetParent(hwnd_), address_);
    return true;
}

CAboutDlg::CAboutDlg() : CDialog(IDD_ABOUTBOX) {}

BOOL CAboutDlg::OnInitDialog() {
    SetWindowText(FormatString("About %s", kProductName));
    dlg::SetItemText(hwnd_, IDC_ABOUT_PRODUCT, kProductName);
    dlg::SetItemText(hwnd_, IDC_ABOUT_VERSION, AboutVersionLine(QM_VERSION_STRING, __DATE__));
    icon_ = dlg::LoadIconSized(IDR_MAINFRAME, 32);
    if (icon_)
        ::SendDlgItemMessageA(hwnd_, IDC_ABOUT_ICON, STM_SETICON, reinterpret_cast<WPARAM>(icon_.get()), 0);
    boldFont_ = dlg::CreateBoldFont(hwnd_);
    if (boldFont_) dlg::SetItemFont(hwnd_, IDC_ABOUT_PRODUCT, boldFont_.get());

    publisherLink_.Attach(GetDlgItem(IDC_ABOUT_PUBLISHER_LINK), kPublisherAddress);
    developerLink_.Attach(GetDlgItem(IDC_ABOUT_DEVELOPER_LINK), kDeveloperAddress);
    linkFont_ = dlg::CreateUnderlinedFont(hwnd_);
    if (linkFont_) {
        dlg::SetItemFont(hwnd_, IDC_ABOUT_PUBLISHER_LINK, linkFont_.get());
        dlg::SetItemFont(hwnd_, IDC_ABOUT_DEVELOPER_LINK, linkFont_.get());
    }
    if (toolTips_.Create(hwnd_)) {
        toolTips_.Add(IDC_ABOUT_PUBLISHER_LINK, "Visit the Ornava web site");
        toolTips_.Add(IDC_ABOUT_DEVELOPER_LINK, "Visit the Ornava Labs web site, the developer of Quillmark");
    }
    dlg::CentreOnDesktop(hwnd_);
    return TRUE;
}

INT_PTR CAboutDlg::DialogProc(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_CTLCOLORSTATIC) {
        const HWND control = reinterpret_cast<HWND>(lp);
        if (control == publisherLink_.GetHwnd() || control == developerLink_.GetHwnd()) {
            const HDC dc = reinterpret_cast<HDC>(wp);
            ::SetTextColor(dc, kLinkColour);
            ::SetBkMode(dc, TRANSPARENT);
            return reinterpret_cast<INT_PTR>(::GetSysColorBrush(COLOR_BTNFACE));
        }
    }
    return CDialog::DialogProc(msg, wp, lp);
}
