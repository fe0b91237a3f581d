// The layout of the three user partitions of a project's chip: which exist, their sizes in the series' partition
// unit and, where the series has partition security, authentication, encrypted download and key ID. Works only on
// the partition fields of the program-wide offline settings, which the caller fills before and reads after.
#pragma once

#include <array>
#include <cstdint>

#include "core/MessageBoxEx.h"
#include "framework/Dialog.h"
#include "framework/MessageMap.h"
#include "offline/OfflineProjectSettings.h"
#include "resources/ui/ovlink_project_dialogs.h"

class CPartitionCFGLinkDlg : public fw::Dialog {
public:
    explicit CPartitionCFGLinkDlg(fw::Window* owner = nullptr) : fw::Dialog(IDD_PARTITION_CFG_LINK, owner) {}

protected:
    bool OnInitDialog() override;
    bool PreTranslateKey(fw::Key key) override;

private:
    void LoadPartitionSettings();
    // true when the entries were accepted and stored; false after the refusal's message, nothing stored.
    bool StorePartitionSettings();
    void OnBnClickedOk();
    void OnEnChangeSize1() { OnSizeChange(0); }
    void OnEnChangeSize2() { OnSizeChange(1); }
    void OnEnChangeSize3() { OnSizeChange(2); }
    void OnSizeChange(int row);
    bool Refuse(const fw::Text& text);
    static const fw::MessageMap<CPartitionCFGLinkDlg> kMessages;

    uint32_t m_unitKB = 0;  // KB per partition unit of the series
    fw::Text m_unitHint;
    CMessageBoxEx m_msgBox;
};
