#include "tests/framework/example/ExampleDlg.h"

#include "framework/FileDialog.h"
#include "framework/Format.h"
#include "framework/MessageBox.h"
#include "framework/Resources.h"

using namespace fw;

const MessageMap<CExamplePage> CExamplePage::kMessages{
    fw::OnClick(IDC_PAGE_CHECK, &CExamplePage::OnBnClickedPageCheck),
};

void CExamplePage::OnBnClickedPageCheck() {
    m_events.push_back(Format(u"page check %d", IsDlgButtonChecked(IDC_PAGE_CHECK)));
}

const MessageMap<CExampleChildDlg> CExampleChildDlg::kMessages{
    fw::OnClick(IDC_CHILD_ASK, &CExampleChildDlg::OnBnClickedAsk),
    fw::OnClick(IDC_CHILD_NEST, &CExampleChildDlg::OnBnClickedNest),
};

void CExampleChildDlg::DoDataExchange(DataExchange& dx) { dx.Text(IDC_CHILD_VALUE, m_value); }

void CExampleChildDlg::OnBnClickedAsk() {
    m_answer = fw::MessageBox(this, Format(u"第%d层的问题", m_depth), u"提示", MB_OKCANCEL | MB_ICONQUESTION);
}

void CExampleChildDlg::OnBnClickedNest() {
    CExampleChildDlg inner(this, m_depth + 1);
    inner.m_value = GetDlgItemText(IDC_CHILD_VALUE);
    if (inner.DoModal() == IDOK) SetDlgItemText(IDC_CHILD_VALUE, inner.m_value);
}

const MessageMap<CExampleDlg> CExampleDlg::kMessages{
    fw::OnClick(IDC_APPLY, &CExampleDlg::OnBnClickedApply),
    fw::OnClick(IDC_OPEN_CHILD, &CExampleDlg::OnBnClickedOpenChild),
    fw::OnClick(IDC_BROWSE, &CExampleDlg::OnBnClickedBrowse),
    fw::OnClick(IDC_ASK, &CExampleDlg::OnBnClickedAsk),
    fw::OnClick(IDC_START_TIMER, &CExampleDlg::OnBnClickedStartTimer),
    fw::OnSelChange(IDC_SPEED_COMBO, &CExampleDlg::OnCbnSelchangeSpeed),
    fw::OnSelChange(IDC_PAGES_TAB, &CExampleDlg::OnTcnSelchangePages),
    fw::OnScroll(IDC_LEVEL_SLIDER, &CExampleDlg::OnLevelScroll),
    fw::OnItemChanged(IDC_CHIPS_LIST, &CExampleDlg::OnChipsItemChanged),
    fw::OnDoubleClick(IDC_FILES_LIST, &CExampleDlg::OnFilesDoubleClick),
    fw::OnEditChange(IDC_COUNT_EDIT, &CExampleDlg::OnEnChangeCount),
    fw::OnCommand(ID_FILE_OPEN, &CExampleDlg::OnBnClickedBrowse),
    fw::OnCommand(ID_FILE_EXIT, &CExampleDlg::OnFileExit),
    fw::OnCommand(ID_OPTION_VERBOSE, &CExampleDlg::OnOptionVerbose),
    fw::OnCommand(ID_OPTION_EXPERT, &CExampleDlg::OnOptionExpert),
    fw::OnCommand(ID_HELP_ABOUT, &CExampleDlg::OnHelpAbout),
    fw::OnTimer(&CExampleDlg::OnTimer),
    fw::OnSysCommand(&CExampleDlg::OnSysCommand),
    fw::OnClose(&CExampleDlg::OnClose),
    fw::OnMessage(WM_EXAMPLE_STEP, &CExampleDlg::OnExampleStep),
    fw::OnDeviceChange(&CExampleDlg::OnDeviceChange),
};

bool CExampleDlg::OnInitDialog() {
    // Lists are filled before the data exchange selects in them.
    Control speed = GetDlgItem(IDC_SPEED_COMBO);
    for (const char16_t* s : {u"9600", u"57600", u"115200", u"921600"}) speed.AddString(s);
    Control files = GetDlgItem(IDC_FILES_LIST);
    for (const char16_t* s : {u"boot.bin", u"app.hex", u"data.bin"}) files.AddString(s);

    Dialog::OnInitDialog();

    const Text about = LoadResourceString(IDS_ABOUT_EXAMPLE);
    if (!about.empty()) {
        GetSystemMenu().AppendMenu(MF_SEPARATOR);
        GetSystemMenu().AppendMenu(MF_STRING, IDM_ABOUT_EXAMPLE, about);
    }
    SetIcon(IDI_EXAMPLE);

    Control chips = GetDlgItem(IDC_CHIPS_LIST);
    chips.SetExtendedStyle(LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
    chips.InsertColumn(0, ResourceLanguage() == kLangEnglish ? u"Chip" : u"芯片", 0, 90);
    chips.InsertColumn(1, ResourceLanguage() == kLangEnglish ? u"State" : u"状态", 0, 80);
    for (int i = 0; i < 3; ++i) {
        chips.InsertItem(i, Format(u"VK51%d", i));
        chips.SetItemText(i, 1, u"--");
    }

    Control tab = GetDlgItem(IDC_PAGES_TAB);
    tab.InsertItem(0, ResourceLanguage() == kLangEnglish ? u"Page" : u"页面");
    tab.InsertItem(1, ResourceLanguage() == kLangEnglish ? u"Empty" : u"空白");
    m_page.Create(this, tab);
    m_page.MoveWindow(tab.GetDisplayRect());
    m_page.ShowWindow(SW_SHOW);

    m_progress.SetRange(0, 5);
    m_progress.SetStep(1);

    if (m_watchDevices) {
        m_devicesWatched = RegisterDeviceChange(DeviceKind::Usb) && RegisterDeviceChange(DeviceKind::SerialPort);
    }

    m_status = CreateStatusBar();
    m_status.SetPanes({{LoadResourceString(IDS_PANE_READY), -1, 0}, {u"", 120, 0}});
    return true;
}

void CExampleDlg::DoDataExchange(DataExchange& dx) {
    dx.Control(IDC_LOG, m_log);
    dx.Control(IDC_PROGRESS, m_progress);
    dx.Text(IDC_NAME_EDIT, m_name);
    dx.MaxChars(IDC_NAME_EDIT, m_name, 16);
    dx.Int(IDC_COUNT_EDIT, m_count);
    dx.MinMaxInt(IDC_COUNT_EDIT, m_count, 1, 100);
    dx.Unsigned(IDC_ADDRESS_EDIT, m_address);
    dx.Text(IDC_PASSWORD_EDIT, m_password);
    dx.Check(IDC_ENABLE_CHECK, m_enabled);
    dx.Radio(IDC_MODE_SERIAL, m_mode);
    dx.ComboIndex(IDC_SPEED_COMBO, m_speed);
    dx.SliderPos(IDC_LEVEL_SLIDER, m_level);
}

void CExampleDlg::AppendLog(TextView text, Color color) {
    // As the program's log writer does: append a line, then scroll by the lines it added.
    const int before = m_log.GetLineCount();
    m_log.AppendText(Text(text) + u"\r\n", color, u"宋体", 220);
    m_log.LineScroll(m_log.GetLineCount() - before);
}

void CExampleDlg::OnBnClickedApply() {
    if (!UpdateData(true)) return;
    AppendLog(Format(u"应用: %s %d", m_name, m_count), Rgb(0, 0, 0));
    m_status.SetPaneText(0, Format(u"已应用 %d", m_count));
    m_events.push_back(u"apply");
}

void CExampleDlg::OnBnClickedOpenChild() {
    CExampleChildDlg child(this, 1);
    child.m_value = m_childValue;
    const int result = child.DoModal();
    if (result == IDOK) m_childValue = child.m_value;
    m_events.push_back(Format(u"child %d", result));
}

void CExampleDlg::OnBnClickedBrowse() {
    FileDialog dialog(true, u"bin", {}, OFN_HIDEREADONLY | OFN_FILEMUSTEXIST,
                      u"Bin files (*.bin)|*.bin|Hex files (*.hex)|*.hex|All files (*.*)|*.*||", this);
    if (dialog.DoModal() != IDOK) return;
    SetDlgItemText(IDC_NAME_EDIT, dialog.GetFileName());
    m_events.push_back(u"browse " + dialog.GetFileExt());
}

void CExampleDlg::OnBnClickedAsk() {
    const int answer = fw::MessageBox(this, u"确定要继续吗？", u"提示", MB_YESNO | MB_ICONQUESTION,
                                      {{IDYES, u"&Yes"}, {IDNO, u"&No"}});
    AppendLog(answer == IDYES ? u"继续" : u"不继续", answer == IDYES ? Rgb(10, 200, 10) : Rgb(220, 0, 0));
}

void CExampleDlg::OnBnClickedStartTimer() {
    m_timerTicks = 0;
    m_progress.SetPos(0);
    SetTimer(kTickTimer, 250);
}

void CExampleDlg::OnTimer(uintptr_t id) {
    if (id != kTickTimer) return;
    m_progress.StepIt();
    ++m_timerTicks;
    m_status.SetPaneText(1, Format(u"计时 %d", m_timerTicks));
    if (m_timerTicks == 5) KillTimer(kTickTimer);
}

void CExampleDlg::OnCbnSelchangeSpeed() {
    Control speed = GetDlgItem(IDC_SPEED_COMBO);
    m_events.push_back(u"speed " + speed.GetLBText(speed.GetCurSel()));
}

void CExampleDlg::OnTcnSelchangePages() {
    m_page.ShowWindow(GetDlgItem(IDC_PAGES_TAB).GetCurSel() == 0 ? SW_SHOW : SW_HIDE);
}

void CExampleDlg::OnLevelScroll(const NotifyInfo& info) {
    SetDlgItemText(IDC_LEVEL_TEXT, Format(u"%d", info.position));
}

void CExampleDlg::OnChipsItemChanged(const NotifyInfo& info) {
    m_events.push_back(Format(u"chip %d checked %d selected %d", info.item, info.checked, info.selected));
}

void CExampleDlg::OnFilesDoubleClick(const NotifyInfo& info) {
    m_events.push_back(u"open " + GetDlgItem(IDC_FILES_LIST).GetLBText(info.item));
}

void CExampleDlg::OnEnChangeCount() { m_events.push_back(u"count " + GetDlgItemText(IDC_COUNT_EDIT)); }

void CExampleDlg::OnOptionVerbose() {
    Menu menu = GetMenu();
    const bool checked = menu.IsChecked(ID_OPTION_VERBOSE);
    menu.CheckMenuItem(ID_OPTION_VERBOSE, MF_BYCOMMAND | (checked ? MF_UNCHECKED : MF_CHECKED));
    menu.EnableMenuItem(ID_OPTION_EXPERT, MF_BYCOMMAND | (checked ? MF_ENABLED : MF_GRAYED));
}

void CExampleDlg::OnOptionExpert() { m_events.push_back(u"expert"); }

void CExampleDlg::OnFileExit() { EndDialog(IDCANCEL); }

void CExampleDlg::OnHelpAbout() { fw::MessageBox(this, u"示例 1.0", u"关于", MB_OK | MB_ICONINFORMATION); }

void CExampleDlg::OnSysCommand(unsigned command, LParam lParam) {
    if ((command & 0xFFF0) == IDM_ABOUT_EXAMPLE) {
        OnHelpAbout();
        return;
    }
    DefaultSysCommand(command, lParam);
}

void CExampleDlg::OnClose() {
    if (fw::MessageBox(this, u"确定退出?", u"提示", MB_YESNO | MB_ICONQUESTION) == IDYES) DefaultClose();
}

LResult CExampleDlg::OnExampleStep(WParam wParam, LParam) {
    m_progress.StepIt();
    AppendLog(Format(u"步骤 %u", static_cast<unsigned>(wParam)), Rgb(0, 0, 0));
    return static_cast<LResult>(wParam * 2);
}

bool CExampleDlg::OnDeviceChange(unsigned event, const DeviceChange& change) {
    m_events.push_back((event == DBT_DEVICEARRIVAL ? u"arrived " : u"removed ") + change.name);
    return true;
}
