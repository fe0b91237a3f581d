#include "offline/DownloadProjectDlg.h"

#include <algorithm>

#include "core/FileFilters.h"
#include "core/HexText.h"
#include "core/Translation.h"
#include "framework/FileDialog.h"
#include "framework/Format.h"
#include "framework/Styles.h"
#include "offline/ByteStringName.h"
#include "offline/DownloadFileLoad.h"
#include "offline/DownloadProjectBuild.h"
#include "offline/LinkProject.h"
#include "offline/OfflineProjectSettings.h"
#include "optionbytes/OptionByteEditor.h"
#include "resources/ui/download_project.h"

using fw::Text;
using fw::TextView;

namespace {

constexpr int kCentred = 2;
constexpr int kNoBox = 0;

CDownloadProjectDlg::StartAddressAsker& StartAddressStep() {
    static CDownloadProjectDlg::StartAddressAsker asker;
    return asker;
}
CDownloadProjectDlg::SubDialog& PartitionStep() {
    static CDownloadProjectDlg::SubDialog dialog;
    return dialog;
}
CDownloadProjectDlg::SubDialog& ChipKeyStep() {
    static CDownloadProjectDlg::SubDialog dialog;
    return dialog;
}

bool Contains(TextView text, TextView part) { return fw::Find(text, part) >= 0; }

bool ContainsAny(TextView text, std::initializer_list<const char16_t*> parts) {
    return std::any_of(parts.begin(), parts.end(), [&](const char16_t* part) { return Contains(text, part); });
}

// The families whose option bytes the second project editor shows.
bool SecondOptionEditor(uint8_t code) {
    return code == 3 || code == 4 || code == 6 || code == 7 || code == 11 || code == 12;
}

// The series name of a record shown for its model: the record names a few series by their family member.
Text SeriesShownFor(const Text& series, const Text& model) {
    if (Contains(model, u"VK422") && Contains(series, u"VK425")) return u"VK422";
    if (Contains(model, u"VK615") && Contains(series, u"VK515")) return u"VK615";
    if (Contains(model, u"VK231") && Contains(series, u"VK230")) return u"VK231";
    return series;
}

// The first entry that is exactly the text (case counts), or none.
void SelectExactly(fw::Control list, const Text& text) {
    list.SetCurSel(-1);
    for (int i = 0; i < list.GetCount(); ++i) {
        if (list.GetLBText(i) == text) {
            list.SetCurSel(i);
            return;
        }
    }
}

Text NameOf(const std::array<uint8_t, kProjectTextMax>& field, uint8_t length) {
    return ByteStringToName(std::span<const uint8_t>(field.data(), std::min<std::size_t>(length, field.size())));
}

Text RangeText(uint32_t start, uint32_t length) {
    return fw::Format(u"%08X-%08X", start, static_cast<uint32_t>(start + length - 1));
}

struct DialogBuildUi : ProjectBuildUi {
    DialogBuildUi(fw::Window* w, const CMessageBoxEx& b) : window(w), box(b) {}
    void ShowMessage(const Text& text) override { box.MessageBox(window, text, fw::MB_OK); }
    bool Ask(const Text& text) override {
        return box.MessageBox(window, text, fw::MB_YESNO | fw::MB_ICONQUESTION) == fw::IDYES;
    }
    bool RunProjectSetup() override { return true; }
    fw::Window* window;
    const CMessageBoxEx& box;
};

}  // namespace

Text CDownloadProjectDlg::s_lastFileExt;

void CDownloadProjectDlg::SetStartAddressAsker(StartAddressAsker asker) { StartAddressStep() = std::move(asker); }
void CDownloadProjectDlg::SetPartitionDialog(SubDialog dialog) { PartitionStep() = std::move(dialog); }
void CDownloadProjectDlg::SetChipKeyDialog(SubDialog dialog) { ChipKeyStep() = std::move(dialog); }

const fw::MessageMap<CDownloadProjectDlg> CDownloadProjectDlg::kMessages{
    fw::OnSelChange(IDC_DLP_SERIES, &CDownloadProjectDlg::OnCbnSelchangeMcuType),
    fw::OnClick(IDC_DLP_ADD, &CDownloadProjectDlg::OnBnClickedAdd),
    fw::OnClick(IDC_DLP_DEL, &CDownloadProjectDlg::OnBnClickedDel),
    fw::OnClick(IDC_DLP_SET_PARTITION, &CDownloadProjectDlg::OnBnClickedSetPartition),
    fw::OnClick(IDC_DLP_UPDATE_KEY, &CDownloadProjectDlg::OnBnClickedUpdateKey),
    fw::OnClick(IDC_DLP_SET_OPTION_BYTE, &CDownloadProjectDlg::OnBnClickedSetOptionByte),
    fw::OnClick(IDC_DLP_SAVE, &CDownloadProjectDlg::OnBnClickedSaveProject),
    fw::OnClick(IDC_DLP_OPEN, &CDownloadProjectDlg::OnBnClickedOpenProject),
    fw::OnClick(IDC_DLP_NEW, &CDownloadProjectDlg::OnBnClickedNewProject),
};

CDownloadProjectDlg::CDownloadProjectDlg(fw::Window* owner)
    : fw::Dialog(IDD_DOWNLOAD_PROJECT, owner),
      m_chipTable([this](const Text& text) { m_msgBox.MessageBox(this, text, fw::MB_OK); }) {
    m_optionBytes.fill(0xFF);
}

void CDownloadProjectDlg::Say(const Text& text) { m_msgBox.MessageBox(this, text, fw::MB_OK); }

bool CDownloadProjectDlg::OnInitDialog() {
    fw::Dialog::OnInitDialog();
    fw::Control list = GetDlgItem(IDC_DLP_FILES);
    list.SetExtendedStyle(list.GetExtendedStyle() | fw::LVS_EX_GRIDLINES | fw::LVS_EX_FULLROWSELECT);
    const std::pair<Text, int> columns[] = {{TranslateText(u"序号"), 50},
                                            {TranslateText(u"文件名"), 120},
                                            {TranslateText(u"文件大小(byte)"), 100},
                                            {TranslateText(u"地址范围(0x)"), 140},
                                            {TranslateText(u"分区ID(默认0)"), 150}};
    for (int c = 0; c < 5; ++c)
        list.InsertColumn(c, columns[c].first, kCentred, columns[c].second);
    m_fileCount = 0;
    for (ProjectFileRow& row : m_rows)
        row = {};
    // A new project starts from an erased record, never from what another dialog left in the shared settings.
    m_record = ProjectConfig::Blank();
    m_editable = 1;
    ProjectSettings().partitionMode = 0;
    GetDlgItem(IDC_DLP_MODEL).ResetContent();
    fw::Control series = GetDlgItem(IDC_DLP_SERIES);
    series.ResetContent();
    if (m_chipTable.Load()) {
        std::vector<Text> names;
        for (int i = 0; i < m_chipTable.m_rowCount; ++i) {
            const Text& name = m_chipTable.m_rows[i].CLASS;
            if (name.empty() || std::ranges::find(names, name) != names.end()) continue;
            names.push_back(name);
            series.AddString(name);
        }
    }
    // The steps that belong to the project page are offered only once it has put them here.
    GetDlgItem(IDC_DLP_ADD).EnableWindow(static_cast<bool>(StartAddressStep()));
    GetDlgItem(IDC_DLP_SET_PARTITION).EnableWindow(static_cast<bool>(PartitionStep()));
    GetDlgItem(IDC_DLP_UPDATE_KEY).EnableWindow(static_cast<bool>(ChipKeyStep()));
    return true;
}

void CDownloadProjectDlg::SeriesCodeOfModel(TextView name) {
    static constexpr std::pair<const char16_t*, uint8_t> kNames[] = {
        {u"VK517", 0},  {u"VK515", 0},  {u"VK512", 0},  {u"VK511", 0},  {u"VK51R", 0},  {u"VK51W", 0},  {u"VK615", 1},
        {u"VK425", 2},  {u"VK422", 2},  {u"VK44X", 2},  {u"VK43X", 2},  {u"VK232", 3},  {u"VK632", 3},  {u"VK230", 4},
        {u"VK420", 5},  {u"VK401", 5},  {u"VK231", 6},  {u"VK203", 7},  {u"VK233", 12}, {u"VK727", 8},  {u"VK722", 8},
        {u"VK714", 8},  {u"VK713", 8},  {u"VK73", 9},   {u"VK828", 10}, {u"VK827", 10}, {u"VK825", 10}, {u"VK815", 10},
        {u"VK812", 10}, {u"VK810", 10}, {u"VK266", 11}, {u"VK265", 11}, {u"VK262", 11}};
    const Text upper = fw::ToUpper(name);
    for (const auto& [text, code] : kNames) {
        if (Contains(upper, text)) {
            m_seriesCode = code;
            return;
        }
    }
}

// The models of the series in table order, in a list emptied first.
void CDownloadProjectDlg::FillModels(const Text& series) {
    fw::Control models = GetDlgItem(IDC_DLP_MODEL);
    models.ResetContent();
    for (int i = 0; i < m_chipTable.m_rowCount; ++i) {
        if (m_chipTable.m_rows[i].CLASS == series) models.AddString(m_chipTable.m_rows[i].CHIPMARK);
    }
}

int CDownloadProjectDlg::ModelRow() const {
    const Text model = ModelText();
    for (int i = 0; i < m_chipTable.m_rowCount; ++i) {
        if (m_chipTable.m_rows[i].CHIPMARK == model) return i;
    }
    return -1;
}

Text CDownloadProjectDlg::ModelText() const {
    const fw::Control models = GetDlgItem(IDC_DLP_MODEL);
    return models.GetCurSel() < 0 ? Text() : models.GetLBText(models.GetCurSel());
}

void CDownloadProjectDlg::OnCbnSelchangeMcuType() {
    const Text series = GetDlgItem(IDC_DLP_SERIES).GetWindowText();
    const uint8_t before = m_seriesCode;
    SeriesCodeOfModel(series);
    if (m_seriesCode != before) ForgetPartitionSteps();
    FillModels(series);
    GetDlgItem(IDC_DLP_MODEL).SetCurSel(0);
    if (const int row = ModelRow(); row >= 0)
        ProjectSettings().flashSizeKB = static_cast<uint32_t>(HexToInt(m_chipTable.m_rows[row].FLASHSIZE) / 1024);
    ApplySeriesRules();
}

void CDownloadProjectDlg::ForgetPartitionSteps() {
    const std::span<ProjectFileRow> rows(m_rows.data(), m_fileCount);
    if (!ForgetPartitionStepsOf(*this, IDC_DLP_SET_PARTITION, IDC_DLP_UPDATE_KEY, rows, IDC_DLP_FILES)) return;
    StorePartitionSettings(ProjectSettings(), m_record);
    Say(PartitionStepsDroppedText());
}

// Which of the three boxes the chosen series and model allow; the check marks stay as they are.
void CDownloadProjectDlg::ApplySeriesRules() {
    const Text model = ModelText();
    GetDlgItem(IDC_DLP_SET_OPTION_BYTE).EnableWindow(!ContainsAny(model, {u"VK23W", u"VKS90"}) && m_seriesCode != 10);
    const bool noPartitions = m_seriesCode == 4 || m_seriesCode == 6 || m_seriesCode == 7 || m_seriesCode == 10 ||
                              m_seriesCode == 12 || ContainsAny(model, {u"VK23W", u"VKS90", u"VK42W"});
    GetDlgItem(IDC_DLP_SET_PARTITION).EnableWindow(!noPartitions && PartitionStep());
    GetDlgItem(IDC_DLP_UPDATE_KEY)
        .EnableWindow(!noPartitions && m_seriesCode != 3 && m_seriesCode != 11 && ChipKeyStep());
}

void CDownloadProjectDlg::EnableButtons(bool enable) {
    for (int id : {IDC_DLP_NEW, IDC_DLP_OPEN, IDC_DLP_SAVE})
        GetDlgItem(id).EnableWindow(enable);
    const bool editable = m_editable != 0;
    GetDlgItem(IDC_DLP_ADD).EnableWindow(editable && StartAddressStep());
    for (int id : {IDC_DLP_DEL, IDC_DLP_SERIES, IDC_DLP_MODEL})
        GetDlgItem(id).EnableWindow(editable);
    GetDlgItem(IDC_DLP_UPDATE_KEY).EnableWindow(editable && ChipKeyStep());
    // A checked box stays usable so that a locked project still shows its settings.
    if (!IsDlgButtonChecked(IDC_DLP_SET_OPTION_BYTE)) GetDlgItem(IDC_DLP_SET_OPTION_BYTE).EnableWindow(editable);
    if (!IsDlgButtonChecked(IDC_DLP_SET_PARTITION))
        GetDlgItem(IDC_DLP_SET_PARTITION).EnableWindow(editable && PartitionStep());
    // Enabling everything would also offer what the chosen series does not allow.
    if (enable && editable && GetDlgItem(IDC_DLP_SERIES).GetCurSel() >= 0) ApplySeriesRules();
}

void CDownloadProjectDlg::InsertFileRow(int index, const ProjectFileRow& row) {
    fw::Control list = GetDlgItem(IDC_DLP_FILES);
    const int item = list.InsertItem(index, fw::Format(u"%d", index + 1));
    const uint32_t start = static_cast<uint32_t>(HexToInt(row.startText));
    list.SetItemText(item, 1, row.name);
    list.SetItemText(item, 2, fw::Format(u"%d", static_cast<int>(row.length)));
    list.SetItemText(item, 3, RangeText(start, row.length));
    list.SetItemText(item, 4, fw::Format(u"%d", static_cast<int>(row.partitionId)));
}

// No series or no model: the box (if any) is cleared and the user told which is missing.
bool CDownloadProjectDlg::ChipChosen(int boxToClear) {
    if (GetDlgItem(IDC_DLP_SERIES).GetCurSel() < 0) {
        if (boxToClear != kNoBox) CheckDlgButton(boxToClear, 0);
        Say(TranslateText(u"请先选择MCU类型！"));
        return false;
    }
    if (GetDlgItem(IDC_DLP_MODEL).GetCurSel() < 0) {
        if (boxToClear != kNoBox) CheckDlgButton(boxToClear, 0);
        Say(TranslateText(u"请先选择MCU型号！"));
        return false;
    }
    return true;
}

void CDownloadProjectDlg::OnBnClickedAdd() {
    if (!ChipChosen(kNoBox) || !StartAddressStep()) return;
    const int row = ModelRow();
    DownloadProjectChip chip;
    chip.seriesCode = m_seriesCode;
    if (row >= 0) {
        chip.flashStart = static_cast<uint32_t>(HexToInt(m_chipTable.m_rows[row].FLASHSTARTADDR));
        chip.flashSize = static_cast<uint32_t>(HexToInt(m_chipTable.m_rows[row].FLASHSIZE));
    }
    // The start-address step lays out the partitions from the shared settings: this project's chip.
    OfflineProjectSettings& settings = ProjectSettings();
    settings.seriesCode = m_seriesCode;
    if (row >= 0) settings.flashSizeKB = chip.flashSize / 1024;
    const std::optional<StartAddressAnswer> answer = StartAddressStep()(*this, chip.flashStart);
    if (!answer) return;
    fw::FileDialog dialog(true, {}, {}, fw::OFN_HIDEREADONLY | fw::OFN_OVERWRITEPROMPT | fw::OFN_NOCHANGEDIR,
                          BuildFileFilter(s_lastFileExt), this);
    if (dialog.DoModal() != fw::IDOK) return;
    if (m_fileCount >= kProjectFileSlots) {
        Say(TranslateText(u"最多可添加8个文件！"));
        return;
    }
    const Text path = dialog.GetPathName();
    if (path.empty()) return;
    s_lastFileExt = dialog.GetFileExt();
    AddFile(path, dialog.GetFileName(), *answer, chip);
}

bool CDownloadProjectDlg::AddFile(const Text& path, const Text& name, const StartAddressAnswer& answer,
                                  const DownloadProjectChip& chip) {
    if (!DownloadFileNameFits(name)) {
        Say(TranslateText(u"文件名称长度超过32字节！"));
        return false;
    }
    const std::size_t n = m_fileCount;
    DownloadFile file = ReadDownloadFile(path, name, HexToUInt32(answer.startText), kMaxDownloadProjectSection);
    if (!file.refusal.empty()) {
        Say(file.refusal);
        return false;
    }
    // Every run of a HEX file needs a row of its own: a file that does not fit is refused whole.
    if (n + file.runs.size() > kProjectFileSlots) {
        Say(TranslateText(u"最多可添加8个文件！"));
        return false;
    }
    std::vector<ProjectFileRow> added;
    for (DownloadFileRun& run : file.runs) {
        ProjectFileRow row;
        row.startText = fw::Format(u"%08X", run.start);
        row.data = std::move(run.data);
        row.length = static_cast<uint32_t>(row.data.size());
        if (file.enciphered) {
            row.plainLength = file.plainLength;
            row.plainSha256 = file.plainSha256;
            row.plainCrc32 = file.plainCrc32;
        }
        added.push_back(std::move(row));
    }

    const ProjectFileRow& first = added.front();
    if (HexToUInt32(first.startText) % 16 != 0) {
        Say(TranslateText(u"下载起始地址不是16的倍数！"));
        return false;
    }
    for (std::size_t k = 0; k < added.size(); ++k) {
        ProjectFileRow& row = added[k];
        const uint32_t start = HexToUInt32(row.startText);
        std::vector<ListedFile> listed;
        for (std::size_t j = 0; j < n + k; ++j)
            listed.push_back({HexToUInt32(m_rows[j].startText), m_rows[j].length, !m_rows[j].name.empty()});
        if (row.length == 0) {
            Say(TranslateText(u"文件大小为0！"));
            return false;
        }
        const Text refusal = RefusalOfPlacement(chip, answer.placement, listed, start, row.length);
        if (!refusal.empty()) {
            Say(refusal);
            return false;
        }
        row.name = name;
        row.path = path;
        row.partitionId = answer.placement.partition;
        m_rows[n + k] = std::move(row);
        InsertFileRow(static_cast<int>(n + k), m_rows[n + k]);
        m_fileCount = static_cast<uint8_t>(n + k + 1);
    }
    return true;
}

void CDownloadProjectDlg::OnBnClickedDel() {
    fw::Control list = GetDlgItem(IDC_DLP_FILES);
    if (list.GetItemCount() == 0) {
        Say(TranslateText(u"没有可删除的文件！"));
        return;
    }
    std::vector<int> doomed;
    for (int i = list.GetNextSelectedItem(); i >= 0; i = list.GetNextSelectedItem(i))
        doomed.push_back(i);
    if (doomed.empty()) doomed.push_back(list.GetItemCount() - 1);
    // From the last, so that the indexes still to remove keep their places.
    for (auto it = doomed.rbegin(); it != doomed.rend(); ++it) {
        const int i = *it;
        list.DeleteItem(i);
        if (i >= m_fileCount) continue;
        std::move(m_rows.begin() + i + 1, m_rows.begin() + m_fileCount, m_rows.begin() + i);
        m_rows[m_fileCount - 1] = {};
        --m_fileCount;
    }
    for (int i = 0; i < list.GetItemCount(); ++i)
        list.SetItemText(i, 0, fw::Format(u"%d", i + 1));
}

void CDownloadProjectDlg::OnBnClickedSetPartition() {
    OfflineProjectSettings& settings = ProjectSettings();
    const bool editable = m_editable != 0;
    settings.partitionsEditable = editable ? 1 : 0;
    if (!ChipChosen(IDC_DLP_SET_PARTITION)) return;
    settings.seriesCode = m_seriesCode;
    if (const int row = ModelRow(); row >= 0)
        settings.flashSizeKB = static_cast<uint32_t>(HexToInt(m_chipTable.m_rows[row].FLASHSIZE) / 1024);
    const bool checked = IsDlgButtonChecked(IDC_DLP_SET_PARTITION) != 0;
    if (editable && !checked) {
        settings.partitionMode = 0;
        return;
    }
    if (!editable) CheckDlgButton(IDC_DLP_SET_PARTITION, checked ? 0 : 1);
    if (!PartitionStep()) return;
    LoadPartitionSettings(m_record, settings);
    const bool ok = PartitionStep()(*this);
    if (!editable) return;
    if (!ok) {
        CheckDlgButton(IDC_DLP_SET_PARTITION, 0);
        return;
    }
    CheckDlgButton(IDC_DLP_SET_PARTITION, 1);
    // Kept in the project's record, so the next Set Partition starts from what was confirmed now.
    StorePartitionSettings(settings, m_record);
    const Text series = GetDlgItem(IDC_DLP_SERIES).GetWindowText();
    GetDlgItem(IDC_DLP_UPDATE_KEY)
        .EnableWindow(!ContainsAny(series, {u"VK232", u"VK632"}) && static_cast<bool>(ChipKeyStep()));
    settings.partitionMode = 1;
    if (m_fileCount != 0) {
        GetDlgItem(IDC_DLP_FILES).DeleteAllItems();
        for (ProjectFileRow& row : m_rows)
            row = {};
        m_fileCount = 0;
        Say(TranslateText(u"分区下载，请重新添加下载文件！"));
    }
}

void CDownloadProjectDlg::OnBnClickedUpdateKey() {
    if (!ChipChosen(IDC_DLP_UPDATE_KEY)) return;
    OfflineProjectSettings& settings = ProjectSettings();
    settings.keySeriesCode = m_seriesCode;
    settings.deviceKeyWanted = 0;
    if (!IsDlgButtonChecked(IDC_DLP_UPDATE_KEY) || !ChipKeyStep()) return;
    if (!ChipKeyStep()(*this) && m_editable) CheckDlgButton(IDC_DLP_UPDATE_KEY, 0);
}

void CDownloadProjectDlg::OnBnClickedSetOptionByte() {
    if (!ChipChosen(IDC_DLP_SET_OPTION_BYTE)) return;
    const bool editable = m_editable != 0;
    const bool checked = IsDlgButtonChecked(IDC_DLP_SET_OPTION_BYTE) != 0;
    if (!editable) {
        CheckDlgButton(IDC_DLP_SET_OPTION_BYTE, checked ? 0 : 1);
    } else if (!checked) {
        return;
    }
    Text text = ProjectOptionTextOf(m_optionBytes);
    bool ok = false;
    if (SecondOptionEditor(m_seriesCode)) {
        CWriteByteLinkDlg2 editor(&text, m_seriesCode, editable);
        ok = editor.DoModal() == fw::IDOK;
    } else {
        CWriteByteLinkDlg editor(&text, m_seriesCode, editable);
        ok = editor.DoModal() == fw::IDOK;
    }
    if (!editable) return;
    CheckDlgButton(IDC_DLP_SET_OPTION_BYTE, ok ? 1 : 0);
    // Both editors' bytes go back into the project, so that opening an editor again shows what was confirmed.
    if (ok) StoreProjectOptionText(text, m_optionBytes);
}

void CDownloadProjectDlg::OnBnClickedSaveProject() {
    EnableButtons(false);
    if (SaveProject()) m_editable = 0;
    EnableButtons(true);
}

bool CDownloadProjectDlg::SaveProject() {
    // A locked project is written again as it was saved or opened.
    const std::optional<ProjectConfig> record = m_editable == 0 ? std::optional(m_record) : BuildProjectConfig();
    return record && WriteProjectFile(*record);
}

std::optional<ProjectConfig> CDownloadProjectDlg::BuildProjectConfig() {
    DownloadProjectChoices choices;
    fw::Control series = GetDlgItem(IDC_DLP_SERIES);
    choices.seriesSelected = series.GetCurSel() >= 0;
    choices.seriesText = series.GetWindowText();
    choices.modelSelected = GetDlgItem(IDC_DLP_MODEL).GetCurSel() >= 0;
    choices.modelText = ModelText();
    choices.seriesCode = m_seriesCode;
    choices.partitionsChecked = IsDlgButtonChecked(IDC_DLP_SET_PARTITION) != 0;
    choices.chipKeyUpdateChecked = IsDlgButtonChecked(IDC_DLP_UPDATE_KEY) != 0;
    choices.optionBytesChecked = IsDlgButtonChecked(IDC_DLP_SET_OPTION_BYTE) != 0;
    choices.optionBytes = m_optionBytes;
    DialogBuildUi ui(this, m_msgBox);
    return BuildDownloadProjectRecord(choices, std::span<const ProjectFileRow>(m_rows.data(), m_fileCount), m_chipTable,
                                      ProjectSettings(), ui);
}

bool CDownloadProjectDlg::WriteProjectFile(const ProjectConfig& record) {
    std::vector<std::vector<uint8_t>> data;
    for (std::size_t i = 0; i < m_fileCount; ++i) {
        const ProjectFileRow& row = m_rows[i];
        data.emplace_back(row.data.begin(), row.data.begin() + std::min<std::size_t>(row.length, row.data.size()));
    }
    fw::FileDialog dialog(false, u"dlpf", {}, fw::OFN_HIDEREADONLY | fw::OFN_NOCHANGEDIR,
                          DownloadProjectFilesEntry() + u"|", this);
    if (dialog.DoModal() != fw::IDOK) return false;
    if (!WriteDownloadProjectFile(dialog.GetPathName(), record, data)) {
        Say(TranslateText(u"文件保存失败！"));
        return false;
    }
    m_record = record;
    Say(TranslateText(u"文件保存成功！"));
    return true;
}

void CDownloadProjectDlg::OnBnClickedOpenProject() {
    EnableButtons(false);
    fw::FileDialog dialog(true, {}, {}, fw::OFN_HIDEREADONLY, DownloadProjectFilesEntry() + u"|", this);
    if (dialog.DoModal() != fw::IDOK) {
        EnableButtons(true);
        return;
    }
    const ProjectLoad load = ReadProjectFile(dialog.GetPathName());
    if (load != ProjectLoad::Shown) {
        EnableButtons(true);
        Say(load == ProjectLoad::Refused ? TranslateText(u"项目文件打开失败！") : TranslateText(u"显示项目信息错误！"));
        return;
    }
    Say(TranslateText(u"打开项目文件成功！"));
    EnableButtons(true);
}

CDownloadProjectDlg::ProjectLoad CDownloadProjectDlg::ReadProjectFile(const Text& path) {
    // Read whole into a project of its own: a file refused anywhere leaves the one shown as it was.
    DownloadProject project;
    if (OpenDownloadProjectFile(path, project) != ProjectFileOpen::Opened) return ProjectLoad::Refused;
    if (!ShowProjectConfig(project)) return ProjectLoad::NotShown;
    m_editable = 0;
    return ProjectLoad::Shown;
}

bool CDownloadProjectDlg::ShowProjectConfig(DownloadProject& project) {
    const ProjectConfig& record = project.record;
    if (record.fileCount < 1 || record.fileCount > kProjectFileSlots || project.rows.size() != record.fileCount)
        return false;
    for (std::size_t i = 0; i < project.rows.size(); ++i) {
        DownloadProjectRow& in = project.rows[i];
        const ProjectFileRecord& file = record.files[i];
        ProjectFileRow row;
        row.name = in.name;
        row.startText = fw::Format(u"%08X", in.start);
        row.partitionId = in.partition;
        row.length = static_cast<uint32_t>(in.data.size());
        row.data = std::move(in.data);
        if (IsEncipheredFileName(row.name)) {
            row.plainLength = file.plainSize.Get();
            row.plainSha256 = file.plainSha256;
            row.plainCrc32 = file.plainCrc.Get();
        }
        m_rows[i] = std::move(row);
    }
    for (std::size_t i = project.rows.size(); i < m_rows.size(); ++i)
        m_rows[i] = {};
    m_fileCount = record.fileCount;
    m_record = record;
    m_optionBytes = record.chip.option.optionBytes;

    const bool noInterface = record.targetInterface == 0;
    if (noInterface) {
        GetDlgItem(IDC_DLP_SET_PARTITION).EnableWindow(false);
        GetDlgItem(IDC_DLP_UPDATE_KEY).EnableWindow(false);
    } else {
        GetDlgItem(IDC_DLP_SET_PARTITION).EnableWindow(static_cast<bool>(PartitionStep()));
    }
    GetDlgItem(IDC_DLP_ADD).EnableWindow(false);
    GetDlgItem(IDC_DLP_DEL).EnableWindow(false);
    fw::Control list = GetDlgItem(IDC_DLP_FILES);
    list.DeleteAllItems();
    for (int i = 0; i < m_fileCount; ++i)
        InsertFileRow(i, m_rows[i]);

    const ProjectChipRecord& chip = record.chip;
    const Text model = NameOf(chip.model, chip.modelLength);
    const Text series = SeriesShownFor(NameOf(chip.series, chip.seriesLength), model);
    SeriesCodeOfModel(series);
    SelectExactly(GetDlgItem(IDC_DLP_SERIES), series);
    GetDlgItem(IDC_DLP_SERIES).EnableWindow(false);
    FillModels(series);
    SelectExactly(GetDlgItem(IDC_DLP_MODEL), model);
    GetDlgItem(IDC_DLP_MODEL).EnableWindow(false);

    fw::Control partitionBox = GetDlgItem(IDC_DLP_SET_PARTITION);
    for (const ProjectPartitionEntry& entry : chip.partitions) {
        if (entry.marker.Get() == kProjectMarkerValid) {
            CheckDlgButton(IDC_DLP_SET_PARTITION, 1);
            partitionBox.EnableWindow(static_cast<bool>(PartitionStep()));
            break;
        }
        if (entry.marker.Get() == kProjectMarkerAbsent) {
            CheckDlgButton(IDC_DLP_SET_PARTITION, 0);
            partitionBox.EnableWindow(false);
        }
    }
    if (ContainsAny(series, {u"VK230", u"VK220", u"VK231", u"VK203", u"VK233"})) partitionBox.EnableWindow(false);
    const uint32_t option = chip.option.marker.Get();
    if (option == kProjectMarkerValid) {
        CheckDlgButton(IDC_DLP_SET_OPTION_BYTE, 1);
        GetDlgItem(IDC_DLP_SET_OPTION_BYTE).EnableWindow(true);
    } else if (option == kProjectMarkerAbsent) {
        CheckDlgButton(IDC_DLP_SET_OPTION_BYTE, 0);
        GetDlgItem(IDC_DLP_SET_OPTION_BYTE).EnableWindow(false);
    }
    const bool keyUpdated = std::ranges::any_of(record.keys.keyMode, [](uint8_t mode) { return mode == 1; });
    CheckDlgButton(IDC_DLP_UPDATE_KEY, keyUpdated ? 1 : 0);
    GetDlgItem(IDC_DLP_UPDATE_KEY).EnableWindow(false);
    return true;
}

void CDownloadProjectDlg::OnBnClickedNewProject() {
    GetDlgItem(IDC_DLP_SERIES).SetCurSel(-1);
    GetDlgItem(IDC_DLP_MODEL).ResetContent();
    for (int id : {IDC_DLP_SET_PARTITION, IDC_DLP_UPDATE_KEY, IDC_DLP_SET_OPTION_BYTE})
        CheckDlgButton(id, 0);
    for (int id : {IDC_DLP_SERIES, IDC_DLP_MODEL, IDC_DLP_SET_OPTION_BYTE, IDC_DLP_DEL, IDC_DLP_SAVE})
        GetDlgItem(id).EnableWindow(true);
    GetDlgItem(IDC_DLP_SET_PARTITION).EnableWindow(static_cast<bool>(PartitionStep()));
    GetDlgItem(IDC_DLP_UPDATE_KEY).EnableWindow(static_cast<bool>(ChipKeyStep()));
    GetDlgItem(IDC_DLP_ADD).EnableWindow(static_cast<bool>(StartAddressStep()));
    for (ProjectFileRow& row : m_rows)
        row = {};
    GetDlgItem(IDC_DLP_FILES).DeleteAllItems();
    m_fileCount = 0;
    m_editable = 1;
    m_record = ProjectConfig::Blank();
    m_optionBytes.fill(0xFF);
    OfflineProjectSettings& settings = ProjectSettings();
    settings.partitionMode = 0;
    for (std::size_t i = 0; i < kProjectPartitions; ++i) {
        settings.chipKeyId[i] = 0;
        settings.chipKeyUpdate[i] = 0;
        settings.chipKeyNew[i] = {};
        settings.chipKeyOld[i] = {};
        settings.partitionConfigured[i] = kProjectMarkerAbsent;
        settings.partitionIndex[i] = settings.partitionSize[i] = settings.partitionKeyId[i] = 0;
        settings.partitionFlags[i] = 0;
    }
    settings.partitionsEditable = 0;
    settings.flashSizeKB = 0;
    settings.seriesCode = 0;
}

void OnMakeDownloadProjectFiles(fw::Window& main) {
    CDownloadProjectDlg dialog(&main);
    dialog.DoModal();
}
