// The parts of message-box and file-dialog requests that every host reads the same way.
#include "framework/Host.h"

#include <algorithm>

namespace fw {

std::vector<int> MessageBoxButtons(uint32_t style) {
    switch (style & MB_TYPEMASK) {
        case MB_OKCANCEL:
            return {IDOK, IDCANCEL};
        case MB_ABORTRETRYIGNORE:
            return {IDABORT, IDRETRY, IDIGNORE};
        case MB_YESNOCANCEL:
            return {IDYES, IDNO, IDCANCEL};
        case MB_YESNO:
            return {IDYES, IDNO};
        case MB_RETRYCANCEL:
            return {IDRETRY, IDCANCEL};
        default:
            return {IDOK};
    }
}

int MessageBoxDefaultButton(uint32_t style) {
    const std::vector<int> buttons = MessageBoxButtons(style);
    size_t which = 0;
    switch (style & MB_DEFMASK) {
        case MB_DEFBUTTON2:
            which = 1;
            break;
        case MB_DEFBUTTON3:
            which = 2;
            break;
        default:
            break;
    }
    return buttons[std::min(which, buttons.size() - 1)];
}

int MessageBoxCloseAnswer(uint32_t style) {
    const std::vector<int> buttons = MessageBoxButtons(style);
    if (std::find(buttons.begin(), buttons.end(), IDCANCEL) != buttons.end()) return IDCANCEL;
    return buttons.size() == 1 ? buttons.front() : 0;
}

std::vector<FileFilter> ParseFileFilter(TextView filter) {
    // Parts alternate label and pattern list; the filter ends at an empty part ("||").
    std::vector<Text> parts;
    size_t start = 0;
    while (start <= filter.size()) {
        size_t bar = filter.find(u'|', start);
        if (bar == TextView::npos) bar = filter.size();
        parts.emplace_back(filter.substr(start, bar - start));
        start = bar + 1;
    }
    std::vector<FileFilter> filters;
    for (size_t i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].empty() && parts[i + 1].empty()) break;
        FileFilter f;
        f.label = parts[i];
        TextView patterns = parts[i + 1];
        size_t p = 0;
        while (p <= patterns.size()) {
            size_t semi = patterns.find(u';', p);
            if (semi == TextView::npos) semi = patterns.size();
            Text one(patterns.substr(p, semi - p));
            Trim(one);
            if (!one.empty()) f.patterns.push_back(std::move(one));
            p = semi + 1;
        }
        if (f.patterns.empty()) continue;
        filters.push_back(std::move(f));
    }
    return filters;
}

}  // namespace fw
