// Parsed resource scripts: dialog templates, menus, string tables and icons, one set per language.
// Resource scripts are embedded into the program at build time (qx_embed_resources) and parsed once.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "framework/Text.h"

namespace fw {

// x, y, width and height; in dialog units inside templates, in pixels everywhere else.
struct Rect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    int Right() const { return x + width; }
    int Bottom() const { return y + height; }
    bool operator==(const Rect&) const = default;
};

struct Size {
    int width = 0;
    int height = 0;
    bool operator==(const Size&) const = default;
};

// What a control is, decided from its statement or window class and its type bits.
enum class ControlKind {
    Static,      // LTEXT/RTEXT/CTEXT and "Static" that is neither icon nor frame; alignment in SS_TYPEMASK
    Frame,       // "Static" rectangles, frames and etched lines (SS_BLACKFRAME, SS_ETCHEDHORZ ...)
    Icon,        // ICON statement or SS_ICON; the icon's resource id is in ControlTemplate::iconId
    GroupBox,    // GROUPBOX or BS_GROUPBOX
    PushButton,  // PUSHBUTTON/DEFPUSHBUTTON, "Button" with BS_PUSHBUTTON/BS_DEFPUSHBUTTON
    CheckBox,    // CHECKBOX/AUTOCHECKBOX/STATE3, "Button" with a check-box type
    RadioButton, // RADIOBUTTON/AUTORADIOBUTTON, "Button" with a radio type
    Edit,        // EDITTEXT or "Edit"
    ComboBox,    // COMBOBOX or "ComboBox"; CBS_TYPEMASK tells simple, drop-down or drop-down list
    ListBox,     // LISTBOX or "ListBox"
    ListView,    // "SysListView32"
    Progress,    // "msctls_progress32"
    Slider,      // "msctls_trackbar32"
    Tab,         // "SysTabControl32"
    RichEdit,    // "RichEdit20W", "RICHEDIT50W" and alike: the colour log
    StatusBar,   // "msctls_statusbar32"; normally created at run time, not from a template
};

const char* ControlKindName(ControlKind kind);

struct ControlTemplate {
    ControlKind kind = ControlKind::Static;
    std::string windowClass;  // as written in the script, or the class the statement implies ("Button", "Edit" ...)
    Text text;                // caption; empty for controls without one
    int id = -1;
    int iconId = 0;        // ICON controls: the icon resource shown (resolved from the caption); 0 otherwise
    uint32_t style = 0;    // WS_* and class bits, with the defaults of the statement applied (WS_VISIBLE ...)
    uint32_t exStyle = 0;
    Rect rect;             // dialog units, relative to the dialog's client area
    int line = 0;          // line of the statement in its file, for messages
};

struct FontSpec {
    int pointSize = 9;
    Text face;  // e.g. "宋体" or "MS Shell Dlg"
    int weight = 400;
    bool italic = false;
    int charset = 1;
};

struct DialogTemplate {
    int id = 0;
    Rect rect;  // dialog units; x/y is the position relative to the owner, usually 0
    uint32_t style = 0;
    uint32_t exStyle = 0;
    Text caption;
    FontSpec font;
    int menuId = 0;  // MENU statement, 0 when none
    std::vector<ControlTemplate> controls;
    std::string file;
    int line = 0;
};

struct MenuItemTemplate {
    Text text;  // "&" marks the mnemonic, "\t" separates the accelerator text
    int id = 0;
    bool separator = false;
    bool popup = false;
    bool checked = false;
    bool grayed = false;
    bool inactive = false;  // disabled without being drawn grey
    std::vector<MenuItemTemplate> items;  // popups only
};

struct MenuTemplate {
    int id = 0;
    std::vector<MenuItemTemplate> items;  // the bar: normally popups
};

struct IconResource {
    int id = 0;
    std::string file;    // as written in the script, relative to the script's folder
    std::string script;  // the script that declares it
};

// Every resource of one language.
struct ResourceSet {
    std::map<int, DialogTemplate> dialogs;
    std::map<int, MenuTemplate> menus;
    std::map<int, Text> strings;
    std::map<int, IconResource> icons;
};

// Language id (2052 Chinese, 1033 English) to that language's resources.
using ResourceLibrary = std::map<int, ResourceSet>;

inline constexpr int kLangChinese = 2052;
inline constexpr int kLangEnglish = 1033;

// Numeric values of the symbolic ids a script uses: "#define IDC_NAME 1001" lines of its header.
using SymbolTable = std::map<std::string, long long, std::less<>>;

// Thrown by the parsers; the message names file and line ("example.rc:12: ...").
struct ResourceError {
    std::string file;
    int line = 0;
    std::string message;
    std::string What() const;
};

// Adds the "#define NAME value" lines of a header to `symbols` (other lines are ignored). Values may be
// decimal, hexadecimal, negative, parenthesised or a name defined earlier.
void ParseDefines(std::string_view header, std::string_view fileName, SymbolTable& symbols);

// Parses one resource script (UTF-8, a BOM is skipped) into `out`. Resources go to `defaultLanguage` until a
// LANGUAGE statement names another. Ids may be numbers or names of `symbols`; #define lines add to `symbols`,
// other preprocessor lines are skipped. Throws ResourceError on the first error.
void ParseResourceScript(std::string_view script, std::string_view fileName, SymbolTable& symbols,
                         int defaultLanguage, ResourceLibrary& out);

}  // namespace fw
