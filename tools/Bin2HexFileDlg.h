// The bin and hex file tool: binary to Intel HEX at a start address and back, a merge of up to three HEX files
// into one HEX file and one binary, and a binary of a given size filled with one byte or random bytes.
#pragma once

#include "framework/Dialog.h"
#include "framework/MessageMap.h"
#include "resources/ui/bin2hex_file.h"

// The HEX target named after the start address: "(address).hex" replaces the file name's "(...)" tail, or its
// four-character extension when it has none. Only the file name is looked at, never the folders above it.
fw::Text HexTargetWithAddress(fw::TextView hexPath, fw::TextView addressText);

class CBin2HexFileDlg : public fw::Dialog {
public:
    explicit CBin2HexFileDlg(fw::Window* owner = nullptr) : fw::Dialog(IDD_BIN2HEX_FILE, owner) {}

protected:
    bool OnInitDialog() override;

private:
    void OnBnClickedSelectBinFile();
    void OnBnClickedSelectHexFile();
    void OnBnClickedBinToHex();
    void OnBnClickedHexToBin();
    void OnBnClickedSelectHexFile1();
    void OnBnClickedSelectHexFile2();
    void OnBnClickedSelectHexFile3();
    void OnBnClickedSelectMergeTarget();
    void OnBnClickedMergeFiles();
    void OnBnClickedGenerateBin();
    void OnBnClickedFixedByte();
    void OnBnClickedRandomByte();
    void OnBnClickedSelectGenerateTarget();
    void SelectHexInto(int editId);
    void SelectTarget(int editId, fw::TextView filter, fw::TextView extension);
    void Say(const fw::Text& text);

    static const fw::MessageMap<CBin2HexFileDlg> kMessages;
};
