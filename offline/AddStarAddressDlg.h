// Asks where a download file of an offline project begins and, when the project places its files per partition,
// in which of USER1 to USER3. The partitions' bases come from the shared project settings; an address outside
// the chosen partition is refused.
#pragma once

#include <cstdint>

#include "core/MessageBoxEx.h"
#include "framework/Dialog.h"
#include "framework/MessageMap.h"
#include "offline/FilePlacement.h"

class CAddStarAddressDlg : public fw::Dialog {
public:
    // defaultAddress: the start of the chip's flash.
    explicit CAddStarAddressDlg(uint32_t defaultAddress, fw::Window* owner = nullptr);

    // Read after IDOK.
    fw::Text m_addressText;
    int m_partition = 0;  // 0 USER1, 1 USER2, 2 USER3
    PartitionBases m_bases;

protected:
    bool OnInitDialog() override;
    void DoDataExchange(fw::DataExchange& dx) override;

private:
    void OnBnClickedOk();
    void OnCbnSelchangePartition();
    int ChosenPartition() const;
    static const fw::MessageMap<CAddStarAddressDlg> kMessages;

    uint32_t m_default;
    CMessageBoxEx m_msgBox;
};
