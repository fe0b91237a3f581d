// The main window: device configuration and connection, the operation log with its status bar and counters, the
// chip's identity and series, the menu, and the download settings that the download road reads.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "app/ChannelSlot.h"
#include "app/ChipSeries.h"
#include "app/DownloadItem.h"
#include "app/DownloadJob.h"
#include "app/DownloadStart.h"
#include "app/InterfaceSpeeds.h"
#include "app/MainWindowState.h"
#include "app/OfflineLink.h"
#include "app/UpdateService.h"
#include "core/ChipSeriesTable.h"
#include "core/MessageBoxEx.h"
#include "devicelib/OvMcuCmdDll.h"
#include "framework/DeviceNotification.h"
#include "framework/Dialog.h"
#include "framework/Sync.h"
#include "lexmira/Lexmira.h"
#include "resources/ui/resource.h"

class CQXDownloadToolDlg : public fw::Dialog {
public:
    // The application object hands over the language chosen at start-up (a LANGID).
    explicit CQXDownloadToolDlg(uint32_t languageId, fw::Window* owner = nullptr);
    ~CQXDownloadToolDlg() override;

    // Reporting; any thread.
    void AppendLog(fw::Text text, uint32_t colour);
    void ReportStatus(ChannelSlot* channel, fw::Text text, int kind);
    void UpdateCounters(int unused = 0);

    // Device list and connection.
    void RefreshDeviceList();
    void ApplyInterfaceControls(InterfaceIndex iface);
    bool ConnectDevice(ChannelSlot* channel);
    bool DisconnectDevice(ChannelSlot* channel);
    bool ReadDeviceInfo();

    // Chip information.
    bool GetChipInfo(ChipInfoBlock info, ChannelSlot* channel);
    void ApplyChipInfo();
    void ShowChipInfo();
    void SeriesFromChipName(fw::Text name);
    int ComputeProgressSteps(ChannelSlot* channel);
    // `read`, when given, receives what the read learnt of the chip's partition keys and layout. A production
    // worker's chip is its job's alone: its read leaves the window's copy of the partitions (the chip of test mode's)
    // and the items' start addresses as they were.
    int ReadPartitions(UserPartitionRecord* records, ChannelSlot* channel, PartitionRead* read = nullptr);
    int ReadOptionBytes(OptionRwBlock* block, ChannelSlot* channel);
    // The protection lift of a download for one channel (null: channel 0); 0 when the chip stays protected.
    int LiftProtection(ChannelSlot* channel);
    // The device option-byte editors' transport of the whole image (operation 0 read, 1 write, 2 write then
    // reset), on a block of its own; sets channel 0's protection state from the image read or written. Short: the
    // read answered fewer bytes than a write sends, zeros past them; shown, never written back, judged not at all.
    // answered, when given, receives how many bytes a read brought.
    enum class OptionTransfer { Failed, Done, NotRead, Short };
    OptionTransfer ReadWriteOptionBytes(DeviceHandle device, std::array<uint8_t, 64>& image, int operation,
                                        uint8_t unused = 0xFF, size_t* answered = nullptr);

    // Menu and controls.
    void UpdateMenuState(int enable);
    // True when a click or menu choice of `id` reaches a handler: the window's message map or one a subsystem
    // added (MainWindowCommands.h).
    bool HandlesCommand(int id) const;
    void LoadKeyTable();
    void AdaptLayoutToSeries();
    void EnableControls(bool enable);
    void ShowChannelRows();
    // The distinct chip series names of the series table, in table order; empty when the table cannot be read.
    void FillChipSeriesList(std::vector<fw::Text>& names);

    // A job's last worker ended: the device-list refresh that a device change asked for meanwhile runs now.
    void RunDeferredDeviceRefresh();
    // True while a download job has workers running.
    static bool JobRunning();
    // How a language change starts the program again; tests put a recorder here.
    static std::function<bool()> s_restartProgram;

    fw::Text PartitionKeyText(int partition) const;
    // The key text of a partition's key id on a chip of the series, from the chip key table under its lock.
    fw::Text PartitionKeyTextOfId(ChipSeriesCode series, uint32_t keyId) const;
    // The window's copy of what the partition read learnt of the keys, and its replacement.
    PartitionRead WindowPartitionRead() const;
    void TakePartitionRead(const PartitionRead& keys);
    // A partition was given a key id: kept in the window and in the profile, where the next read of the partitions,
    // which answers only whether an id is set, finds it.
    void RememberPartitionKeyId(int partition, uint8_t keyId);
    // A download configured the partitions of the chip of test mode: their key ids and enables as the job read them
    // back, and the key texts that open them, replace what the connection read. The item's key id as read stays,
    // the key update of the same download names it.
    void TakeConfiguredPartitions(const PartitionRecords& records);

    // Security chip: the firmware against its information package (1 when they match), the secure-mode token
    // (out: 32 bytes; the status of the random challenge on failure), the external API loads (1 on success) and
    // the external flash key asked for and handed to the chip.
    int VerifyInfoPackage() const;
    StatusCode MakeSecureModeToken(uint8_t out[32]);
    int LoadApiFromNvr();
    int LoadApiFromOpt();
    int LoadApiAutoload();
    void SetExternalFlashKey();

    // Download files and the download start (the partition dialog loads items too).
    bool LoadHexFile(const fw::Text& path, int item);
    bool LoadBinFile(const fw::Text& path, int item);
    // What the Download button hands every job: the settings as the window stands now.
    std::shared_ptr<const DownloadJobSettings> TakeJobSettings() const;
    // A download project: false on any rejection, with nothing changed and no message of its own.
    bool LoadProjectFile(const fw::Text& path);
    // The chip check of a loaded project against the connected chip, then the window laid out for its series.
    bool ApplyProjectChip();
    bool LoadExternalFlashDriver();
    bool CheckDownloadRange(uint32_t start, uint64_t last, ChannelSlot* slot);
    bool CheckDownloadSettings();
    void StartDownload();

    // State shared with the rest of the program (Part names kept).
    std::atomic<uint8_t> m_chipSeries{0};
    std::atomic<uint8_t> m_interface{0};
    uint8_t m_prevInterface = 0;
    fw::Text m_deviceName;
    uint32_t m_baudRate = 0;
    uint8_t m_productionMode = 0;
    uint8_t m_eraseMode = 0;
    uint8_t m_downloadArea = 0;
    uint8_t m_encOption = 0, m_extId = 0, m_extType = 0;
    uint8_t m_fileAreaCount = 1;
    fw::Text m_extFlashKey;
    std::vector<fw::Text> m_extFlashDriverNames;
    uint8_t m_writeOptionBytes = 0;
    // What the download project chosen last brought: its chip's series name and the option bytes it writes.
    fw::Text m_projectSeriesName;
    std::optional<std::array<uint8_t, 20>> m_projectOptionBytes;
    OptionRwBlock m_fileOptionBytes{};  // what a hex file brought; never a chip read
    DownloadItems m_items;
    double m_flashSizeKB = 0.0;
    uint32_t m_partitionUnitKB = 0, m_pageSize = 0;
    uint32_t m_flashBase = 0x08000000;
    std::vector<uint32_t> m_partitionKeyIds;
    std::vector<fw::Text> m_keyTable;
    mutable std::mutex m_keyTableLock;  // download workers read and store chip keys
    CMessageBoxEx m_msgBox;
    int m_restartRequested = 0;
    lexmira::wxLocale* m_pLocale = nullptr;
    fw::Text m_chipModel, m_bootVersionText, m_bootSubVersionText, m_uidText, m_capacityText;
    fw::Text m_ucid;
    fw::Text m_profileUcid, m_chipMark;
    uint32_t m_readStart = 0, m_readEnd = 0;
    ChipInfoBlock m_chipInfo{};
    UserPartitionRecord m_partitions[3]{};
    KeyUpdateRecord m_keyUpdates[3]{};
    uint8_t m_securityFileKind = 0xFF, m_setKeyMode = 0;
    uint32_t m_safeModuleAddr = 0x15000000;
    std::vector<uint8_t> m_safeModuleData;
    uint32_t m_safeModuleSize = 0;
    uint32_t m_flashAreaLimit = 0x151DFFFF;  // the 2048 KB chips' limit until a chip tells otherwise
    uint8_t m_infoPackMode = 2;
    std::array<uint8_t, 12> m_infoPackNonce{};   // as in the package, enciphered
    std::array<uint8_t, 16> m_rek{}, m_idKey{};  // as in the package, enciphered
    std::vector<uint8_t> m_optionTable;          // the package's option items
    uint32_t m_jtagKey = 0;
    std::array<uint8_t, 16> m_extFlashKeyBytes{};
    uint8_t m_crcAfterDownload = 0;
    std::atomic<uint32_t> m_packetSize{0};  // production workers plan their progress at once
    int m_seriesIndex = 0;
    CChipSeriesTable m_seriesTable;
    fw::Text m_hostIpText, m_toolVersion;
    fw::Text m_updateFilePath, m_updaterPath;
    std::atomic<DeviceHandle> m_hDevice{0};  // production workers each set it when they connect
    std::atomic<int> m_connected{0};
    fw::Text m_fileExt;
    std::array<uint8_t, 16> m_builtinKey{};
    fw::Text m_sysConfigPath, m_seriesTablePath, m_workDir;
    int m_hIcon = IDR_MAINFRAME;

    // The offline downloader's identity from the last successful read; a disconnect keeps them.
    fw::Text m_linkFirmwareVersion, m_linkSerialText;
    // The firmware upgrade: online (a file the firmware check fetched, named in m_linkFirmwareFile, with the
    // version the server named and the fetched size shown) or manual (a file the user picks). UI thread only.
    int m_firmwareUpdateOnline = 0;
    fw::Text m_linkFirmwareFile, m_latestVersion, m_fetchedSizeText;
    // The link to the offline downloader, made on first use by the installed factory; null without one.
    OfflineLink* GetOfflineLink();
    // After a hold on the offline link: a link that is no longer open on a present downloader is disconnected,
    // with "设备已断开！", as an unplug is.
    void NoticeOfflineLinkLoss();
    // True, after a box that says what is under way, while long work relies on the offline link
    // (OfflineLink::Reserved); the commands that would change the link or reach the downloader ask first.
    bool RefuseWhileLinkReserved();
    // The update checks, made on first use by the installed factory once the window has opened; null without one.
    UpdateService* GetUpdateService();

    fw::Control m_deviceCombo, m_vidEdit, m_pidEdit;
    fw::Control m_log, m_progress, m_statusBar;

protected:
    bool OnInitDialog() override;
    void DoDataExchange(fw::DataExchange& dx) override;
    void OnCancel() override;
    // Commands the message map does not name go to the handlers the subsystems added (MainWindowCommands.h).
    void OnDefaultCommand(int id) override;

private:
    friend uint32_t ConnectionMonitorThread(CQXDownloadToolDlg* window);
    friend class MainWindowJobHost;

    void LoadSettings();
    bool RegisterDeviceEvents();
    void CreateStatusBar();
    void InitChannelRows();
    void LoadProfileSettings();
    fw::Text SysConfigString(fw::TextView key, fw::TextView def, size_t size = 260) const;
    int SysConfigInt(fw::TextView key, int def) const;
    void WriteSysConfig(fw::TextView key, fw::TextView value) const;
    bool RefuseWhileJobRuns();
    // `why`: the box's text (translated); empty for the one a running download gives.
    bool RefuseWhileBusy(bool busy, const fw::Text& why = {});
    void StopMonitor();
    // Closing: the update checks and their downloads stop fetching.
    void StopUpdates();
    void StartMonitor();
    void DisconnectChannel0Locked();
    void NoticeOfflineLinkRemoval();
    void SetPaneText(int pane, const fw::Text& text);
    fw::Control RowControl(int row, int part) const;
    // Greys every menu item and disables every push button whose command reaches no handler, so nothing is
    // offered that would do nothing; the rules decide only among the handled ones.
    void WithholdUnhandledCommands();
    bool WithholdUnhandledItems(fw::Menu popup);
    InterfaceIndex SelectedInterface() const;
    // The window at the collapsed size of production mode (folded) or at its full size, where it stands.
    void ResizeToPanel(bool folded);

    // Message map.
    void OnSysCommand(unsigned command, fw::LParam lParam);
    void OnClose();
    bool OnDeviceChange(unsigned event, const fw::DeviceChange& change);
    void OnTimer(uintptr_t id);
    fw::LResult OnProgressStep(fw::WParam wParam, fw::LParam lParam);
    fw::LResult OnProgressRange(fw::WParam wParam, fw::LParam lParam);
    fw::LResult OnSetTotalPane(fw::WParam wParam, fw::LParam lParam);
    fw::LResult OnSetPassPane(fw::WParam wParam, fw::LParam lParam);
    fw::LResult OnSetFailPane(fw::WParam wParam, fw::LParam lParam);
    fw::LResult OnStartUpdater(fw::WParam wParam, fw::LParam lParam);
    void OnCbnSelchangeInterface();
    void OnCbnSelchangeDevice();
    void OnBnClickedConnect();
    void OnBnClickedCrcCheck();
    void OnCbnSelchangeEraseMode();
    void OnBnClickedClear();
    void OnTestMode();
    void OnProductionMode();
    void OnBnClickedHide();
    void OnBnClickedProductionDownload();
    void OnBnClickedRecount();
    void OnClearLog();
    void OnLanguageChinese();
    void OnLanguageEnglish();
    void SwitchLanguage(int language);
    void OnUserManual();
    fw::LResult OnManualOpened(fw::WParam opened, fw::LParam);
    void TellManualNotOpened();
    void OnAboutVersion();
    void OnFlashCrcAfterDownloading();
    void OnGetChipInformation();
    void OnEraseAllFlash();
    void OnEnableReadProtectionL1();
    void OnEnableReadProtectionL2();
    void OnDisableReadProtectionL1();
    void OnReset();
    void OnFlashSeal();
    void OnBnClickedBrowseSafeModule();
    void OnBnClickedBrowseInfoPackage();
    void OnBnClickedBrowseJtagKey();
    void OnBnClickedJtagMode();
    void OnBnClickedSafeModule();
    void OnBnClickedFirmwareFile();
    void OnLoadApiFromNvr();
    void OnLoadApiFromOpt();
    void OnLoadApiAutoload();
    void OnUpdateExternalFlashKey();
    fw::Text BrowseForOpen(fw::TextView filter);
    StatusCode RequestRandomChallenge(std::array<uint8_t, 16>& challenge);
    int LoadExternalApi(uint8_t source, fw::Text failureLine, fw::Text successLine);
    void OnBnClickedBrowse();
    void OnBnClickedDownload();
    void OnCbnSelchangeDownloadArea();
    void OnCbnSelchangeEncOption();
    void OnCbnSelchangeExternalType();
    void OnBnClickedL2AfterDownload();
    void ApplySeries11FileAreas(bool plainFile);
    static const fw::MessageMap<CQXDownloadToolDlg> kMessages;

    uint32_t m_languageId;
    bool m_chipInfoFresh = false;  // the chip answered since the last ApplyChipInfo
    std::unique_ptr<fw::WorkerThread> m_monitorThread;
    std::atomic<bool> m_monitorRunning{false};
    std::atomic<bool> m_deviceRefreshDeferred{false};
    std::unique_ptr<fw::NamedMutex> m_deviceMutex;
    std::unique_ptr<DownloadHost> m_jobHost;
    std::unique_ptr<OfflineLink> m_offlineLink;
    std::unique_ptr<UpdateService> m_updateService;
    std::mutex m_counterReportMutex;
    std::mutex m_partitionReadMutex;  // production workers read partitions in turn  // never taken by the UI thread, so
                                      // a worker may send while holding it
    DownloadWorkers m_workers;        // last, so the workers end before the window's state goes
};

uint32_t ConnectionMonitorThread(CQXDownloadToolDlg* window);

// The about box (template 100): the version history of the interface language.
class CAboutDlg : public fw::Dialog {
public:
    CAboutDlg() : fw::Dialog(IDD_ABOUTBOX) {}

protected:
    bool OnInitDialog() override;
};

// The version histories the About box shows.
extern const fw::Text g_strVersionHistoryZh;
extern const fw::Text g_strVersionHistoryEn;
