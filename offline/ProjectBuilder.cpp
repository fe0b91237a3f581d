#include "offline/ProjectBuilder.h"

#include <algorithm>
#include <array>
#include <ctime>
#include <optional>
#include <vector>

#include "app/ChipSeries.h"
#include "app/OptionItems.h"
#include "core/Aes.h"
#include "core/AppServices.h"
#include "core/BuiltinKeys.h"
#include "core/Crc32.h"
#include "core/FileServices.h"
#include "core/HexText.h"
#include "core/Sha256.h"
#include "core/Translation.h"
#include "framework/Format.h"
#include "offline/ByteStringName.h"
#include "offline/CurrentProject.h"
#include "offline/LinkProject.h"
#include "offline/ProjectKeys.h"
#include "optionbytes/ProjectOptionTexts.h"

namespace {

constexpr uint32_t kMaxPageSize = 1u << 20;

bool PutByteString(fw::TextView text, std::array<uint8_t, kProjectTextMax>& field, uint8_t& length) {
    const std::vector<uint8_t> bytes = NameToByteString(text);
    if (bytes.size() > kProjectTextMax) return false;
    std::ranges::copy(bytes, field.begin());
    length = static_cast<uint8_t>(bytes.size());
    return true;
}

// Decimal with leading blanks and a sign, reading up to the first non-digit; nothing when the value does not fit
// the record's unsigned field.
std::optional<uint32_t> ParseLimit(fw::TextView text) {
    std::size_t at = 0;
    while (at < text.size() && (text[at] == u' ' || text[at] == u'\t'))
        ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == u'+' || text[at] == u'-')) negative = text[at++] == u'-';
    uint64_t value = 0;
    for (; at < text.size() && text[at] >= u'0' && text[at] <= u'9'; ++at) {
        value = value * 10 + (text[at] - u'0');
        if (value > UINT32_MAX) return std::nullopt;
    }
    if (negative && value != 0) return std::nullopt;
    return static_cast<uint32_t>(value);
}

std::array<uint8_t, 32> Sha256Of(std::span<const uint8_t> data) {
    std::array<uint8_t, 32> digest{};
    Sha256Buffer(data.data(), static_cast<int>(data.size()), digest.data());
    return digest;
}

uint32_t Crc32Of(std::span<const uint8_t> data) {
    return Crc32Buffer(data.data(), static_cast<int>(data.size()), nullptr);
}

uint32_t CreationTime() {
    const std::string stamp = fw::TextToUtf8(TimestampForFileName());  // YYYY-MM-DD HH-MM-SS
    const auto number = [&](std::size_t at, std::size_t digits) { return std::atoi(stamp.substr(at, digits).c_str()); };
    std::tm calendar{};
    calendar.tm_year = number(0, 4) - 1900;
    calendar.tm_mon = number(5, 2) - 1;
    calendar.tm_mday = number(8, 2);
    calendar.tm_hour = number(11, 2);
    calendar.tm_min = number(14, 2);
    calendar.tm_sec = number(17, 2);
    calendar.tm_isdst = 0;
    return static_cast<uint32_t>(std::mktime(&calendar));
}

bool FamilyHasPartitionKeys(int family) {
    static constexpr int kWithout[] = {-1, 3, 4, 6, 7, 12};
    return std::ranges::find(kWithout, family) == std::end(kWithout);
}

class Builder {
public:
    Builder(const ProjectPageChoices& c, std::span<const ProjectFileRow> f, CChipSeriesTable& t,
            const OfflineProjectSettings& s, ProjectBuildUi& u)
        : choices(c), files(f), table(t), settings(s), ui(u) {}

    bool Run();

private:
    bool Refuse(const fw::Text& text) {
        ui.ShowMessage(text);
        return false;
    }
    bool CheckPage();
    bool FillHeader();
    bool FillFiles();
    bool FillChip();
    bool FillOptions(ProjectChipRecord& chip);
    bool FillKeys();
    void FillSerialNumber();

    const ProjectPageChoices& choices;
    std::span<const ProjectFileRow> files;
    CChipSeriesTable& table;
    const OfflineProjectSettings& settings;
    ProjectBuildUi& ui;

    int row = 0;
    fw::Text name;
    ProjectConfig record = ProjectConfig::Blank();
};

bool Builder::CheckPage() {
    if (!choices.seriesSelected) return Refuse(TranslateText(u"请先选择MCU类型！"));
    if (!choices.modelSelected) return Refuse(TranslateText(u"请先选择MCU型号！"));
    if (choices.seriesText.empty()) return Refuse(TranslateText(u"MCU类型不能为空！"));
    if (choices.modelText.empty()) return Refuse(TranslateText(u"MCU型号不能为空！"));
    for (int i = 0; i < table.m_rowCount; ++i) {
        if (table.m_rows[i].CHIPMARK == choices.modelText) {
            row = i;
            break;
        }
    }
    name = choices.nameText;
    fw::Remove(name, u' ');
    if (name.empty()) return Refuse(TranslateText(u"项目名称不能为空！"));
    if (name.size() > 64) return Refuse(TranslateText(u"项目名称长度最大支持32个字节！"));
    if (std::ranges::find(choices.storedProjectNames, name) != choices.storedProjectNames.end())
        return Refuse(TranslateText(u"项目名称已存在！"));
    if (!table.LoadFlm(table.FlmPath(row), row)) return Refuse(TranslateText(u"读取算法文件失败！"));
    if (files.empty()) return Refuse(TranslateText(u"请先添加下载文件！"));
    if (files.size() > kProjectFileSlots) return Refuse(TranslateText(u"下载文件数量超过8个！"));
    return ui.RunProjectSetup();
}

bool Builder::FillHeader() {
    HexToBytes(RandomSerial16(), record.serial.data(), record.serial.size());
    std::ranges::copy(settings.downloaderSn, record.downloaderSn.begin());
    record.bindToDownloader = static_cast<uint8_t>(settings.bindToDownloader);
    record.onceOnly = static_cast<uint8_t>(settings.onceOnly);
    record.targetInterface = static_cast<uint8_t>(choices.interfaceIndex);
    record.eraseMode = static_cast<uint8_t>(choices.eraseIndex);
    record.fileCount = static_cast<uint8_t>(files.size());
    record.resetMode = static_cast<uint8_t>(choices.resetIndex);
    record.limitOn = choices.limitChecked ? 1 : 0;
    if (!PutByteString(name, record.name, record.nameLength)) return Refuse(TranslateText(u"项目名称长度超过32字节！"));
    record.zero88.Set(0);
    record.downloadLimit.Set(0);
    if (choices.limitChecked) {
        if (choices.limitText.empty()) return Refuse(TranslateText(u"下载次数不能为空！"));
        const std::optional<uint32_t> limit = ParseLimit(choices.limitText);
        if (!limit) return Refuse(TranslateText(u"下载次数超出范围！"));
        record.downloadLimit.Set(*limit);
    }
    const std::span<const uint8_t> blob(table.m_pAlgoBlob.get(), table.m_algoBlobSize);
    record.algorithm.plainSize.Set(table.m_algoBlobSize);
    record.algorithm.plainSha256 = record.algorithm.storedSha256 = Sha256Of(blob);
    return true;
}

bool Builder::FillFiles() {
    const uint32_t pageSize = static_cast<uint32_t>(HexToInt(table.m_rows[row].PAGESIZE));
    if (pageSize == 0 || pageSize > kMaxPageSize || (pageSize & (pageSize - 1)) != 0)
        return Refuse(TranslateText(u"芯片页大小无效！"));
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (!FillProjectFileRecord(files[i], i, pageSize, record.files[i], ui)) return false;
    }
    return true;
}

bool Builder::FillChip() {
    ProjectChipRecord& chip = record.chip;
    const ChipSeriesRow& model = table.m_rows[row];
    chip.marker.Set(kProjectMarkerValid);
    if (!PutByteString(SeriesNameForRecord(choices.seriesText), chip.series, chip.seriesLength) ||
        !PutByteString(choices.modelText, chip.model, chip.modelLength))
        return Refuse(TranslateText(u"MCU类型或型号名称长度超过32字节！"));
    FillChipValues(model, chip);
    if (choices.partitionsChecked) FillPartitionEntries(settings, chip);
    return FillOptions(chip);
}

bool Builder::FillOptions(ProjectChipRecord& chip) {
    ProjectOptionRecord& option = chip.option;
    if (!choices.optionBytesChecked) {
        return ui.Ask(TranslateText(u"没有配置选项字节，下载程序安全性无法保障！是否继续？"));
    }
    option.marker.Set(kProjectMarkerValid);
    static constexpr int kFirstTextFamilies[] = {0, 1, 2, 5, 8, 9};
    const int family = choices.optionFamily;
    if (std::ranges::find(kFirstTextFamilies, family) != std::end(kFirstTextFamilies)) {
        HexToBytes(g_projectOptionText, option.optionBytes.data(), option.optionBytes.size());
    } else if (family == 10) {
        if (!choices.linkFirmwareVersion.empty() && CompareVersion(u"3.1.6", choices.linkFirmwareVersion) == 1)
            return Refuse(TranslateText(u"离线下载器版本过低,请升级至3.1.6或以上版本！"));
        option.marker.Set(kProjectMarkerOptionItems);
        ProjectExtOptionRecord& ext = record.extOption;
        fw::Text itemText = choices.optionItemText;
        fw::Remove(itemText, u' ');
        const std::size_t count = itemText.size() / 2;
        // Only an item block of four or of eight items is something the downloader can program.
        if (!IsHexText(itemText) || itemText.size() % 2 != 0 ||
            (count != kItemBlockShortBytes && count != kItemBlockFullBytes))
            return Refuse(TranslateText(u"选项字节数据无效！"));
        HexToBytes(itemText, ext.items.data(), count);
        if (!ReadOptionItemBlock(std::span<const uint8_t>(ext.items.data(), count)))
            return Refuse(TranslateText(u"选项字节数据无效！"));
        ext.marker.Set(kProjectMarkerValid);
        ext.count.Set(static_cast<uint32_t>(count));
    } else {
        HexToBytes(g_projectOptionText2, option.optionBytes.data(), option.optionBytes.size());
    }
    return true;
}

bool Builder::FillKeys() {
    const int family = choices.optionFamily;
    if (!FamilyHasPartitionKeys(family)) return true;
    ProjectKeyRecord& keys = record.keys;
    const auto& partitions = record.chip.partitions;
    if (choices.partitionsChecked) {
        for (std::size_t i = 0; i < kProjectPartitions; ++i) {
            if (partitions[i].marker.Get() != kProjectMarkerValid) continue;
            const uint8_t keyId = partitions[i].keyId;
            const int entry = PartitionKeyEntry(static_cast<ChipSeriesCode>(family), keyId);
            if (!PartitionKeyIdAllowed(static_cast<ChipSeriesCode>(family), static_cast<int>(i), keyId) || entry < 0) {
                ui.ShowMessage(fw::Format(TranslateText(u"分区USER%d的密钥ID无效！"), static_cast<int>(i) + 1));
                return false;
            }
            keys.newKey[i] = keys.oldKey[i] = WrapDefaultChipKey(g_defaultChipKeys[static_cast<std::size_t>(entry)]);
            keys.keyMode[i] = 0;
            keys.keyId[i] = keyId;
        }
    }
    return !choices.chipKeyUpdateChecked || FillChipKeyUpdates(record.chip, settings, keys, ui);
}

void Builder::FillSerialNumber() {
    record.snFlags = choices.writeSnChecked ? 1 : 0;
    if (!choices.writeSnChecked) return;
    record.snFlags |= settings.snUseDevice;
    record.snAddress.Set(settings.snAddress);
    record.snInitial.Set(settings.snInitial);
    record.snStep.Set(settings.snStep);
}

bool Builder::Run() {
    if (!CheckPage()) return false;
    if (!FillHeader() || !FillFiles() || !FillChip() || !FillKeys()) return false;
    FillSerialNumber();
    record.createdTime.Set(CreationTime());
    InstallProjectConfig(record);
    return true;
}

}  // namespace

bool FillProjectFileRecord(const ProjectFileRow& file, std::size_t index, uint32_t pageSize, ProjectFileRecord& out,
                           ProjectBuildUi& ui) {
    if (file.data.size() < file.length) {
        ui.ShowMessage(fw::Format(TranslateText(u"文件数据不完整：%s"), file.name));
        return false;
    }
    if (!PutByteString(file.name, out.name, out.nameLength)) {
        ui.ShowMessage(fw::Format(TranslateText(u"文件名称长度超过32字节：%s"), file.name));
        return false;
    }
    out.marker.Set(kProjectMarkerValid);
    out.index = static_cast<uint8_t>(index);
    out.partitionId = file.partitionId;
    out.fileTime.Set(FileModifiedTime(file.path));
    const uint32_t start = static_cast<uint32_t>(HexToInt(file.startText));
    out.startAddress.Set(start);
    const std::span<const uint8_t> data(file.data.data(), file.length);
    out.storedSize.Set(file.length);
    out.storedSha256 = Sha256Of(data);
    if (IsEncipheredFileName(file.name)) {
        out.plainSize.Set(file.plainLength);
        out.plainCrc.Set(file.plainCrc32);
        out.storedCrc.Set(Crc32Of(data));
        out.plainSha256 = file.plainSha256;
    } else {
        out.plainSize.Set(file.length);
        const uint32_t crc = ProjectImageCrc(data, start, pageSize);
        out.plainCrc.Set(crc);
        out.storedCrc.Set(crc);
        out.plainSha256 = out.storedSha256;
    }
    return true;
}

void FillChipValues(const ChipSeriesRow& model, ProjectChipRecord& chip) {
    chip.flashStart.Set(static_cast<uint32_t>(HexToInt(model.FLASHSTARTADDR)));
    chip.pageSize.Set(static_cast<uint32_t>(HexToInt(model.PAGESIZE)));
    chip.flashSize.Set(static_cast<uint32_t>(HexToInt(model.FLASHSIZE)));
    chip.sramStart.Set(static_cast<uint32_t>(HexToInt(model.SRAMSTARTADDR)));
    chip.sramSize.Set(static_cast<uint32_t>(HexToInt(model.SRAMSIZE)));
}

void FillPartitionEntries(const OfflineProjectSettings& settings, ProjectChipRecord& chip) {
    for (std::size_t i = 0; i < kProjectPartitions; ++i) {
        ProjectPartitionEntry& entry = chip.partitions[i];
        entry.marker.Set(settings.partitionConfigured[i]);
        entry.index = static_cast<uint8_t>(i);
        entry.size = settings.partitionSize[i];
        entry.keyId = settings.partitionKeyId[i];
        entry.flags = settings.partitionFlags[i];
    }
}

bool FillChipKeyUpdates(const ProjectChipRecord& chip, const OfflineProjectSettings& settings, ProjectKeyRecord& keys,
                        ProjectBuildUi& ui) {
    const auto& partitions = chip.partitions;
    for (std::size_t i = 0; i < kProjectPartitions; ++i) {
        if (partitions[i].marker.Get() == kProjectMarkerValid && partitions[i].flags != 0 &&
            settings.chipKeyUpdate[i] == 1 && settings.chipKeyId[i] != partitions[i].keyId) {
            const int user = static_cast<int>(i) + 1;
            ui.ShowMessage(fw::Format(
                TranslateText(u"配置分区USER%d时的密钥ID与更新芯片密钥时分区USER%d选择的密钥ID不一致！"), user, user));
            return false;
        }
    }
    for (std::size_t i = 0; i < kProjectPartitions; ++i) {
        if (settings.chipKeyUpdate[i] != 1) continue;
        if (settings.chipKeyId[i] >= g_defaultChipKeys.size()) {
            ui.ShowMessage(fw::Format(TranslateText(u"分区USER%d的密钥ID无效！"), static_cast<int>(i) + 1));
            return false;
        }
        keys.keyId[i] = settings.chipKeyId[i];
        keys.keyMode[i] = 1;
        keys.newKey[i] = settings.chipKeyNew[i];
        keys.oldKey[i] = settings.chipKeyOld[i];
    }
    return true;
}

fw::Text SeriesNameForRecord(const fw::Text& series) {
    if (fw::Find(series, u"VK422") >= 0) return u"VK425";
    if (fw::Find(series, u"VK615") >= 0) return u"VK515";
    if (fw::Find(series, u"VK231") >= 0) return u"VK230";
    return series;
}

std::array<uint8_t, 16> WrapDefaultChipKey(fw::TextView keyText) {
    std::array<uint8_t, 16> block{};
    if (!keyText.empty()) HexToBytes(keyText, block.data(), block.size());
    std::array<uint8_t, 16> wrapKey{};
    HexToBytes(kProjectKeyWrapKey, wrapKey.data(), wrapKey.size());
    AES(wrapKey.data()).EncryptBlock(block.data());
    return block;
}

uint32_t ProjectImageCrc(std::span<const uint8_t> data, uint32_t start, uint32_t pageSize) {
    if (data.size() < pageSize) {
        const uint32_t window = start - start % pageSize;
        const uint64_t end = uint64_t{start} + data.size();
        const std::size_t length = end <= uint64_t{window} + pageSize ? pageSize : 2 * std::size_t{pageSize};
        std::vector<uint8_t> buffer(length, 0xFF);
        std::ranges::copy(data, buffer.begin() + (start - window));
        return Crc32Of(buffer);
    }
    std::vector<uint8_t> padded(data.begin(), data.end());
    padded.resize((padded.size() + 15) / 16 * 16, 0xFF);
    return Crc32Of(padded);
}

bool BuildProjectConfig(const ProjectPageChoices& choices, std::span<const ProjectFileRow> files,
                        CChipSeriesTable& table, const OfflineProjectSettings& settings, ProjectBuildUi& ui) {
    return Builder(choices, files, table, settings, ui).Run();
}
