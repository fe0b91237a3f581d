// The project page: its opening, the chip and mode choices, new project, the configuration boxes and starting a
// download on the target.
#include "offline/OVLinkProjectDlg.h"

#include <algorithm>

#include "app/MainWindow.h"
#include "core/HexText.h"
#include "core/Translation.h"
#include "offline/CurrentProject.h"
#include "offline/LinkSession.h"
#include "offline/OfflineProjectSettings.h"
#include "offline/PartitionCFGLinkDlg.h"
#include "offline/ProjectPageRules.h"
#include "offline/UpdateChipKeyDlg.h"
#include "offline/WriteSNDlg.h"
#include "optionbytes/OptionByteEditor.h"
#include "optionbytes/ProjectOptionTexts.h"
#include "optionbytes/SecurityOptionDlg.h"

const fw::MessageMap<COVLinkProjectDlg> COVLinkProjectDlg::kMessages{
    fw::OnClick(IDC_OVPROJ_NEW, &COVLinkProjectDlg::OnBnClickedNewProject),
    fw::OnClick(IDC_OVPROJ_DELETE_PROJECT, &COVLinkProjectDlg::OnBnClickedDeleteProject),
    fw::OnClick(IDC_OVPROJ_ADD, &COVLinkProjectDlg::OnBnClickedAdd),
    fw::OnClick(IDC_OVPROJ_DELETE, &COVLinkProjectDlg::OnBnClickedDelete),
    fw::OnClick(IDC_OVPROJ_ACTIVATE, &COVLinkProjectDlg::OnBnClickedActivateProject),
    fw::OnClick(IDC_OVPROJ_OPEN_FILE, &COVLinkProjectDlg::OnBnClickedOpenProjectFile),
    fw::OnClick(IDC_OVPROJ_SAVE_FILE, &COVLinkProjectDlg::OnBnClickedSaveProjectFile),
    fw::OnClick(IDC_OVPROJ_SAVE_TO_LINK, &COVLinkProjectDlg::OnBnClickedSaveProjectToLink),
    fw::OnSelChange(IDC_OVPROJ_STORED, &COVLinkProjectDlg::OnCbnSelchangeProject),
    fw::OnClick(IDC_OVPROJ_LIMIT_ON, &COVLinkProjectDlg::OnBnClickedLimitDownloads),
    fw::OnClick(IDC_OVPROJ_PARTITION, &COVLinkProjectDlg::OnBnClickedConfigurationPartition),
    fw::OnClick(IDC_OVPROJ_OPTION_BYTES, &COVLinkProjectDlg::OnBnClickedConfigurationOptionsBytes),
    fw::OnClick(IDC_OVPROJ_CHIP_KEY, &COVLinkProjectDlg::OnBnClickedUpdateChipKey),
    fw::OnClick(IDC_OVPROJ_WRITE_SN, &COVLinkProjectDlg::OnBnClickedWriteSn),
    fw::OnClick(IDC_OVPROJ_START, &COVLinkProjectDlg::OnBnClickedStartDownloadToChip),
    fw::OnSelChange(IDC_OVPROJ_INTERFACE, &COVLinkProjectDlg::OnCbnSelchangeInterface),
    fw::OnSelChange(IDC_OVPROJ_SERIES, &COVLinkProjectDlg::OnCbnSelchangeMcuType),
};

namespace {

constexpr int kEraseWholeChip = 1;
constexpr int kCentred = 2;  // column format

ProjectConfig AllFF() {
    ProjectConfig record = ProjectConfig::Blank();
    std::ranges::fill(record.MutableBytes(), uint8_t{0xFF});
    return record;
}

// A project record is replaced whole; this edits a copy of the current one and installs it.
template <typename Edit>
void EditCurrentProject(Edit edit) {
    ProjectConfig record = CurrentProjectConfig() ? *CurrentProjectConfig() : AllFF();
    edit(record);
    InstallProjectConfig(record);
}

// Click on a configuration box: Undo (editable, unticked), Edit (editable, ticked) or View (read-only: the box
// keeps its state and the dialog only shows).
enum class BoxClick { Undo, Edit, View };

}  // namespace

COVLinkProjectDlg::COVLinkProjectDlg(CQXDownloadToolDlg& main)
    : fw::Dialog(IDD_OVLINK_PROJECT), m_table([this](const fw::Text& text) { Say(text); }), m_main(main) {}

COVLinkProjectDlg::~COVLinkProjectDlg() { ClearProjectConfig(); }

void COVLinkProjectDlg::Say(fw::TextView text) { m_msgBox.MessageBox(this, fw::Text(text), fw::MB_OK); }

bool COVLinkProjectDlg::Connected() const { return m_main.m_connected != 0; }

LinkExchangeFn COVLinkProjectDlg::Exchange() {
    return [this](fw::TextView request, LinkReply& reply) { return ExchangeLinkCommand(m_main, request, reply); };
}

bool COVLinkProjectDlg::OnInitDialog() {
    Dialog::OnInitDialog();
    // The record, the descriptor and the settings are in place before anything can fail, so no handler ever
    // meets a page without them (a missing chip series table ends the opening early).
    InstallProjectConfig(AllFF());
    m_table.m_pAlgoDescriptor = std::make_unique<uint8_t[]>(FlashAlgoDescriptor::kSize);
    std::fill_n(m_table.m_pAlgoDescriptor.get(), FlashAlgoDescriptor::kSize, uint8_t{0xFF});
    ProjectSettings().ResetForNewProject(true);
    m_optionFamily = -1;
    m_rows.clear();

    fw::Control list = GetDlgItem(IDC_OVPROJ_FILES);
    list.SetExtendedStyle(list.GetExtendedStyle() | fw::LVS_EX_GRIDLINES | fw::LVS_EX_FULLROWSELECT);
    list.ModifyStyle(fw::LVS_SINGLESEL, 0);
    list.InsertColumn(0, TranslateText(u"序号"), kCentred, 50);
    list.InsertColumn(1, TranslateText(u"文件名"), kCentred, 120);
    list.InsertColumn(2, TranslateText(u"文件大小"), kCentred, 120);
    list.InsertColumn(3, TranslateText(u"地址范围(0x)"), kCentred, 140);
    list.InsertColumn(4, TranslateText(u"分区ID(默认0)"), kCentred, 160);

    GetDlgItem(IDC_OVPROJ_INTERFACE).AddString(u"SWD");
    GetDlgItem(IDC_OVPROJ_INTERFACE).AddString(u"UART");
    GetDlgItem(IDC_OVPROJ_INTERFACE).SetCurSel(0);
    GetDlgItem(IDC_OVPROJ_PARTITION).EnableWindow(false);
    GetDlgItem(IDC_OVPROJ_CHIP_KEY).EnableWindow(false);
    fw::Control erase = GetDlgItem(IDC_OVPROJ_ERASE);
    erase.AddString(TranslateText(u"不擦除"));
    erase.AddString(TranslateText(u"全片擦除"));
    erase.AddString(TranslateText(u"按文件大小擦除"));
    erase.SetCurSel(kEraseWholeChip);
    fw::Control reset = GetDlgItem(IDC_OVPROJ_RESET);
    reset.AddString(TranslateText(u"下载不复位"));
    reset.AddString(TranslateText(u"下载后复位"));
    reset.SetCurSel(0);
    GetDlgItem(IDC_OVPROJ_LIMIT).EnableWindow(false);

    GetDlgItem(IDC_OVPROJ_MODEL).ResetContent();
    if (!m_table.Load() || m_table.m_rowCount == 0) {
        UpdateControlStates(true);
        return true;
    }
    fw::Control series = GetDlgItem(IDC_OVPROJ_SERIES);
    std::vector<fw::Text> added;
    for (int i = 0; i < m_table.m_rowCount; ++i) {
        const fw::Text& name = m_table.m_rows[i].CLASS;
        if (name.empty() || std::ranges::find(added, name) != added.end()) continue;
        added.push_back(name);
        series.AddString(name);
    }
    if (Connected()) ReadStoredProjectList();
    UpdateControlStates(true);
    return true;
}

void COVLinkProjectDlg::FillModels(fw::TextView series) {
    fw::Control models = GetDlgItem(IDC_OVPROJ_MODEL);
    models.ResetContent();
    for (int i = 0; i < m_table.m_rowCount; ++i) {
        if (m_table.m_rows[i].CLASS == series) models.AddString(m_table.m_rows[i].CHIPMARK);
    }
}

void COVLinkProjectDlg::OnCbnSelchangeMcuType() {
    fw::Control series = GetDlgItem(IDC_OVPROJ_SERIES);
    const int selected = series.GetCurSel();
    const fw::Text text = selected >= 0 ? series.GetLBText(selected) : fw::Text();
    FillModels(text);
    GetDlgItem(IDC_OVPROJ_MODEL).SetCurSel(0);
    const int before = m_optionFamily;
    m_optionFamily = OptionFamilyOf(text);
    if (m_optionFamily != before) ForgetPartitionSteps();
    UpdateControlStates(true);
}

void COVLinkProjectDlg::ForgetPartitionSteps() {
    if (!ForgetPartitionStepsOf(*this, IDC_OVPROJ_PARTITION, IDC_OVPROJ_CHIP_KEY, m_rows, IDC_OVPROJ_FILES)) return;
    EditCurrentProject([](ProjectConfig& edited) { StorePartitionSettings(ProjectSettings(), edited); });
    Say(PartitionStepsDroppedText());
}

int COVLinkProjectDlg::ModelRow() const {
    const fw::Control models = GetDlgItem(IDC_OVPROJ_MODEL);
    const int selected = models.GetCurSel();
    if (selected < 0) return -1;
    const fw::Text model = models.GetLBText(selected);
    for (int i = 0; i < m_table.m_rowCount; ++i) {
        if (m_table.m_rows[i].CHIPMARK == model) return i;
    }
    return -1;
}

bool COVLinkProjectDlg::ChipChosen(int box) {
    const char16_t* refusal = nullptr;
    if (GetDlgItem(IDC_OVPROJ_SERIES).GetCurSel() < 0) {
        refusal = u"请先选择MCU类型！";
    } else if (GetDlgItem(IDC_OVPROJ_MODEL).GetCurSel() < 0) {
        refusal = u"请先选择MCU型号！";
    }
    if (!refusal) return true;
    Say(TranslateText(refusal));
    if (box != 0) CheckDlgButton(box, 0);
    return false;
}

void COVLinkProjectDlg::UpdateControlStates(bool enable) {
    ProjectPageState state;
    state.enable = enable;
    state.editable = ProjectSettings().projectEditable != 0;
    state.family = m_optionFamily;
    state.uartChosen = GetDlgItem(IDC_OVPROJ_INTERFACE).GetCurSel() == 1;
    state.limitChecked = IsDlgButtonChecked(IDC_OVPROJ_LIMIT_ON) != 0;
    state.optionChecked = IsDlgButtonChecked(IDC_OVPROJ_OPTION_BYTES) != 0;
    state.partitionChecked = IsDlgButtonChecked(IDC_OVPROJ_PARTITION) != 0;
    state.snChecked = IsDlgButtonChecked(IDC_OVPROJ_WRITE_SN) != 0;
    const ProjectPageControls c = ProjectPageControlsOf(state);
    for (int id : {IDC_OVPROJ_DELETE_PROJECT, IDC_OVPROJ_NEW, IDC_OVPROJ_ACTIVATE, IDC_OVPROJ_OPEN_FILE,
                   IDC_OVPROJ_SAVE_FILE, IDC_OVPROJ_SAVE_TO_LINK, IDC_OVPROJ_START}) {
        GetDlgItem(id).EnableWindow(c.projectCommands);
    }
    for (int id : {IDC_OVPROJ_ADD, IDC_OVPROJ_DELETE, IDC_OVPROJ_NAME, IDC_OVPROJ_MODEL, IDC_OVPROJ_SERIES,
                   IDC_OVPROJ_ERASE, IDC_OVPROJ_RESET, IDC_OVPROJ_LIMIT_ON}) {
        GetDlgItem(id).EnableWindow(c.composing);
    }
    if (c.touchLimitEdit) GetDlgItem(IDC_OVPROJ_LIMIT).EnableWindow(c.limitEdit);
    if (c.forceSwd) GetDlgItem(IDC_OVPROJ_INTERFACE).SetCurSel(0);
    GetDlgItem(IDC_OVPROJ_INTERFACE).EnableWindow(c.interfaceList);
    GetDlgItem(IDC_OVPROJ_OPTION_BYTES).EnableWindow(c.optionBox);
    GetDlgItem(IDC_OVPROJ_WRITE_SN).EnableWindow(c.snBox);
    GetDlgItem(IDC_OVPROJ_PARTITION).EnableWindow(c.partitionBox);
    GetDlgItem(IDC_OVPROJ_CHIP_KEY).EnableWindow(c.chipKeyBox);
}

void COVLinkProjectDlg::OnBnClickedNewProject() {
    SetDlgItemText(IDC_OVPROJ_NAME, u"");
    SetDlgItemText(IDC_OVPROJ_LIMIT, u"");
    GetDlgItem(IDC_OVPROJ_SERIES).SetCurSel(-1);
    GetDlgItem(IDC_OVPROJ_MODEL).ResetContent();
    GetDlgItem(IDC_OVPROJ_INTERFACE).SetCurSel(0);
    GetDlgItem(IDC_OVPROJ_ERASE).SetCurSel(kEraseWholeChip);
    GetDlgItem(IDC_OVPROJ_RESET).SetCurSel(0);
    for (int box : {IDC_OVPROJ_LIMIT_ON, IDC_OVPROJ_OPTION_BYTES, IDC_OVPROJ_PARTITION, IDC_OVPROJ_CHIP_KEY,
                    IDC_OVPROJ_WRITE_SN}) {
        CheckDlgButton(box, 0);
    }
    for (int id : {IDC_OVPROJ_NAME, IDC_OVPROJ_SERIES, IDC_OVPROJ_MODEL, IDC_OVPROJ_INTERFACE, IDC_OVPROJ_ERASE,
                   IDC_OVPROJ_RESET, IDC_OVPROJ_LIMIT_ON, IDC_OVPROJ_OPTION_BYTES, IDC_OVPROJ_WRITE_SN, IDC_OVPROJ_ADD,
                   IDC_OVPROJ_DELETE, IDC_OVPROJ_SAVE_FILE}) {
        GetDlgItem(id).EnableWindow(true);
    }
    for (int id : {IDC_OVPROJ_LIMIT, IDC_OVPROJ_PARTITION, IDC_OVPROJ_CHIP_KEY})
        GetDlgItem(id).EnableWindow(false);
    ClearFileList();
    m_rows.clear();
    OfflineProjectSettings& settings = ProjectSettings();
    settings.partitionMode = 0;
    m_table.m_pAlgoBlob.reset();
    m_table.m_algoBlobSize = 0;
    if (!m_table.m_pAlgoDescriptor) m_table.m_pAlgoDescriptor = std::make_unique<uint8_t[]>(FlashAlgoDescriptor::kSize);
    std::fill_n(m_table.m_pAlgoDescriptor.get(), FlashAlgoDescriptor::kSize, uint8_t{0xFF});
    InstallProjectConfig(AllFF());
    settings.ResetForNewProject(false);
}

void COVLinkProjectDlg::OnBnClickedLimitDownloads() {
    const bool on = IsDlgButtonChecked(IDC_OVPROJ_LIMIT_ON) != 0;
    if (!on) SetDlgItemText(IDC_OVPROJ_LIMIT, u"");
    GetDlgItem(IDC_OVPROJ_LIMIT).EnableWindow(on);
}

namespace {

BoxClick ClassifyBoxClick(fw::Window& page, int box) {
    const bool checked = page.IsDlgButtonChecked(box) != 0;
    if (ProjectSettings().projectEditable == 0) {
        page.CheckDlgButton(box, checked ? 0 : 1);
        return BoxClick::View;
    }
    return checked ? BoxClick::Edit : BoxClick::Undo;
}

}  // namespace

void COVLinkProjectDlg::OnBnClickedConfigurationPartition() {
    OfflineProjectSettings& settings = ProjectSettings();
    settings.partitionsEditable = static_cast<uint8_t>(settings.projectEditable);
    if (!ChipChosen(IDC_OVPROJ_PARTITION)) return;
    settings.seriesCode = static_cast<uint8_t>(m_optionFamily);
    if (const int row = ModelRow(); row >= 0)
        settings.flashSizeKB = static_cast<uint32_t>(HexToInt(m_table.m_rows[row].FLASHSIZE) / 1024);
    const BoxClick click = ClassifyBoxClick(*this, IDC_OVPROJ_PARTITION);
    if (click == BoxClick::Undo) {
        settings.partitionMode = 0;
        return;
    }
    LoadPartitionSettings(*CurrentProjectConfig(), settings);
    const bool ok = CPartitionCFGLinkDlg(this).DoModal() == fw::IDOK;
    if (click == BoxClick::View) return;
    if (!ok) {
        CheckDlgButton(IDC_OVPROJ_PARTITION, 0);
        return;
    }
    CheckDlgButton(IDC_OVPROJ_PARTITION, 1);
    GetDlgItem(IDC_OVPROJ_CHIP_KEY).EnableWindow(FamilyHasChipKeys(m_optionFamily));
    EditCurrentProject([&settings](ProjectConfig& edited) { StorePartitionSettings(settings, edited); });
    settings.partitionMode = 1;
    if (!m_rows.empty()) {
        ClearFileList();
        m_rows.clear();
        Say(TranslateText(u"分区下载，请重新添加下载文件！"));
    }
}

void COVLinkProjectDlg::OnBnClickedConfigurationOptionsBytes() {
    if (!ChipChosen(IDC_OVPROJ_OPTION_BYTES)) return;
    const BoxClick click = ClassifyBoxClick(*this, IDC_OVPROJ_OPTION_BYTES);
    if (click == BoxClick::Undo) return;
    OfflineProjectSettings& settings = ProjectSettings();
    const bool editable = settings.projectEditable != 0;
    const uint8_t family = static_cast<uint8_t>(m_optionFamily);
    const ProjectConfig& record = *CurrentProjectConfig();
    bool ok = false;
    switch (m_optionFamily) {
        case 0:
        case 1:
        case 2:
        case 5:
        case 8:
        case 9: {
            settings.linkOptEditable = editable;
            settings.linkOptFamily = family;
            g_projectOptionText = ProjectOptionTextOf(record.chip.option.optionBytes);
            CWriteByteLinkDlg editor(&g_projectOptionText, family, editable);
            ok = editor.DoModal() == fw::IDOK;
            if (ok && click == BoxClick::Edit) {
                EditCurrentProject([](ProjectConfig& edited) {
                    StoreProjectOptionText(g_projectOptionText, edited.chip.option.optionBytes);
                });
            }
            break;
        }
        case 3:
        case 4:
        case 6:
        case 7:
        case 11:
        case 12: {
            settings.linkOpt2Editable = editable;
            settings.linkOpt2Family = family;
            g_projectOptionText2 = ProjectOptionTextOf(record.chip.option.optionBytes);
            CWriteByteLinkDlg2 editor(&g_projectOptionText2, family, editable);
            ok = editor.DoModal() == fw::IDOK;
            break;
        }
        case 10: {
            if (const int row = ModelRow(); row >= 0) {
                const bool large = HexToInt(m_table.m_rows[row].FLASHSIZE) == 4096 * 1024;
                m_main.m_flashAreaLimit = large ? 0x153DFFFF : 0x151DFFFF;
            }
            const fw::Control models = GetDlgItem(IDC_OVPROJ_MODEL);
            m_main.m_chipModel = models.GetLBText(models.GetCurSel());
            const uint32_t count = record.extOption.count.Get();
            if (count != 0xFFFFFFFF) {
                const std::size_t n = std::min<std::size_t>(count, record.extOption.items.size());
                m_optionItemText = BytesToHex(std::span<const uint8_t>(record.extOption.items.data(), n));
            }
            CWriteByteDlg4 editor(&m_main, SecurityOptionMode::Project);
            editor.m_editable = editable;
            editor.m_itemText = m_optionItemText;
            ok = editor.DoModal() == fw::IDOK;
            if (ok && click == BoxClick::Edit) m_optionItemText = editor.m_itemText;
            break;
        }
        default:
            return;
    }
    if (click == BoxClick::Edit) CheckDlgButton(IDC_OVPROJ_OPTION_BYTES, ok ? 1 : 0);
}

void COVLinkProjectDlg::OnBnClickedUpdateChipKey() {
    if (!IsDlgButtonChecked(IDC_OVPROJ_CHIP_KEY)) return;
    OfflineProjectSettings& settings = ProjectSettings();
    settings.keySeriesCode = static_cast<uint8_t>(m_optionFamily);
    // The dialog asks for the device key whatever the download project dialog left in the settings: this page's
    // keys travel to the downloader wrapped under it.
    CUpdateChipKeyDlg dialog(this, ChipKeyCaller::OfflineProjectPage, m_main.m_linkSerialText);
    const bool ok = dialog.DoModal() == fw::IDOK;
    if (!ok && settings.projectEditable) CheckDlgButton(IDC_OVPROJ_CHIP_KEY, 0);
}

void COVLinkProjectDlg::OnBnClickedWriteSn() {
    OfflineProjectSettings& settings = ProjectSettings();
    const ProjectConfig& record = *CurrentProjectConfig();
    settings.snEditable = static_cast<uint8_t>(settings.projectEditable);
    settings.snAddress = record.snAddress.Get();
    settings.snInitial = record.snInitial.Get();
    settings.snStep = record.snStep.Get();
    settings.snUseDevice = record.snFlags & 2;
    const BoxClick click = ClassifyBoxClick(*this, IDC_OVPROJ_WRITE_SN);
    if (click == BoxClick::Undo) return;
    const bool ok = CWriteSNDlg(this).DoModal() == fw::IDOK;
    if (click == BoxClick::View) return;
    CheckDlgButton(IDC_OVPROJ_WRITE_SN, ok ? 1 : 0);
    if (!ok) return;
    EditCurrentProject([&settings](ProjectConfig& edited) {
        edited.snAddress.Set(settings.snAddress);
        edited.snInitial.Set(settings.snInitial);
        edited.snStep.Set(settings.snStep);
        edited.snFlags = settings.snUseDevice;
    });
}

void COVLinkProjectDlg::OnBnClickedStartDownloadToChip() {
    if (!Connected()) {
        Say(TranslateText(u"请先连接设备！"));
        return;
    }
    UpdateControlStates(false);
    LinkReply reply;
    // A refusal with a status is in the log already; the box says that nothing started, also when no reply came.
    if (ExchangeLinkCommand(m_main, u"A0 12 00 00 00 00", reply)) {
        Say(TranslateText(u"已启动下载！"));
    } else {
        Say(TranslateText(u"启动下载失败！"));
    }
    UpdateControlStates(true);
}
