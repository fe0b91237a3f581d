// The partition keys an offline project replaces on the target chip: per configured user partition, the key the
// chip holds now (the built-in default on a first update) and the new one. The result goes into the chip-key
// fields of the program-wide offline settings. Keys meant for the offline downloader are stored enciphered under
// its device key, which the dialog then asks for.
#pragma once

#include <cstdint>
#include <utility>

#include "core/MessageBoxEx.h"
#include "framework/Dialog.h"
#include "framework/MessageMap.h"
#include "resources/ui/ovlink_project_dialogs.h"

// Who opens the dialog. The offline project page's keys always travel to the downloader, wrapped under its device
// key; the download project dialog asks for the device key only while the settings' deviceKeyWanted says so.
enum class ChipKeyCaller { OfflineProjectPage, DownloadProjectDialog };

class CUpdateChipKeyDlg : public fw::Dialog {
public:
    // deviceKeyText: what the device key edit starts with (the connected downloader's serial number text).
    CUpdateChipKeyDlg(fw::Window* owner, ChipKeyCaller caller, fw::Text deviceKeyText = {})
        : fw::Dialog(IDD_UPDATE_CHIP_KEY, owner), m_caller(caller), m_deviceKeyText(std::move(deviceKeyText)) {}

protected:
    bool OnInitDialog() override;
    bool PreTranslateKey(fw::Key key) override;

private:
    bool AsksDeviceKey() const;
    void OnBnClickedOk();
    void OnBnClickedFirstUpdate1() { OnFirstUpdate(0); }
    void OnBnClickedFirstUpdate2() { OnFirstUpdate(1); }
    void OnBnClickedFirstUpdate3() { OnFirstUpdate(2); }
    void OnFirstUpdate(int row);
    void OnBnClickedShowKey();
    static const fw::MessageMap<CUpdateChipKeyDlg> kMessages;

    ChipKeyCaller m_caller;
    fw::Text m_deviceKeyText;
    CMessageBoxEx m_msgBox;
};
