// The encrypted file page: a ".bin" or ".hex" image enciphered under a typed key into EncFile/<name>.enc of the
// working directory, in the digest-header format the offline downloader takes. It is a child page of the offline
// downloader's configuration window and runs on its own as well.
#pragma once

#include <functional>
#include <optional>
#include <vector>

#include "framework/Dialog.h"
#include "framework/MessageMap.h"
#include "resources/ui/enc_file_page.h"

class CEnFileDlg : public fw::Dialog {
public:
    explicit CEnFileDlg(fw::Window* owner = nullptr) : fw::Dialog(IDD_ENC_FILE_PAGE, owner) {}

    // The key the page starts with: the creator passes the offline downloader's serial number text (empty when
    // none was read).
    fw::Text m_initialKeyText;

    fw::Text m_filePath, m_fileName, m_fileExt;
    fw::Text m_outputPath;

    // How the CRC step asks for the chip's page size: nothing when the user cancelled. The chooser dialog by
    // default.
    std::function<std::optional<uint32_t>(fw::Window*)> m_choosePageSize;

protected:
    bool OnInitDialog() override;

private:
    void OnBnClickedBrowse();
    void OnBnClickedOk();
    bool WriteEncryptedFile(const std::vector<uint8_t>& bytes);

    static const fw::MessageMap<CEnFileDlg> kMessages;
};
