#include "core/MessageBoxEx.h"

#include <utility>
#include <vector>

#include "framework/Host.h"
#include "framework/MessageBox.h"

int g_bEnglishUi = 0;

namespace {

// Only these four are relabelled; Abort, Retry and Ignore keep the host's own words.
constexpr std::pair<int, const char16_t*> kEnglishLabels[] = {
    {fw::IDYES, u"&Yes"},
    {fw::IDNO, u"&No"},
    {fw::IDOK, u"&OK"},
    {fw::IDCANCEL, u"&Cancel"},
};

std::vector<std::pair<int, fw::Text>> EnglishLabelsFor(uint32_t style) {
    std::vector<std::pair<int, fw::Text>> labels;
    for (int button : fw::MessageBoxButtons(style)) {
        for (const auto& [id, label] : kEnglishLabels) {
            if (id == button) labels.emplace_back(id, label);
        }
    }
    return labels;
}

}  // namespace

int CMessageBoxEx::MessageBox(const fw::Window* owner, fw::Text text, uint32_t style) const {
    if (g_bEnglishUi == 1) return fw::MessageBox(owner, text, u"Tip", style, EnglishLabelsFor(style));
    return fw::MessageBox(owner, text, u"提示", style);
}
