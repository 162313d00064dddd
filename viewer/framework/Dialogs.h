// Windows made from dialog templates of the resource script: form views
// (child dialogs shown in pane frames) and modal dialogs. Every template names
// the framework's dialog class (CLASS "VistrelDialog" in the script), so the
// dialog window runs the framework's procedure from its first message on.
#pragma once

#include <windows.h>

#include "viewer/framework/Frame.h"

namespace fw {

// The class name the templates must give.
inline constexpr const wchar_t* kDialogClassName = L"VistrelDialog";
// Registers the dialog class (once per process); false on failure.
bool RegisterDialogClass() noexcept;

class FormView : public View {
public:
    explicit FormView(UINT templateId) noexcept : templateId_(templateId) {}

    UINT TemplateId() const noexcept { return templateId_; }
    // Creates the view from its template as a child of `parent` with the
    // control identifier `id`; the template's controls exist when it returns.
    bool Create(HWND parent, UINT id = kPaneFirst) noexcept;
    HWND Item(int id) const noexcept { return GetDlgItem(Handle(), id); }

protected:
    // WM_INITDIALOG: the controls exist. Answer true to let the dialog
    // manager set the focus.
    virtual bool OnInitDialog() { return true; }
    LRESULT HandleMessage(UINT msg, WPARAM w, LPARAM l) override;

private:
    UINT templateId_;
};

class Dialog : public Window {
public:
    explicit Dialog(UINT templateId) noexcept : templateId_(templateId) {}

    // Runs the dialog modally; returns the code given to EndDialog, or -1 when
    // the dialog could not be created.
    INT_PTR DoModal(HWND parent) noexcept;
    void EndDialog(INT_PTR result) noexcept { ::EndDialog(Handle(), result); }
    HWND Item(int id) const noexcept { return GetDlgItem(Handle(), id); }

protected:
    virtual bool OnInitDialog() { return true; }
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    LRESULT HandleMessage(UINT msg, WPARAM w, LPARAM l) override;

private:
    UINT templateId_;
};

}  // namespace fw
