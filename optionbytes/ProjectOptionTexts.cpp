#include "optionbytes/ProjectOptionTexts.h"

#include <algorithm>
#include <vector>

#include "core/HexText.h"

fw::Text g_projectOptionText;
fw::Text g_projectOptionText2;

fw::Text ProjectOptionTextOf(const ProjectOptionBytes& bytes) { return BytesToHex(bytes); }

void StoreProjectOptionText(fw::TextView text, ProjectOptionBytes& bytes) {
    // Decoded into a temporary first: only whole digit pairs of the text count.
    std::vector<uint8_t> decoded(std::min(text.size() / 2, bytes.size()));
    HexToBytes(text.substr(0, decoded.size() * 2), decoded.data(), decoded.size());
    std::copy(decoded.begin(), decoded.end(), bytes.begin());
}
