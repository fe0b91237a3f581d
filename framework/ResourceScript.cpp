// The resource-script subset the program's templates are written in: DIALOG/DIALOGEX with their control
// statements, MENU/MENUEX, STRINGTABLE, ICON and LANGUAGE, plus the preprocessor lines such scripts carry
// (#define, #include, conditionals). Other resource types are skipped whole.
#include <algorithm>
#include <cctype>
#include <limits>
#include <vector>

#include "framework/ResourceLexer.h"
#include "framework/Styles.h"
#include "framework/Template.h"

namespace fw {

std::string ResourceError::What() const { return file + ":" + std::to_string(line) + ": " + message; }

const char* ControlKindName(ControlKind kind) {
    switch (kind) {
        case ControlKind::Static:
            return "static";
        case ControlKind::Frame:
            return "frame";
        case ControlKind::Icon:
            return "icon";
        case ControlKind::GroupBox:
            return "group box";
        case ControlKind::PushButton:
            return "push button";
        case ControlKind::CheckBox:
            return "check box";
        case ControlKind::RadioButton:
            return "radio button";
        case ControlKind::Edit:
            return "edit";
        case ControlKind::ComboBox:
            return "combo box";
        case ControlKind::ListBox:
            return "list box";
        case ControlKind::ListView:
            return "list view";
        case ControlKind::Progress:
            return "progress bar";
        case ControlKind::Slider:
            return "slider";
        case ControlKind::Tab:
            return "tab";
        case ControlKind::RichEdit:
            return "rich edit";
        case ControlKind::StatusBar:
            return "status bar";
    }
    return "control";
}

namespace {

using rc::Lexer;
using rc::Token;
using Kind = Token::Kind;

bool IEquals(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
        if (x != y) return false;
    }
    return true;
}

bool IsWord(const Token& t, std::string_view word) { return t.kind == Kind::Identifier && IEquals(t.text, word); }
bool IsPunct(const Token& t, char c) { return t.kind == Kind::Punct && t.text.size() == 1 && t.text[0] == c; }
bool IsBegin(const Token& t) { return IsWord(t, "BEGIN") || IsPunct(t, '{'); }
bool IsEnd(const Token& t) { return IsWord(t, "END") || IsPunct(t, '}'); }

bool IsMemoryFlag(const Token& t) {
    static constexpr std::string_view kFlags[] = {"PRELOAD", "LOADONCALL", "FIXED",  "MOVEABLE",
                                                  "DISCARDABLE", "PURE",   "IMPURE", "SHARED", "NONSHARED"};
    if (t.kind != Kind::Identifier) return false;
    for (std::string_view f : kFlags) {
        if (IEquals(t.text, f)) return true;
    }
    return false;
}

std::string Describe(const Token& t) {
    switch (t.kind) {
        case Kind::End:
            return "end of file";
        case Kind::String:
            return "string \"" + t.text.substr(0, 40) + "\"";
        case Kind::Directive:
            return "#" + t.text.substr(0, 40);
        default:
            return "'" + t.text.substr(0, 40) + "'";
    }
}

// Expression evaluation over a token source; shared by the script parser and #if/#define lines.
class Evaluator {
public:
    Evaluator(const Lexer& lexer, const SymbolTable& symbols) : m_lexer(lexer), m_symbols(symbols) {}
    virtual ~Evaluator() = default;

    // term ('|' term)*
    long long Expr() {
        long long v = Term();
        while (IsPunct(Peek(), '|')) {
            Take();
            v |= Term();
        }
        return v;
    }

    // unary (('+' | '-' | '&') unary)*
    long long Term() {
        long long v = Unary();
        for (;;) {
            const Token& t = Peek();
            if (IsPunct(t, '+')) {
                Take();
                v = Wrap(static_cast<unsigned long long>(v) + static_cast<unsigned long long>(Unary()));
            } else if (IsPunct(t, '-')) {
                Take();
                v = Wrap(static_cast<unsigned long long>(v) - static_cast<unsigned long long>(Unary()));
            } else if (IsPunct(t, '&') && !m_logical) {
                Take();
                v &= Unary();
            } else {
                return v;
            }
        }
    }

    long long Unary() {
        Token t = Take();
        if (IsPunct(t, '-')) return Wrap(0ull - static_cast<unsigned long long>(Unary()));
        if (IsPunct(t, '~')) return ~Unary();
        if (IsPunct(t, '(')) {
            if (++m_depth > 64) m_lexer.Fail(t.line, "expression is nested too deeply");
            long long v = Expr();
            ExpectPunct(')');
            --m_depth;
            return v;
        }
        if (t.kind == Kind::Number) return t.value;
        if (t.kind == Kind::Identifier) return Symbol(t);
        m_lexer.Fail(t.line, "expected a number, found " + Describe(t));
    }

    long long Symbol(const Token& t) {
        long long v = 0;
        if (auto it = m_symbols.find(t.text); it != m_symbols.end()) return it->second;
        if (rc::LookupBuiltinSymbol(t.text, v)) return v;
        m_lexer.Fail(t.line, "unknown identifier '" + t.text + "'");
    }

    void ExpectPunct(char c) {
        Token t = Take();
        if (!IsPunct(t, c)) m_lexer.Fail(t.line, std::string("expected '") + c + "', found " + Describe(t));
    }

    virtual Token Take() = 0;
    virtual const Token& Peek() = 0;

protected:
    static long long Wrap(unsigned long long v) { return static_cast<long long>(v); }

    const Lexer& m_lexer;
    const SymbolTable& m_symbols;
    bool m_logical = false;
    int m_depth = 0;
};

// Tokens of one preprocessor line.
class LineEvaluator : public Evaluator {
public:
    LineEvaluator(std::string_view text, const Lexer& owner, int line, const SymbolTable& symbols)
        : Evaluator(m_own, symbols), m_own(text, owner.FileName()), m_line(line) {
        m_next = Fetch();
    }

    Token Take() override {
        Token t = std::move(m_next);
        m_next = Fetch();
        return t;
    }
    const Token& Peek() override { return m_next; }

    // #if: '!' , '&&', '||', 'defined', comparisons are enough for what scripts carry.
    bool Condition() {
        m_logical = true;
        bool v = Or();
        if (m_next.kind != Kind::End) m_own.Fail(m_line, "unexpected " + Describe(m_next) + " in #if");
        return v;
    }

private:
    Token Fetch() {
        try {
            Token t = m_own.Next();
            t.line = m_line;
            return t;
        } catch (const ResourceError& e) {
            throw ResourceError{e.file, m_line, e.message};
        }
    }

    bool Or() {
        bool v = And();
        while (IsPunct(m_next, '|')) {
            Take();
            ExpectPunct('|');
            v = And() || v;
        }
        return v;
    }
    bool And() {
        bool v = Compare();
        while (IsPunct(m_next, '&')) {
            Take();
            ExpectPunct('&');
            v = Compare() && v;
        }
        return v;
    }
    bool Compare() {
        long long a = Primary();
        for (;;) {
            if (IsPunct(m_next, '=') || IsPunct(m_next, '!')) {
                bool equal = IsPunct(Take(), '=');
                ExpectPunct('=');
                long long b = Primary();
                a = equal ? a == b : a != b;
            } else if (IsPunct(m_next, '<') || IsPunct(m_next, '>')) {
                bool less = IsPunct(Take(), '<');
                bool orEqual = IsPunct(m_next, '=');
                if (orEqual) Take();
                long long b = Primary();
                a = less ? (orEqual ? a <= b : a < b) : (orEqual ? a >= b : a > b);
            } else {
                return a != 0;
            }
        }
    }
    long long Primary() {
        if (IsPunct(m_next, '!')) {
            Take();
            return Primary() == 0;
        }
        if (IsPunct(m_next, '(')) {
            Take();
            if (++m_depth > 64) m_own.Fail(m_line, "expression is nested too deeply");
            bool v = Or();
            ExpectPunct(')');
            --m_depth;
            return v;
        }
        if (IsWord(m_next, "defined")) {
            Take();
            bool paren = IsPunct(m_next, '(');
            if (paren) Take();
            Token name = Take();
            if (name.kind != Kind::Identifier) m_own.Fail(m_line, "defined() needs a name");
            if (paren) ExpectPunct(')');
            long long ignored = 0;
            return m_symbols.count(name.text) != 0 || rc::LookupBuiltinSymbol(name.text, ignored);
        }
        if (m_next.kind == Kind::Identifier) {  // an unknown name counts as 0, as the C preprocessor has it
            Token name = Take();
            auto it = m_symbols.find(name.text);
            return it == m_symbols.end() ? 0 : it->second;
        }
        return Unary();
    }

    Lexer m_own;
    int m_line;
    Token m_next;
};

// The part of the preprocessor both headers and scripts need: #define and conditionals.
class Preprocessor {
public:
    Preprocessor(const Lexer& lexer, SymbolTable& symbols) : m_lexer(lexer), m_symbols(symbols) {}

    bool Active() const { return m_stack.empty() || m_stack.back().active; }

    void Directive(const Token& d) {
        std::string_view text = d.text;
        size_t p = 0;
        while (p < text.size() && (text[p] == ' ' || text[p] == '\t')) ++p;
        size_t wordEnd = p;
        while (wordEnd < text.size() && (std::isalpha(static_cast<unsigned char>(text[wordEnd])))) ++wordEnd;
        std::string_view word = text.substr(p, wordEnd - p);
        std::string_view rest = text.substr(wordEnd);
        const bool parentActive = Active();
        if (word == "if" || word == "ifdef" || word == "ifndef") {
            if (m_stack.size() > 64) m_lexer.Fail(d.line, "conditionals are nested too deeply");
            bool value = false;
            if (parentActive) value = word == "if" ? Evaluate(rest, d.line) : Defined(rest, d.line) == (word == "ifdef");
            m_stack.push_back({parentActive && value, value, parentActive, false, d.line});
        } else if (word == "elif") {
            if (m_stack.empty() || m_stack.back().sawElse) m_lexer.Fail(d.line, "#elif without #if");
            Cond& c = m_stack.back();
            bool value = c.parentActive && !c.taken && Evaluate(rest, d.line);
            c.active = value;
            c.taken = c.taken || value;
        } else if (word == "else") {
            if (m_stack.empty() || m_stack.back().sawElse) m_lexer.Fail(d.line, "#else without #if");
            Cond& c = m_stack.back();
            c.active = c.parentActive && !c.taken;
            c.taken = true;
            c.sawElse = true;
        } else if (word == "endif") {
            if (m_stack.empty()) m_lexer.Fail(d.line, "#endif without #if");
            m_stack.pop_back();
        } else if (!parentActive) {
            return;
        } else if (word == "define") {
            Define(rest, d.line);
        } else if (word == "undef") {
            LineEvaluator e(rest, m_lexer, d.line, m_symbols);
            Token name = e.Take();
            if (name.kind == Kind::Identifier) m_symbols.erase(name.text);
        } else if (word == "error") {
            m_lexer.Fail(d.line, "#error" + std::string(rest));
        }
        // #include, #pragma, #line and the rest change nothing here: headers are read on their own.
    }

    void Finish() const {
        if (!m_stack.empty()) m_lexer.Fail(m_stack.back().line, "#if without #endif");
    }

private:
    struct Cond {
        bool active;
        bool taken;
        bool parentActive;
        bool sawElse;
        int line;
    };

    bool Evaluate(std::string_view expr, int line) {
        LineEvaluator e(expr, m_lexer, line, m_symbols);
        return e.Condition();
    }

    bool Defined(std::string_view rest, int line) {
        LineEvaluator e(rest, m_lexer, line, m_symbols);
        Token name = e.Take();
        if (name.kind != Kind::Identifier) m_lexer.Fail(line, "#ifdef needs a name");
        long long ignored = 0;
        return m_symbols.count(name.text) != 0 || rc::LookupBuiltinSymbol(name.text, ignored);
    }

    void Define(std::string_view rest, int line) {
        LineEvaluator e(rest, m_lexer, line, m_symbols);
        Token name = e.Take();
        if (name.kind != Kind::Identifier) m_lexer.Fail(line, "#define needs a name");
        if (e.Peek().kind == Kind::End) {
            m_symbols[name.text] = 1;
            return;
        }
        // Values that are no integer expression (strings, macros with parameters) are not ids; leave them out.
        try {
            long long v = e.Expr();
            if (e.Peek().kind == Kind::End) m_symbols[name.text] = v;
        } catch (const ResourceError&) {
        }
    }

    const Lexer& m_lexer;
    SymbolTable& m_symbols;
    std::vector<Cond> m_stack;
};

class ScriptParser : public Evaluator {
public:
    ScriptParser(std::string_view script, std::string_view fileName, SymbolTable& symbols, int language,
                 ResourceLibrary& out)
        : Evaluator(m_lex, symbols),
          m_lex(script, fileName),
          m_pre(m_lex, symbols),
          m_file(fileName),
          m_language(language),
          m_out(out) {}

    void Run() {
        for (;;) {
            Token t = Take();
            if (t.kind == Kind::End) break;
            if (IsWord(t, "LANGUAGE")) {
                m_language = Language();
            } else if (IsWord(t, "STRINGTABLE")) {
                StringTable();
            } else if (t.kind == Kind::Identifier || t.kind == Kind::Number || t.kind == Kind::String) {
                Resource(t);
            } else {
                Fail(t, "expected a resource, found " + Describe(t));
            }
        }
        m_pre.Finish();
    }

    Token Take() override {
        if (!m_havePeek) Fill();
        m_havePeek = false;
        return std::move(m_peek);
    }
    const Token& Peek() override {
        if (!m_havePeek) Fill();
        return m_peek;
    }

private:
    void Fill() {
        for (;;) {
            Token t = m_lex.Next();
            if (t.kind == Kind::Directive) {
                m_pre.Directive(t);
                continue;
            }
            if (t.kind != Kind::End && !m_pre.Active()) continue;
            m_peek = std::move(t);
            m_havePeek = true;
            return;
        }
    }

    [[noreturn]] void Fail(const Token& at, const std::string& message) const { m_lex.Fail(at.line, message); }

    bool Accept(char c) {
        if (!IsPunct(Peek(), c)) return false;
        Take();
        return true;
    }
    void ExpectComma() { ExpectPunct(','); }
    Token ExpectString() {
        Token t = Take();
        if (t.kind != Kind::String) Fail(t, "expected a string, found " + Describe(t));
        return t;
    }
    void ExpectBegin() {
        Token t = Take();
        if (!IsBegin(t)) Fail(t, "expected BEGIN, found " + Describe(t));
    }
    void SkipMemoryFlags() {
        while (IsMemoryFlag(Peek())) Take();
    }

    int IntValue(long long v, const Token& at, long long lo, long long hi, const char* what) {
        if (v < lo || v > hi) Fail(at, std::string(what) + " out of range: " + std::to_string(v));
        return static_cast<int>(v);
    }
    int Id() {
        const Token& at = Peek();
        int line = at.line;
        long long v = Expr();
        if (v < std::numeric_limits<int>::min() || v > 0xFFFFFFFFll) m_lex.Fail(line, "id out of range");
        return static_cast<int>(static_cast<uint32_t>(v));
    }
    int Coordinate() {
        Token at = Peek();
        return IntValue(Expr(), at, -32768, 32767, "coordinate");
    }
    uint32_t Style(uint32_t value) {
        for (;;) {
            bool negate = false;
            if (IsWord(Peek(), "NOT")) {
                Take();
                negate = true;
            }
            uint32_t v = static_cast<uint32_t>(Term());
            value = negate ? (value & ~v) : (value | v);
            if (!Accept('|')) return value;
        }
    }

    int Language() {
        Token at = Peek();
        long long primary = Expr();
        ExpectComma();
        long long sub = Expr();
        if (primary < 0 || primary > 0x3FF || sub < 0 || sub > 0x3F) Fail(at, "language id out of range");
        return static_cast<int>((sub << 10) | primary);
    }

    ResourceSet& Set() { return m_out[m_language]; }

    void Resource(const Token& name) {
        Token type = Take();
        if (type.kind != Kind::Identifier) Fail(type, "expected a resource type after " + Describe(name));
        if (IEquals(type.text, "DIALOGEX") || IEquals(type.text, "DIALOG")) {
            Dialog(ResourceId(name), name.line, IEquals(type.text, "DIALOGEX"));
        } else if (IEquals(type.text, "MENU") || IEquals(type.text, "MENUEX")) {
            Menu(ResourceId(name), IEquals(type.text, "MENUEX"));
        } else if (IEquals(type.text, "ICON")) {
            int id = ResourceId(name);
            SkipMemoryFlags();
            Token file = ExpectString();
            Set().icons[id] = IconResource{id, file.text, m_file};
        } else {
            SkipResource(type);
        }
    }

    int ResourceId(const Token& name) {
        if (name.kind == Kind::Number) return IntValue(name.value, name, 0, 0xFFFF, "resource id");
        if (name.kind == Kind::String) Fail(name, "resources are named by number or #define here");
        return IntValue(Symbol(name), name, 0, 0xFFFF, "resource id");
    }

    // Resource types the program does not use: a file name, or a block that is skipped with what it holds.
    void SkipResource(const Token& type) {
        static constexpr std::string_view kKnown[] = {
            "VERSIONINFO", "ACCELERATORS", "DESIGNINFO", "AFX_DIALOG_LAYOUT", "TEXTINCLUDE", "BITMAP", "CURSOR",
            "RCDATA",      "TOOLBAR",      "HTML",       "DLGINIT",           "MANIFEST",    "FONT",   "MESSAGETABLE"};
        bool known = std::any_of(std::begin(kKnown), std::end(kKnown),
                                 [&](std::string_view k) { return IEquals(type.text, k); });
        if (!known) Fail(type, "unknown resource type '" + type.text + "'");
        SkipMemoryFlags();
        if (Peek().kind == Kind::String) {
            Take();
            if (!IsBegin(Peek())) return;
        }
        for (;;) {
            Token t = Take();
            if (t.kind == Kind::End) Fail(t, "resource " + type.text + " has no BEGIN");
            if (IsBegin(t)) break;
        }
        int depth = 1;
        while (depth > 0) {
            Token t = Take();
            if (t.kind == Kind::End) Fail(t, "BEGIN without END in " + type.text);
            if (IsBegin(t)) ++depth;
            if (IsEnd(t)) --depth;
        }
    }

    void Dialog(int id, int line, bool extended) {
        DialogTemplate d;
        d.id = id;
        d.file = m_file;
        d.line = line;
        SkipMemoryFlags();
        d.rect.x = Coordinate();
        ExpectComma();
        d.rect.y = Coordinate();
        ExpectComma();
        d.rect.width = Coordinate();
        ExpectComma();
        d.rect.height = Coordinate();
        if (extended && Accept(',')) Expr();  // help id
        bool haveStyle = false;
        int language = m_language;
        for (;;) {
            Token t = Take();
            if (IsBegin(t)) break;
            if (IsWord(t, "STYLE")) {
                d.style = Style(0);
                haveStyle = true;
            } else if (IsWord(t, "EXSTYLE")) {
                d.exStyle = Style(0);
            } else if (IsWord(t, "CAPTION")) {
                d.caption = Utf8ToText(ExpectString().text);
            } else if (IsWord(t, "FONT")) {
                Token at = Peek();
                d.font.pointSize = IntValue(Expr(), at, 1, 200, "font size");
                ExpectComma();
                d.font.face = Utf8ToText(ExpectString().text);
                if (Accept(',')) {
                    at = Peek();
                    d.font.weight = IntValue(Expr(), at, 0, 1000, "font weight");
                    if (Accept(',')) {
                        d.font.italic = Expr() != 0;
                        if (Accept(',')) d.font.charset = static_cast<int>(Expr() & 0xFF);
                    }
                }
                d.style |= DS_SETFONT;
            } else if (IsWord(t, "MENU")) {
                Token name = Take();
                d.menuId = ResourceId(name);
            } else if (IsWord(t, "CLASS")) {
                if (Peek().kind == Kind::String) {
                    Take();
                } else {
                    Expr();
                }
            } else if (IsWord(t, "LANGUAGE")) {
                language = Language();
            } else if (IsWord(t, "CHARACTERISTICS") || IsWord(t, "VERSION")) {
                Expr();
            } else {
                Fail(t, "expected a dialog option or BEGIN, found " + Describe(t));
            }
        }
        if (!haveStyle) d.style = WS_POPUP | WS_BORDER | WS_SYSMENU;
        if (!d.caption.empty()) d.style |= WS_CAPTION;
        for (;;) {
            Token t = Take();
            if (IsEnd(t)) break;
            if (t.kind == Kind::End) Fail(t, "dialog has no END");
            d.controls.push_back(Control(t));
        }
        auto& dialogs = m_out[language].dialogs;
        if (dialogs.count(id)) m_lex.Fail(line, "dialog " + std::to_string(id) + " is defined twice");
        dialogs.emplace(id, std::move(d));
    }

    struct Statement {
        std::string_view keyword;
        ControlKind kind;
        const char* windowClass;
        uint32_t style;
        bool hasText;
    };

    static const Statement* FindStatement(std::string_view word) {
        static constexpr uint32_t kChild = WS_CHILD | WS_VISIBLE;
        static const Statement kStatements[] = {
            {"LTEXT", ControlKind::Static, "Static", kChild | SS_LEFT | WS_GROUP, true},
            {"RTEXT", ControlKind::Static, "Static", kChild | SS_RIGHT | WS_GROUP, true},
            {"CTEXT", ControlKind::Static, "Static", kChild | SS_CENTER | WS_GROUP, true},
            {"ICON", ControlKind::Icon, "Static", kChild | SS_ICON, true},
            {"EDITTEXT", ControlKind::Edit, "Edit", kChild | ES_LEFT | WS_BORDER | WS_TABSTOP, false},
            {"PUSHBUTTON", ControlKind::PushButton, "Button", kChild | BS_PUSHBUTTON | WS_TABSTOP, true},
            {"DEFPUSHBUTTON", ControlKind::PushButton, "Button", kChild | BS_DEFPUSHBUTTON | WS_TABSTOP, true},
            {"CHECKBOX", ControlKind::CheckBox, "Button", kChild | BS_CHECKBOX | WS_TABSTOP, true},
            {"AUTOCHECKBOX", ControlKind::CheckBox, "Button", kChild | BS_AUTOCHECKBOX | WS_TABSTOP, true},
            {"STATE3", ControlKind::CheckBox, "Button", kChild | BS_3STATE | WS_TABSTOP, true},
            {"AUTO3STATE", ControlKind::CheckBox, "Button", kChild | BS_AUTO3STATE | WS_TABSTOP, true},
            {"RADIOBUTTON", ControlKind::RadioButton, "Button", kChild | BS_RADIOBUTTON, true},
            {"AUTORADIOBUTTON", ControlKind::RadioButton, "Button", kChild | BS_AUTORADIOBUTTON, true},
            {"GROUPBOX", ControlKind::GroupBox, "Button", kChild | BS_GROUPBOX, true},
            {"COMBOBOX", ControlKind::ComboBox, "ComboBox", kChild | CBS_SIMPLE | WS_TABSTOP, false},
            {"LISTBOX", ControlKind::ListBox, "ListBox", kChild | LBS_NOTIFY | WS_BORDER | WS_VSCROLL | WS_TABSTOP,
             false},
        };
        for (const Statement& s : kStatements) {
            if (IEquals(s.keyword, word)) return &s;
        }
        return nullptr;
    }

    ControlTemplate Control(const Token& keyword) {
        ControlTemplate c;
        c.line = keyword.line;
        if (IsWord(keyword, "CONTROL")) return GenericControl(std::move(c));
        const Statement* s = keyword.kind == Kind::Identifier ? FindStatement(keyword.text) : nullptr;
        if (!s) Fail(keyword, "unknown control statement " + Describe(keyword));
        c.kind = s->kind;
        c.windowClass = s->windowClass;
        if (s->hasText) {
            ControlText(c);
            ExpectComma();
        }
        c.id = Id();
        ExpectComma();
        c.rect.x = Coordinate();
        ExpectComma();
        c.rect.y = Coordinate();
        // ICON may stop after its position; its size then comes from the icon.
        if (c.kind == ControlKind::Icon && !IsPunct(Peek(), ',')) {
            c.style = s->style;
            return c;
        }
        ExpectComma();
        c.rect.width = Coordinate();
        ExpectComma();
        c.rect.height = Coordinate();
        c.style = s->style;
        if (Accept(',')) {
            c.style = Style(c.style);
            if (Accept(',')) c.exStyle = Style(0);
        }
        return c;
    }

    ControlTemplate GenericControl(ControlTemplate c) {
        ControlText(c);
        ExpectComma();
        c.id = Id();
        ExpectComma();
        Token cls = Take();
        if (cls.kind != Kind::String && cls.kind != Kind::Identifier) {
            Fail(cls, "expected a window class, found " + Describe(cls));
        }
        c.windowClass = cls.text;
        ExpectComma();
        c.style = Style(WS_CHILD | WS_VISIBLE);
        ExpectComma();
        c.rect.x = Coordinate();
        ExpectComma();
        c.rect.y = Coordinate();
        ExpectComma();
        c.rect.width = Coordinate();
        ExpectComma();
        c.rect.height = Coordinate();
        if (Accept(',')) c.exStyle = Style(0);
        c.kind = KindOfClass(cls, c.style);
        if (c.kind == ControlKind::Icon && c.iconId == 0 && !c.text.empty()) c.iconId = IconIdOf(c.text, cls);
        if (c.kind == ControlKind::Icon) c.text.clear();
        return c;
    }

    // The caption: a string, or (icons) the name or number of an icon resource.
    void ControlText(ControlTemplate& c) {
        const Token& t = Peek();
        if (t.kind == Kind::String) {
            Token s = Take();
            c.text = Utf8ToText(s.text);
            if (c.kind == ControlKind::Icon) {
                c.iconId = IconIdOf(c.text, s);
                c.text.clear();
            }
            return;
        }
        Token at = t;
        long long v = Expr();
        c.iconId = IntValue(v, at, 0, 0xFFFF, "icon id");
    }

    int IconIdOf(const Text& name, const Token& at) {
        std::string utf8 = TextToUtf8(name);
        if (!utf8.empty() && std::all_of(utf8.begin(), utf8.end(), [](char ch) { return ch >= '0' && ch <= '9'; })) {
            return IntValue(utf8.size() > 6 ? 0x10000 : std::stoll(utf8), at, 0, 0xFFFF, "icon id");
        }
        Token name_token{Kind::Identifier, utf8, 0, at.line};
        return IntValue(Symbol(name_token), at, 0, 0xFFFF, "icon id");
    }

    ControlKind KindOfClass(const Token& cls, uint32_t style) {
        const std::string& n = cls.text;
        if (IEquals(n, "Button")) {
            switch (style & BS_TYPEMASK) {
                case BS_CHECKBOX:
                case BS_AUTOCHECKBOX:
                case BS_3STATE:
                case BS_AUTO3STATE:
                    return ControlKind::CheckBox;
                case BS_RADIOBUTTON:
                case BS_AUTORADIOBUTTON:
                    return ControlKind::RadioButton;
                case BS_GROUPBOX:
                    return ControlKind::GroupBox;
                default:
                    return ControlKind::PushButton;
            }
        }
        if (IEquals(n, "Static")) {
            uint32_t type = style & SS_TYPEMASK;
            if (type == SS_ICON) return ControlKind::Icon;
            if ((type >= SS_BLACKRECT && type <= SS_WHITEFRAME) || (type >= SS_ETCHEDHORZ && type <= SS_ETCHEDFRAME)) {
                return ControlKind::Frame;
            }
            return ControlKind::Static;
        }
        if (IEquals(n, "Edit")) return ControlKind::Edit;
        if (IEquals(n, "ComboBox")) return ControlKind::ComboBox;
        if (IEquals(n, "ListBox")) return ControlKind::ListBox;
        if (IEquals(n, "SysListView32")) return ControlKind::ListView;
        if (IEquals(n, "msctls_progress32")) return ControlKind::Progress;
        if (IEquals(n, "msctls_trackbar32")) return ControlKind::Slider;
        if (IEquals(n, "SysTabControl32")) return ControlKind::Tab;
        if (IEquals(n, "msctls_statusbar32")) return ControlKind::StatusBar;
        if (IEquals(n.substr(0, std::min<size_t>(n.size(), 8)), "RichEdit")) return ControlKind::RichEdit;
        Fail(cls, "unknown control class \"" + n + "\"");
    }

    void Menu(int id, bool extended) {
        MenuTemplate m;
        m.id = id;
        const int language = OptionsUntilBegin("MENU");
        m.items = MenuItems(extended, 0);
        auto& menus = m_out[language].menus;
        if (menus.count(id)) Fail(Peek(), "menu " + std::to_string(id) + " is defined twice");
        menus.emplace(id, std::move(m));
    }

    std::vector<MenuItemTemplate> MenuItems(bool extended, int depth) {
        if (depth > 16) Fail(Peek(), "menus are nested too deeply");
        std::vector<MenuItemTemplate> items;
        for (;;) {
            Token t = Take();
            if (IsEnd(t)) return items;
            if (t.kind == Kind::End) Fail(t, "menu has no END");
            MenuItemTemplate item;
            if (IsWord(t, "MENUITEM")) {
                if (IsWord(Peek(), "SEPARATOR")) {
                    Take();
                    item.separator = true;
                } else {
                    item.text = Utf8ToText(ExpectString().text);
                    extended ? ExtendedOptions(item, false) : ItemOptions(item, true);
                }
            } else if (IsWord(t, "POPUP")) {
                item.popup = true;
                item.text = Utf8ToText(ExpectString().text);
                extended ? ExtendedOptions(item, true) : ItemOptions(item, false);
                ExpectBegin();
                item.items = MenuItems(extended, depth + 1);
            } else {
                Fail(t, "expected MENUITEM, POPUP or END, found " + Describe(t));
            }
            items.push_back(std::move(item));
        }
    }

    // MENU: MENUITEM "text", id [, option ...]; POPUP "text" [, option ...]. Options may be separated by
    // commas or blanks.
    void ItemOptions(MenuItemTemplate& item, bool withId) {
        if (withId) {
            ExpectComma();
            item.id = Id();
        }
        for (;;) {
            Accept(',');
            const Token& t = Peek();
            if (IsWord(t, "CHECKED")) {
                item.checked = true;
            } else if (IsWord(t, "GRAYED")) {
                item.grayed = true;
            } else if (IsWord(t, "INACTIVE")) {
                item.inactive = true;
            } else if (IsWord(t, "MENUBARBREAK") || IsWord(t, "MENUBREAK") || IsWord(t, "HELP")) {
            } else {
                return;
            }
            Take();
        }
    }

    // MENUEX: MENUITEM "text" [, [id] [, [type] [, [state]]]]; POPUP adds [, helpid].
    void ExtendedOptions(MenuItemTemplate& item, bool popup) {
        long long values[4] = {0, 0, 0, 0};
        const int count = popup ? 4 : 3;
        for (int i = 0; i < count && Accept(','); ++i) {
            if (IsPunct(Peek(), ',') || IsBegin(Peek()) || IsEnd(Peek()) || IsWord(Peek(), "MENUITEM") ||
                IsWord(Peek(), "POPUP")) {
                continue;
            }
            values[i] = Expr();
        }
        if (!popup) item.id = static_cast<int>(values[0]);
        item.separator = (values[1] & 0x0800) != 0;
        item.grayed = (values[2] & 0x0003) != 0;
        item.checked = (values[2] & 0x0008) != 0;
    }

    // Memory flags and the optional statements of a menu or string table, up to its BEGIN; answers the language
    // the resource belongs to.
    int OptionsUntilBegin(const char* what) {
        SkipMemoryFlags();
        int language = m_language;
        for (;;) {
            Token t = Take();
            if (IsBegin(t)) return language;
            if (IsWord(t, "LANGUAGE")) {
                language = Language();
            } else if (IsWord(t, "CHARACTERISTICS") || IsWord(t, "VERSION")) {
                Expr();
            } else {
                Fail(t, std::string("expected BEGIN after ") + what + ", found " + Describe(t));
            }
        }
    }

    void StringTable() {
        const int language = OptionsUntilBegin("STRINGTABLE");
        auto& strings = m_out[language].strings;
        for (;;) {
            if (IsEnd(Peek())) {
                Take();
                return;
            }
            if (Peek().kind == Kind::End) Fail(Peek(), "STRINGTABLE has no END");
            Token at = Peek();
            int id = IntValue(Expr(), at, 0, 0xFFFF, "string id");
            Accept(',');
            Token text = ExpectString();
            if (strings.count(id)) Fail(at, "string " + std::to_string(id) + " is defined twice");
            strings.emplace(id, Utf8ToText(text.text));
        }
    }

    Lexer m_lex;
    Preprocessor m_pre;
    std::string m_file;
    int m_language;
    ResourceLibrary& m_out;
    Token m_peek;
    bool m_havePeek = false;
};

}  // namespace

void ParseDefines(std::string_view header, std::string_view fileName, SymbolTable& symbols) {
    // Only preprocessor lines matter in a header; everything else (declarations, comments) is passed over.
    Lexer lexer(header, fileName);
    Preprocessor pre(lexer, symbols);
    size_t pos = header.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
    int line = 1;
    bool inComment = false;
    while (pos <= header.size()) {
        size_t end = header.find('\n', pos);
        if (end == std::string_view::npos) end = header.size();
        std::string_view text = header.substr(pos, end - pos);
        int lines = 1;
        // Join continued lines.
        std::string joined;
        while (!text.empty() && (text.back() == '\\' || (text.size() > 1 && text.back() == '\r' &&
                                                         text[text.size() - 2] == '\\')) &&
               end < header.size()) {
            joined += std::string(text.substr(0, text.find_last_of('\\'))) + " ";
            pos = end + 1;
            end = header.find('\n', pos);
            if (end == std::string_view::npos) end = header.size();
            text = header.substr(pos, end - pos);
            ++lines;
        }
        if (!joined.empty()) {
            joined += std::string(text);
            text = joined;
        }
        size_t first = text.find_first_not_of(" \t");
        if (!inComment && first != std::string_view::npos && text[first] == '#') {
            Token d;
            d.kind = Token::Kind::Directive;
            d.line = line;
            std::string body(text.substr(first + 1));
            if (size_t c = body.find("//"); c != std::string::npos) body.erase(c);
            while (!body.empty() && (body.back() == '\r' || body.back() == ' ' || body.back() == '\t')) {
                body.pop_back();
            }
            d.text = body;
            pre.Directive(d);
        }
        // Block comments may hide lines that look like directives.
        for (size_t i = 0; i + 1 < text.size(); ++i) {
            if (!inComment && text[i] == '/' && text[i + 1] == '/') break;
            if (!inComment && text[i] == '/' && text[i + 1] == '*') {
                inComment = true;
                ++i;
            } else if (inComment && text[i] == '*' && text[i + 1] == '/') {
                inComment = false;
                ++i;
            }
        }
        line += lines;
        pos = end + 1;
    }
    pre.Finish();
}

void ParseResourceScript(std::string_view script, std::string_view fileName, SymbolTable& symbols,
                         int defaultLanguage, ResourceLibrary& out) {
    ScriptParser parser(script, fileName, symbols, defaultLanguage, out);
    parser.Run();
}

}  // namespace fw
