// The encrypted download file maker: a ".bin" or ".hex" image enciphered under one of the connected chip's keys,
// chosen by key id, into EncFile/<name>.enc of the working directory (the CRC-prefixed format).
#pragma once

#include <optional>
#include <vector>

#include "framework/Dialog.h"
#include "framework/MessageMap.h"
#include "resources/ui/make_en_file.h"

// How many key ids a chip series offers, and the key table entry an id uses (nothing for an id not offered).
int KeyIdCount(uint8_t chipSeries);
std::optional<int> KeyTableEntry(uint8_t chipSeries, int keyId);

class CMakeEnFileDlg : public fw::Dialog {
public:
    // The key table is the main window's; it is looked up again at every OK.
    CMakeEnFileDlg(fw::Window* owner, uint8_t chipSeries, const std::vector<fw::Text>& keyTable)
        : fw::Dialog(IDD_MAKE_EN_FILE, owner), m_chipSeries(chipSeries), m_keyTable(keyTable) {}

    fw::Text m_filePath, m_fileName, m_fileExt;
    fw::Text m_outputPath;
    fw::Text m_workDir;

protected:
    bool OnInitDialog() override;

private:
    void OnBnClickedBrowse();
    void OnBnClickedOk();
    bool WriteEncryptedFile(const std::vector<uint8_t>& bytes);

    uint8_t m_chipSeries;
    const std::vector<fw::Text>& m_keyTable;
    static const fw::MessageMap<CMakeEnFileDlg> kMessages;
};
