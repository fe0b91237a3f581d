// Gives each USER partition's part of a download job its file and start address and switches it on or off. Files
// load into the parts when chosen; OK stores the rows and hands over to the window, which starts the download.
#pragma once

#include <array>

#include "core/MessageBoxEx.h"
#include "framework/Dialog.h"

class CQXDownloadToolDlg;

class CPartitionDownloadConfigDlg : public fw::Dialog {
public:
    explicit CPartitionDownloadConfigDlg(CQXDownloadToolDlg* window);

protected:
    bool OnInitDialog() override;
    void DoDataExchange(fw::DataExchange& dx) override;

private:
    struct Row {
        fw::Control enable, start, file, browse, cipher, auth, encrypt;
    };
    void OnBnClickedOk();
    void OnBnClickedBrowse1() { Browse(0); }
    void OnBnClickedBrowse2() { Browse(1); }
    void OnBnClickedBrowse3() { Browse(2); }
    void Browse(int part);
    // Stores row `part` into its part and "SysConfig.ini"; false after the box that refuses it.
    bool CommitRow(int part, bool& chosen);
    void WriteRowValue(const char16_t* key, int part, fw::TextView value) const;
    static const fw::MessageMap<CPartitionDownloadConfigDlg> kMessages;

    CQXDownloadToolDlg* m_window;
    CMessageBoxEx m_msgBox;
    std::array<Row, 3> m_rows;
};
