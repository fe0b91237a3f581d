#include "framework/Resources.h"

#include <atomic>
#include <map>
#include <mutex>
#include <string>

namespace fw {

namespace {

struct Registry {
    std::mutex mutex;
    std::map<std::string, std::string_view, std::less<>> files;
};

Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

std::atomic<int> g_language{kLangChinese};

bool EndsWith(std::string_view s, std::string_view tail) {
    return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
}

int LanguageOfFileName(std::string_view name) {
    if (EndsWith(name, "_en.rc") || EndsWith(name, ".en.rc")) return kLangEnglish;
    return kLangChinese;
}

struct Parsed {
    SymbolTable symbols;
    ResourceLibrary library;
};

const Parsed& ParsedResources() {
    // Parsed on first use; files are registered before main, so the set is complete by then.
    static const Parsed parsed = [] {
        Parsed p;
        std::map<std::string, std::string_view, std::less<>> files;
        {
            std::lock_guard lock(TheRegistry().mutex);
            files = TheRegistry().files;
        }
        for (const auto& [name, bytes] : files) {
            if (EndsWith(name, ".h")) ParseDefines(bytes, name, p.symbols);
        }
        for (const auto& [name, bytes] : files) {
            if (EndsWith(name, ".rc")) ParseResourceScript(bytes, name, p.symbols, LanguageOfFileName(name), p.library);
        }
        return p;
    }();
    return parsed;
}

const ResourceSet* SetFor(int language) {
    const ResourceLibrary& lib = EmbeddedResources();
    auto it = lib.find(language);
    return it == lib.end() ? nullptr : &it->second;
}

template <class Map>
const typename Map::mapped_type* FindInLanguages(int id, Map ResourceSet::*member) {
    const int current = ResourceLanguage();
    const int other = current == kLangEnglish ? kLangChinese : kLangEnglish;
    for (int language : {current, other}) {
        if (const ResourceSet* set = SetFor(language)) {
            auto it = (set->*member).find(id);
            if (it != (set->*member).end()) return &it->second;
        }
    }
    return nullptr;
}

}  // namespace

void RegisterEmbeddedFile(std::string_view name, std::string_view bytes) {
    std::lock_guard lock(TheRegistry().mutex);
    TheRegistry().files[std::string(name)] = bytes;
}

std::optional<std::string_view> FindEmbeddedFile(std::string_view name) {
    std::lock_guard lock(TheRegistry().mutex);
    auto it = TheRegistry().files.find(name);
    if (it == TheRegistry().files.end()) return std::nullopt;
    return it->second;
}

const ResourceLibrary& EmbeddedResources() { return ParsedResources().library; }
const SymbolTable& EmbeddedSymbols() { return ParsedResources().symbols; }

void SetResourceLanguage(int languageId) {
    g_language = (languageId & 0x3FF) == (kLangEnglish & 0x3FF) ? kLangEnglish : kLangChinese;
}

int ResourceLanguage() { return g_language; }

const DialogTemplate* FindDialogTemplate(int id) { return FindInLanguages(id, &ResourceSet::dialogs); }
const MenuTemplate* FindMenuTemplate(int id) { return FindInLanguages(id, &ResourceSet::menus); }

Text LoadResourceString(int id) {
    const Text* s = FindInLanguages(id, &ResourceSet::strings);
    return s ? *s : Text();
}

std::optional<std::string_view> IconBytes(int id) {
    // Icon files are named relative to the script that declares them.
    const int current = ResourceLanguage();
    const int other = current == kLangEnglish ? kLangChinese : kLangEnglish;
    for (int language : {current, other}) {
        const ResourceSet* set = SetFor(language);
        if (!set) continue;
        auto it = set->icons.find(id);
        if (it == set->icons.end()) continue;
        std::string file = it->second.file;
        for (char& c : file) {
            if (c == '\\') c = '/';
        }
        const std::string& script = it->second.script;
        size_t slash = script.rfind('/');
        if (slash != std::string::npos) {
            if (auto bytes = FindEmbeddedFile(script.substr(0, slash + 1) + file)) return bytes;
        }
        if (auto bytes = FindEmbeddedFile(file)) return bytes;
    }
    return std::nullopt;
}

}  // namespace fw
