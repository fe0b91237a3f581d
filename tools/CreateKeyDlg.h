// The key file maker: batches of REK/IDKey files with their nonce files, and JTAG key files, from the random-number
// library, plain (".bin") or enciphered under the built-in key (".enc").
#pragma once

#include <string>

#include "core/SecurityFiles.h"
#include "core/TessarandLoader.h"
#include "framework/Dialog.h"
#include "framework/MessageMap.h"
#include "resources/ui/create_key.h"

class CCreateKeyDlg : public fw::Dialog {
public:
    CCreateKeyDlg(fw::Window* owner, const Key16& builtinKey)
        : fw::Dialog(IDD_CREATE_KEY, owner), m_builtinKey(builtinKey) {}

    // Where the random source comes from; tests bind another.
    std::function<GenerateRandomFunction()> m_bindRandom = [] { return BindGenerateRandom(); };

    fw::Text m_defaultFolder, m_rekFolder, m_jtagFolder;

protected:
    bool OnInitDialog() override;

private:
    void OnBnClickedCreateKey();
    void OnBnClickedBrowseKeyFolder();
    void OnBnClickedBrowseJtagKeyFolder();
    // 1 made, 0 refused or failed (its message shown), counting the files that could not be written.
    bool MakeRekIdKeys(int count, bool enciphered, int& failures);
    bool MakeJtagKeys(int count, bool enciphered, int& failures);
    bool Draw(uint8_t* out, unsigned length);

    Key16 m_builtinKey;
    GenerateRandomFunction m_generateRandom = nullptr;
    static const fw::MessageMap<CCreateKeyDlg> kMessages;
};
