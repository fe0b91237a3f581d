// The five OTP items of the chips with an M7 and an M4 core. Each item is read when the dialog opens; OK writes
// the ticked items as their 16-bit value followed by its complement. Every write spends one of the sixteen
// configurations an item has, whether or not its value changed.
#pragma once

#include <array>

#include "core/MessageBoxEx.h"
#include "devicelib/OvMcuCmdDll.h"
#include "framework/Dialog.h"
#include "framework/MessageMap.h"

class CQXDownloadToolDlg;

class CSetOTPDlg : public fw::Dialog {
public:
    explicit CSetOTPDlg(CQXDownloadToolDlg* mainDlg);

    static constexpr int kItemCount = 5;
    // The watchdog item's four digits, handed to OTPSYSCFGIWDGDlg and taken back from it.
    fw::Text m_iwdgText;

protected:
    bool OnInitDialog() override;
    const fw::MessageMapBase* GetMessageMap() const override { return &kMessages; }

private:
    // Items 1 to 5 in order; false at the first that cannot be read, after the red line that says why.
    bool ReadOtpItems();
    void ShowOtpItems();
    bool WriteOtpItems();
    // The item's value as its edit shows it.
    uint32_t ItemValue(int item) const;
    void SetItemValue(int item, uint32_t value);

    void OnBnClickedOk();
    void OnBnClickedSelectConfiguration();
    void OnItemBox(const fw::NotifyInfo& info);
    void OnCbnSelchangeDcdHighVcore();
    void OnCbnSelchangeBootMode();
    void OnCbnSelchangeBorls();
    void OnCbnSelchangeTcmSize();

    CQXDownloadToolDlg* m_pMainDlg;
    CMessageBoxEx m_msgBox;
    OtpRwBlock m_block{};
    std::array<fw::Text, kItemCount + 1> m_itemHex;  // by item number: "%02X" of the four bytes read
    static const fw::MessageMap<CSetOTPDlg> kMessages;
};

// The watchdog item bit by bit: bits 13 to 0 have a box each, bits 15 and 14 keep what the item held.
class OTPSYSCFGIWDGDlg : public fw::Dialog {
public:
    explicit OTPSYSCFGIWDGDlg(CSetOTPDlg* owner);

protected:
    bool OnInitDialog() override;
    const fw::MessageMapBase* GetMessageMap() const override { return &kMessages; }

private:
    void OnBnClickedSelectAll();
    void OnBnClickedOk();

    CSetOTPDlg* m_owner;
    uint32_t m_keptBits = 0;  // bits 15 and 14 as opened
    static const fw::MessageMap<OTPSYSCFGIWDGDlg> kMessages;
};
