// The program's embedded resources: files put into the binary at build time by qx_embed_resources, the resource
// scripts among them parsed once per process, and the language whose templates windows are built from.
#pragma once

#include <optional>
#include <string_view>

#include "framework/Template.h"
#include "framework/Text.h"

namespace fw {

// Called by the code qx_embed_resources generates (static initialisation); `name` is the file's path relative to
// the folder given to qx_embed_resources (BASE), with '/' separators. The bytes must live for the whole run.
void RegisterEmbeddedFile(std::string_view name, std::string_view bytes);

// The bytes of an embedded file, nullopt when there is none of that name.
std::optional<std::string_view> FindEmbeddedFile(std::string_view name);

// Every embedded ".h" is read for #define lines, then every embedded ".rc" is parsed (once, on first use).
// A script's language comes from its LANGUAGE statements; before the first one, from its file name: a name
// ending in "_zh.rc" or ".zh.rc" is Chinese, "_en.rc" or ".en.rc" English, anything else Chinese.
// A parse error is fatal for the program: it throws ResourceError naming file and line.
const ResourceLibrary& EmbeddedResources();
const SymbolTable& EmbeddedSymbols();

// The language windows are built in: English when the primary language (low 10 bits) is English, Chinese for
// every other id. Default Chinese.
void SetResourceLanguage(int languageId);
int ResourceLanguage();

// Resources of the current language, falling back to the other language when one is missing there.
const DialogTemplate* FindDialogTemplate(int id);
const MenuTemplate* FindMenuTemplate(int id);
Text LoadResourceString(int id);  // empty when there is none
// The file bytes of an icon resource (ICO or PNG), nullopt when unknown.
std::optional<std::string_view> IconBytes(int id);

}  // namespace fw
