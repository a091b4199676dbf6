// Dialogs from templates, modal and modeless. The dialog procedure stores the
// object at WM_INITDIALOG and dispatches to the same typed handlers as CWnd.
#pragma once

#include "Window.h"

class CDialog : public CWnd {
public:
    explicit CDialog(UINT templateId) : templateId_(templateId) {}
    ~CDialog() override;

    // Runs the dialog modally; returns the EndDialog result, or -1 on failure.
    INT_PTR DoModal(HWND parent);
    // The same from a template built in memory (instance: where the dialog's
    // resources come from).
    INT_PTR DoModalIndirect(HWND parent, const DLGTEMPLATE* dialogTemplate, HINSTANCE instance);
    // Creates the dialog modeless and registers it with the message loop so
    // that dialog keyboard handling runs for it. Returns the handle or null.
    HWND CreateModeless(HWND parent);

    bool IsModal() const { return modal_; }
    UINT TemplateId() const { return templateId_; }

    // Ends a modal dialog, or destroys a modeless one.
    void EndDialog(INT_PTR result);

protected:
    // The dialog's message handler: returns TRUE for a handled message (with
    // any result stored through SetMsgResult), FALSE to let the dialog
    // manager's default processing run.
    virtual INT_PTR DialogProc(UINT msg, WPARAM wp, LPARAM lp);

    virtual BOOL OnInitDialog() { return TRUE; }
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    virtual bool OnClose() { return false; }

    void SetMsgResult(LRESULT r) const { ::SetWindowLongPtrA(hwnd_, DWLP_MSGRESULT, r); }

private:
    static INT_PTR CALLBACK StaticDialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) final;

    UINT templateId_;
    bool modal_ = false;
};
