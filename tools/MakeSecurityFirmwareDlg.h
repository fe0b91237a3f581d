// The security firmware maker for the security chip series. Firmware mode writes the enciphered firmware image and
// its information package; module mode writes the enciphered security module image. The inputs are a program
// (".bin" or ".hex"), a REK/IDKey file and a nonce file as the key file maker writes them, plain or enciphered.
#pragma once

#include "core/SecurityFiles.h"
#include "framework/Dialog.h"
#include "framework/MessageMap.h"
#include "resources/ui/make_security_firmware.h"

// What the maker takes from the main window.
struct SecurityFirmwareSettings {
    uint8_t kind = 0;  // 0 firmware, 1 module
    fw::Text workDir;
    Key16 builtinKey{};
    uint32_t flashAreaLimit = 0x151DFFFF;
};

class CMakeSecurityFirmwareDlg : public fw::Dialog {
public:
    CMakeSecurityFirmwareDlg(fw::Window* owner, SecurityFirmwareSettings settings)
        : fw::Dialog(IDD_MAKE_SECURITY_FIRMWARE, owner), m_settings(std::move(settings)) {}

    fw::Text m_programTitle;   // the program file name without extension
    fw::Text m_defaultFolder;  // <workDir>/Firmware
    fw::Text m_saveFolder;     // chosen; empty: the default
    fw::Text m_optionText;     // option items as hex text, used while "OB" is checked

    // 1 when the files were written, 0 after a refusal or a failed write (its message shown).
    int BuildSecurityImages();

protected:
    bool OnInitDialog() override;

private:
    void OnBnClickedBrowseProgram();
    void OnBnClickedBrowseKey();
    void OnBnClickedBrowseNonce();
    void OnBnClickedBrowseSavePath();
    void OnBnClickedOk();
    void OnBnClickedOptionBytes();
    bool Refuse(const fw::Text& message);
    bool ReadProgram(std::vector<uint8_t>& program);
    bool ReadKeys(SecurityInputs& inputs);
    fw::Text OutputPath(fw::TextView kindName, fw::TextView addressText) const;

    SecurityFirmwareSettings m_settings;
    static const fw::MessageMap<CMakeSecurityFirmwareDlg> kMessages;
};
