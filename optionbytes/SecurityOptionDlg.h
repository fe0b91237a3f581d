// The option item editor of the security chips: the eight items in one dialog, either on the connected chip (read
// item by item when it opens, the ticked items written one by one on OK), on an offline project's item block text,
// or building the item list text that the security firmware maker packs.
#pragma once

#include <cstdint>

#include "app/OptionItems.h"
#include "core/MessageBoxEx.h"
#include "framework/Dialog.h"
#include "framework/MessageMap.h"
#include "resources/ui/security_options.h"

class CQXDownloadToolDlg;

enum class SecurityOptionMode : uint8_t {
    Device,   // the connected chip
    Project,  // the offline downloader's project: the item block text
    File,     // the security firmware maker: the item list text
};

class CWriteByteDlg4 : public fw::Dialog {
public:
    // The main window is needed on the chip and for a project (the model name, the log); the firmware maker's
    // file mode may go without one and sets the flash-area limit itself.
    CWriteByteDlg4(CQXDownloadToolDlg* mainDlg, SecurityOptionMode mode);

    // The end of the chip's flash area, the upper bound of BOOTADDR_M7's flash window.
    uint32_t m_flashAreaLimit = 0x151DFFFF;

    // File mode: the CRYPTION choice the maker encrypts with (0, 1, 2), shown and not editable.
    int m_cryptionIndex = 2;
    // Project mode: whether the project may be edited.
    bool m_editable = false;
    // Project mode in: the project's item block text. After OK in project or file mode: the text built.
    fw::Text m_itemText;

    uint8_t m_rdpLevel = 0;
    fw::Text m_wrpText = u"FFFFFFFE";
    fw::Text m_bootM7Text = u"15000000";
    fw::Text m_bootM4Text = u"30000000";
    fw::Text m_secBeginText = u"1FFF", m_secEndText = u"0000";
    uint8_t m_dmes = 0, m_secEraseMode = 0;
    fw::Text m_pfoerBeginText = u"1FFF", m_pfoerEndText = u"0000";
    uint8_t m_dmep = 0, m_pfoerEraseMode = 0;
    uint16_t m_secMode = 0xE5CE;  // anything but 0xCEE5 shows "disabled"
    uint16_t m_cryption = 0;

protected:
    bool OnInitDialog() override;
    const fw::MessageMapBase* GetMessageMap() const override { return &kMessages; }

private:
    enum class Pass { Read, Write };
    bool TransferItems(Pass pass);
    // The project's item block text into the members; false (its message shown) for a text that is no block.
    bool LoadItemText();
    void SetUpProjectMode();
    // The item as the controls give it; nothing when a field was refused (its message shown).
    std::optional<OptionItemValue> ItemFromControls(uint8_t item);
    void StoreItem(const OptionItemValue& value);
    bool DeviceTransfer(OptionItemValue& value, Pass pass);
    void ShowValues();
    // Blanks removed, checked and padded to its width; false after the refusal's message.
    bool ValidateField(fw::Text& text, fw::TextView name);
    void Tell(const fw::Text& text);
    bool ItemTicked(uint8_t item) const;
    bool ShortModel() const;  // a "-1A" model: items 1 to 4 only
    void EnableItemEditors(uint8_t item, bool enable);

    void OnBnClickedOk();
    void OnItemBox(const fw::NotifyInfo& info);
    void OnBnClickedAllSelect();
    void OnAddressEditChange(const fw::NotifyInfo& info);
    void OnCbnSelchangeRdpLevel();
    void OnBnClickedSelectBlock();

    CQXDownloadToolDlg* m_pMainDlg;
    SecurityOptionMode m_mode;
    // Device mode: whether every item came back whole when the dialog opened. One that did not shows 00 where the
    // chip said nothing; OK then writes no item, as the other option editors write nothing over a short read.
    bool m_readWhole = true;
    CMessageBoxEx m_msgBox;
    static const fw::MessageMap<CWriteByteDlg4> kMessages;
};
