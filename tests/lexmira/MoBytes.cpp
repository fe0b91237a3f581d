#include "MoBytes.h"

void MoBytes::PutWord(std::string& bytes, size_t at, uint32_t value) {
    if (bytes.size() < at + 4) bytes.resize(at + 4, '\0');
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<char>(value >> (8 * i));
}

std::string MoBytes::Header(uint32_t magic, uint32_t count, uint32_t sourceTable, uint32_t translationTable,
                            size_t size) {
    std::string bytes(size, '\0');
    PutWord(bytes, 0, magic);
    PutWord(bytes, 8, count);
    PutWord(bytes, 12, sourceTable);
    PutWord(bytes, 16, translationTable);
    bytes.resize(size < 28 ? size : bytes.size());
    return bytes;
}

std::string MoBytes::Catalog(const std::vector<std::pair<std::string, std::string>>& pairs) {
    const uint32_t count = static_cast<uint32_t>(pairs.size());
    const uint32_t sourceTable = 28;
    const uint32_t translationTable = sourceTable + 8 * count;
    std::string bytes = Header(0x950412DE, count, sourceTable, translationTable, translationTable + 8 * count);
    for (uint32_t i = 0; i < count; ++i) {
        for (int side = 0; side < 2; ++side) {
            const std::string& text = side == 0 ? pairs[i].first : pairs[i].second;
            const uint32_t table = side == 0 ? sourceTable : translationTable;
            PutWord(bytes, table + 8 * i, static_cast<uint32_t>(text.size()));
            PutWord(bytes, table + 8 * i + 4, static_cast<uint32_t>(bytes.size()));
            bytes += text;
            bytes += '\0';
        }
    }
    return bytes;
}
