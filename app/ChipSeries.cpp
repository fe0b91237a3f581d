#include "app/ChipSeries.h"

#include <array>
#include <utility>

#include "framework/Format.h"

namespace {

struct NamedSeries {
    const char16_t* name;
    ChipSeriesCode series;
};

// Order matters: the first hit wins, so shorter names shadow the longer ones after them.
constexpr std::array<NamedSeries, 43> kModelNames = {{
    {u"VK517", 0},  {u"VK515", 0},  {u"VK512", 0},  {u"VK511", 0},  {u"VK51R", 0},  {u"VK51W", 0},  {u"VK51X", 0},
    {u"VK615", 1},  {u"VK425", 2},  {u"VK422", 2},  {u"VK44X", 2},  {u"VK43X", 2},  {u"VK42X", 2},  {u"VK4WX", 2},
    {u"VK232", 3},  {u"VK632", 3},  {u"VK230", 4},  {u"VK420", 5},  {u"VK401", 5},  {u"VK620", 5},  {u"VK231", 6},
    {u"VK203", 7},  {u"VK233", 12}, {u"VK727", 8},  {u"VK722", 8},  {u"VK714", 8},  {u"VK713", 8},  {u"VK71X", 8},
    {u"VK72X", 8},  {u"VK73", 9},   {u"VK73X", 9},  {u"VK828", 10}, {u"VK827", 10}, {u"VK825", 10}, {u"VK815", 10},
    {u"VK812", 10}, {u"VK810", 10}, {u"VK82X", 10}, {u"VK81X", 10}, {u"VK266", 11}, {u"VK265", 11}, {u"VK262", 11},
    {u"VK26X", 11},
}};

}  // namespace

std::optional<ChipSeriesCode> ChipSeriesOfModelName(fw::TextView name) {
    const fw::Text upper = fw::ToUpper(name);
    for (const auto& entry : kModelNames) {
        if (fw::Find(upper, entry.name) >= 0) return entry.series;
    }
    return std::nullopt;
}

double ErasableFlashKB(ChipSeriesCode series, double flashSizeKB) {
    constexpr double kSecurityChipReservedKB = 128.0;
    return flashSizeKB - (series == 10 ? kSecurityChipReservedKB : 0.0);
}

bool SeriesHasNoUserPartitions(ChipSeriesCode series) {
    return series == 4 || series == 6 || series == 7 || series == 12;
}

std::vector<uint8_t> PartitionKeyIdChoices(ChipSeriesCode series, int partition) {
    if (series == 5) {
        if (partition == 0) return {0};
        if (partition == 2) return {1};
        return {};
    }
    if (series == 8 || series == 9) return {static_cast<uint8_t>(partition)};
    constexpr int kKeyIds = 32;
    std::vector<uint8_t> ids(kKeyIds);
    for (int id = 0; id < kKeyIds; ++id)
        ids[static_cast<size_t>(id)] = static_cast<uint8_t>(id);
    return ids;
}

std::optional<uint8_t> FixedPartitionKeyId(ChipSeriesCode series, int partition) {
    const std::vector<uint8_t> ids = PartitionKeyIdChoices(series, partition);
    if (ids.size() != 1) return std::nullopt;
    return ids.front();
}

bool PartitionKeyIdAllowed(ChipSeriesCode series, int partition, uint8_t keyId) {
    const std::vector<uint8_t> ids = PartitionKeyIdChoices(series, partition);
    return std::find(ids.begin(), ids.end(), keyId) != ids.end();
}

int PartitionKeyEntry(ChipSeriesCode series, uint8_t keyId) {
    constexpr uint8_t kHighestKeyId = 31;
    if (keyId > kHighestKeyId) return -1;
    if (series == 5) return keyId == 0 ? 30 : keyId == 1 ? 31 : -1;
    if (series == 8 || series == 9) return keyId <= 3 ? 28 + keyId : 31;
    return keyId;
}

uint32_t ProductionPageSize(ChipSeriesCode series) {
    static constexpr uint32_t kPageSizes[13] = {2048, 2048, 2048, 512, 512, 2048, 512, 512, 8192, 8192, 4096, 512, 512};
    return series < 13 ? kPageSizes[series] : 0;
}

fw::Text CapacityText(ChipSeriesCode series, double flashSizeKB) {
    return series == 7 ? fw::Format(u"%.1f", flashSizeKB) : fw::Format(u"%.0f", flashSizeKB);
}
