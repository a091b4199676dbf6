// "Describe Application": the user states the company, rating, description
// and web site of one program file. The dialog edits a ProgramDetails record
// that its caller owns; AddDescribedProgram (DescribedProgram.h) then turns
// the record into the user's own database entry.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "dialogs/DialogSupport.h"
#include "framework/Dialog.h"
#include "base/Handles.h"
#include "progdb/ProgramDatabaseDetails.h"

// The short name of a rating from its string-table text: the text before the
// first "." with white space trimmed at both ends. A text without "." gives
// all of its trimmed text, so that the list keeps one entry per rating and
// the selection index stays the rating value.
std::string RatingNameOf(const std::string& ratingText);
// The ten short names of ratings 0..9, in order.
std::vector<std::string> RatingNames();

class CDescribeAppDlg : public CDialog {
public:
    // details: shown when the dialog opens and written back on OK (kept by
    // reference; it must outlive the dialog).
    explicit CDescribeAppDlg(ProgramDetails& details);

    // For tests: the tooltip control's texts.
    const CToolTips& ToolTips() const { return toolTips_; }

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(UINT id, UINT code, HWND ctl) override;
    void OnOK() override;

private:
    void UpdateGoButton();

    ProgramDetails& details_;
    IconHandle icon_;
    FontHandle boldFont_;
    CToolTips toolTips_;
};
