// A dialog built from a template of the current language: modal (DoModal/EndDialog), modeless, or a child page
// placed inside its parent. OnInitDialog, DoDataExchange, OnOK and OnCancel are the points a dialog class
// overrides; Enter presses the default button and Esc cancels.
#pragma once

#include "framework/DataExchange.h"
#include "framework/Window.h"

namespace fw {

class Dialog : public Window {
public:
    explicit Dialog(int templateId, Window* owner = nullptr) : m_templateId(templateId), m_modalOwner(owner) {}

    // Runs the dialog until EndDialog and answers its result: IDOK, IDCANCEL or what EndDialog was given;
    // -1 when the template is missing or no host runs.
    int DoModal();
    // A modeless dialog owned by `parent`, or, for a template with WS_CHILD, a page inside `parent`.
    bool Create(Window* parent = nullptr);
    // A page placed on a control of `parent` (a tab control); its position is relative to that control.
    bool Create(Window* parent, const Control& placeOn);
    // Modal: ends the loop with `result`. Modeless: hides the dialog. Any thread.
    void EndDialog(int result);
    int GetTemplateId() const { return m_templateId; }
    int GetResult() const { return m_result; }

    // Saving (true) reads the controls into the members and validates; loading writes the members into the
    // controls. False when a value was refused (the user was told and the control has the focus).
    bool UpdateData(bool saveAndValidate = true);

    void SetDefID(int id);
    int GetDefID() const;
    void GotoDlgCtrl(int id) { GetDlgItem(id).SetFocus(); }

protected:
    // Loads the members into the controls; answers true to give the first control the focus.
    virtual bool OnInitDialog();
    virtual void DoDataExchange(DataExchange&) {}
    // Saves and validates, then ends with IDOK.
    virtual void OnOK();
    virtual void OnCancel();

    void OnDefaultCommand(int id) override;
    void OnDefaultClose() override;
    void OnDialogKey(Key key) override;

private:
    bool CreateModeless(Window* parent, int parentControl);

    int m_templateId;
    Window* m_modalOwner;
    int m_result = 0;
    bool m_ended = false;
    bool m_modal = false;
};

}  // namespace fw
