// The projects a downloader keeps: each a record with its flash algorithm and files, filed under the record's
// name, one of them active. A project arrives in frames and is filed only when everything arrived and checked.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace linksim {

inline constexpr std::size_t kProjectRecordSize = 1716;

struct StoredProject {
    std::vector<uint8_t> name;
    std::array<uint8_t, kProjectRecordSize> record{};
    std::vector<uint8_t> blob;
    std::vector<std::vector<uint8_t>> files;
    uint32_t downloads = 0;  // downloads started with it
};

// A transfer under way: the record first, then the algorithm, then the files in order.
struct IncomingProject {
    std::array<uint8_t, 32> recordDigest{};
    std::vector<uint8_t> record;
    bool recordDone = false;
    std::vector<uint8_t> name;
    int target = -2;  // 0xFF the algorithm, 0..7 a file, -2 none started
    bool targetDone = false;
    std::vector<uint8_t> data;
    std::vector<uint8_t> blob;
    std::vector<std::vector<uint8_t>> files;
};

struct ProjectStoreState {
    std::size_t capacity = 8;
    std::vector<StoredProject> projects;
    std::optional<std::size_t> active;
    std::optional<IncomingProject> incoming;
    int cancelledTransfers = 0;
    // The record being read back piece by piece, and how far.
    std::vector<uint8_t> readingName;
    std::size_t readOffset = 0;
    int downloadsStarted = 0;
};

}  // namespace linksim
