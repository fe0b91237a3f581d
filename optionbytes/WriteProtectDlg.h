// The write-protection editor of the connected chip: WRP0 to WRP3 read from the chip's option bytes, shown with
// the pages each bit protects in the chip's series, and written with the write-protection command.
#pragma once

#include <array>
#include <cstdint>

#include "core/MessageBoxEx.h"
#include "framework/Dialog.h"
#include "framework/MessageMap.h"
#include "resources/ui/write_protect.h"

class CQXDownloadToolDlg;

// How a chip's write-protection bytes are shown: how many edits and which help lines.
enum class WrpGroup : uint8_t { A, B, C, D, E, F };
// By series first, then by the model named in the device list (upper-cased); the first match wins.
WrpGroup WrpGroupOf(uint8_t series, fw::TextView model);

class CWriteProtectDlg : public fw::Dialog {
public:
    explicit CWriteProtectDlg(CQXDownloadToolDlg* mainDlg);

    // The bytes read at opening, replaced by what OK wrote; all 0xFF (no protection) until a read succeeded.
    std::array<uint8_t, 4> m_wrp{0xFF, 0xFF, 0xFF, 0xFF};
    // The read brought the chip's whole image: only then do m_wrp say whether the chip is protected, and only then
    // may OK write them back.
    bool m_readDone = false;

protected:
    bool OnInitDialog() override;
    const fw::MessageMapBase* GetMessageMap() const override { return &kMessages; }

private:
    bool ReadWriteProtection();
    void OnBnClickedOk();
    bool FourByteChip() const;
    void Tell(const fw::Text& text);

    CQXDownloadToolDlg* m_pMainDlg;
    CMessageBoxEx m_msgBox;
    static const fw::MessageMap<CWriteProtectDlg> kMessages;
};
