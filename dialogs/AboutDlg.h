// The about box: product name, version and build date, the rights and
// credit lines, and links to the publisher's and the developer's web sites.
#pragma once

#include <windows.h>

#include <string>

#include "dialogs/DialogSupport.h"
#include "framework/Dialog.h"
#include "base/Handles.h"
#include "framework/Window.h"

// "Version <version> / <date>", the date as the compiler writes it
// ("Feb  6 2006").
std::string AboutVersionLine(const char* version, const char* buildDate);

// A label that opens its address in the default browser when clicked.
class CHyperLink : public CWnd {
public:
    bool Attach(HWND label, const std::string& address);
    const std::string& Address() const { return address_; }

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    bool OnReflectedCommand(UINT code) override;

private:
    std::string address_;
};

class CAboutDlg : public CDialog {
public:
    static constexpr const char* kPublisherAddress = "http://www.ornava.com/";
    static constexpr const char* kDeveloperAddress = "http://labs.ornava.com/";

    CAboutDlg();

    // For tests: the links' addresses and the tooltip control's texts.
    const CHyperLink& PublisherLink() const { return publisherLink_; }
    const CHyperLink& DeveloperLink() const { return developerLink_; }
    const CToolTips& ToolTips() const { return toolTips_; }

protected:
    INT_PTR DialogProc(UINT msg, WPARAM wp, LPARAM lp) override;
    BOOL OnInitDialog() override;

private:
    CHyperLink publisherLink_;
    CHyperLink developerLink_;
    IconHandle icon_;
    FontHandle boldFont_;
    FontHandle linkFont_;
    CToolTips toolTips_;
};
