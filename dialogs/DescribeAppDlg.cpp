#include "dialogs/DescribeAppDlg.h"

#include "base/Resources.h"
#include "core/Text.h"
#include "progdb/ProgramDatabase.h"
#include "resource.h"
#include "sysinfo/AppWindows.h"
#include "actions/ShellCommands.h"
#include "sysinfo/FileVersion.h"

std::string RatingNameOf(const std::string& ratingText) {
    return Trim(ratingText.substr(0, ratingText.find('.')));
}

std::vector<std::string> RatingNames() {
    std::vector<std::string> names;
    for (int rating = kRatingSystem; rating <= kRatingMalicious; ++rating)
        names.push_back(RatingNameOf(RatingText(rating)));
    return names;
}

CDescribeAppDlg::CDescribeAppDlg(ProgramDetails& details) : CDialog(IDD_DESCRIBE_APP), details_(details) {}

BOOL CDescribeAppDlg::OnInitDialog() {
    HWND list = GetDlgItem(IDC_DESC_RATING);
    for (const std::string& name : RatingNames())
        ::SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));

    icon_.reset(ProgramIcon(details_.path, true));
    if (icon_)
        ::SendDlgItemMessageA(hwnd_, IDC_DESC_ICON, STM_SETICON, reinterpret_cast<WPARAM>(icon_.get()), 0);
    const size_t slash = details_.path.find_last_of('\\');
    dlg::SetItemText(hwnd_, IDC_DESC_FILENAME,
                     slash == std::string::npos ? std::string() : details_.path.substr(slash + 1));
    boldFont_ = dlg::CreateBoldFont(hwnd_);
    if (boldFont_) dlg::SetItemFont(hwnd_, IDC_DESC_FILENAME, boldFont_.get());

    dlg::SetItemText(hwnd_, IDC_DESC_COMPANY, details_.company);
    // A value outside the list (a stored rating above 9) selects nothing.
    ::SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(details_.ratingValue), 0);
    dlg::SetItemText(hwnd_, IDC_DESC_DESCRIPTION, details_.description);
    dlg::SetItemText(hwnd_, IDC_DESC_WEBSITE, details_.webSite);
    UpdateGoButton();

    if (toolTips_.Create(hwnd_)) {
        toolTips_.Add(IDC_DESC_COMPANY, "The company that makes the program");
        toolTips_.Add(IDC_DESC_RATING, "How far the program can be trusted");
        toolTips_.Add(IDC_DESC_DESCRIPTION, "What the program is and what it does");
        toolTips_.Add(IDC_DESC_WEBSITE, "The web site of the company or the program");
        toolTips_.Add(IDC_DESC_GO, "Opens the web site in your browser");
    }
    return TRUE;
}

void CDescribeAppDlg::UpdateGoButton() {
    dlg::EnableItem(hwnd_, IDC_DESC_GO, !dlg::ItemText(hwnd_, IDC_DESC_WEBSITE).empty());
}

bool CDescribeAppDlg::OnCommand(UINT id, UINT code, HWND /*ctl*/) {
    if (id == IDC_DESC_WEBSITE && code == EN_CHANGE) {
        UpdateGoButton();
        return true;
    }
    if (id == IDC_DESC_GO && code == BN_CLICKED) {
        const std::string site = dlg::ItemText(hwnd_, IDC_DESC_WEBSITE);
        // An address typed without a scheme would be taken for a file name
        // (or a program to run): open it as the web address it stands for,
        // as the detail page shows it.
        if (!site.empty()) ShellOpen(hwnd_, WithHttpScheme(site));
        return true;
    }
    return false;
}

void CDescribeAppDlg::OnOK() {
    details_.company = dlg::ItemText(hwnd_, IDC_DESC_COMPANY);
    const LRESULT selection = ::SendDlgItemMessageA(hwnd_, IDC_DESC_RATING, CB_GETCURSEL, 0, 0);
    details_.ratingValue = selection == CB_ERR ? -1 : static_cast<int>(selection);
    details_.description = dlg::ItemText(hwnd_, IDC_DESC_DESCRIPTION);
    details_.webSite = dlg::ItemText(hwnd_, IDC_DESC_WEBSITE);
    EndDialog(IDOK);
}
