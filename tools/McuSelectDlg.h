// The chip chooser of the encrypted file page: chip class, then model, from "Series CFG Table.ini"; answers the
// model's flash page size.
#pragma once

#include <optional>

#include "core/ChipSeriesTable.h"
#include "framework/Dialog.h"
#include "framework/MessageMap.h"
#include "resources/ui/mcu_select.h"

class CMCUSelectDlg : public fw::Dialog {
public:
    explicit CMCUSelectDlg(fw::Window* owner = nullptr) : fw::Dialog(IDD_MCU_SELECT, owner) {}

    uint32_t m_pageSize = 0;  // valid after IDOK

protected:
    bool OnInitDialog() override;

private:
    void OnCbnSelchangeMcuClass();
    void OnBnClickedOk();

    CChipSeriesTable m_table;
    static const fw::MessageMap<CMCUSelectDlg> kMessages;
};

// Runs the chooser modally; the page size after OK, nothing after Cancel.
std::optional<uint32_t> ChoosePageSize(fw::Window* owner);
