#include "framework/Dialog.h"

#include "framework/Resources.h"
#include "framework/UiThread.h"

namespace fw {

int Dialog::DoModal() {
    const DialogTemplate* t = FindDialogTemplate(m_templateId);
    if (!t || !CurrentHost() || !IsUiThread() || IsWindow()) return -1;
    CreateParams params;
    params.owner = m_modalOwner;
    params.modal = true;
    m_modal = true;
    m_ended = false;
    m_result = 0;
    if (!CreateFromTemplate(*t, params)) return -1;
    // The owner (and everything in it) takes no input while the dialog runs.
    Window* blocked = m_modalOwner && m_modalOwner->IsWindow() ? m_modalOwner->GetTopLevel() : nullptr;
    const bool reenable = blocked && blocked->IsWindowEnabled();
    if (reenable) blocked->EnableWindow(false);
    OnInitDialog();
    if (!m_ended && IsWindow()) {
        ShowWindow(SW_SHOW);
        RunModalLoop();
    }
    if (reenable && blocked->IsWindow()) blocked->EnableWindow(true);
    DestroyWindow();
    m_modal = false;
    return m_result;
}

bool Dialog::Create(Window* parent) { return CreateModeless(parent, -1); }

bool Dialog::Create(Window* parent, const Control& placeOn) { return CreateModeless(parent, placeOn.Index()); }

bool Dialog::CreateModeless(Window* parent, int parentControl) {
    const DialogTemplate* t = FindDialogTemplate(m_templateId);
    if (!t || IsWindow()) return false;
    CreateParams params;
    params.parent = parent;
    params.owner = (t->style & WS_CHILD) ? nullptr : parent;
    params.parentControl = parentControl;
    m_modal = false;
    m_ended = false;
    m_result = 0;
    if (!CreateFromTemplate(*t, params)) return false;
    OnInitDialog();
    if (IsWindow() && (t->style & WS_VISIBLE)) ShowWindow(SW_SHOW);
    return true;
}

void Dialog::EndDialog(int result) {
    RunOnUi([&] {
        m_result = result;
        m_ended = true;
        if (m_modal) {
            EndModalLoop();
        } else {
            ShowWindow(SW_HIDE);
        }
    });
}

bool Dialog::UpdateData(bool saveAndValidate) {
    DataExchange dx(*this, saveAndValidate);
    try {
        DoDataExchange(dx);
    } catch (const DataExchange::Failure&) {
        return false;
    }
    return true;
}

void Dialog::SetDefID(int id) {
    Control c = GetDlgItem(id);
    if (c.IsValid()) {
        c.SetDefault(true);
    } else {
        for (const ControlState& s : Controls()) {
            if (s.isDefault) GetDlgItem(s.id).SetDefault(false);
        }
    }
}

int Dialog::GetDefID() const {
    for (const ControlState& s : Controls()) {
        if (s.kind == ControlKind::PushButton && s.isDefault) return s.id;
    }
    return IDOK;
}

bool Dialog::OnInitDialog() {
    UpdateData(false);
    return true;
}

void Dialog::OnOK() {
    if (!UpdateData(true)) return;
    EndDialog(IDOK);
}

void Dialog::OnCancel() { EndDialog(IDCANCEL); }

void Dialog::OnDefaultCommand(int id) {
    if (id == IDOK) OnOK();
    if (id == IDCANCEL) OnCancel();
}

void Dialog::OnDefaultClose() { Dispatch(WM_COMMAND, MakeCommandParam(IDCANCEL)); }

void Dialog::OnDialogKey(Key key) {
    if (key == Key::Escape) {
        Dispatch(WM_COMMAND, MakeCommandParam(IDCANCEL));
        return;
    }
    // Enter presses the default button; a default button that is hidden or disabled takes no press.
    for (const ControlState& s : Controls()) {
        if (s.kind == ControlKind::PushButton && s.isDefault) {
            if (s.visible && s.enabled) NotifyControl(s.index, Notification::Click);
            return;
        }
    }
    Dispatch(WM_COMMAND, MakeCommandParam(IDOK));
}

}  // namespace fw
