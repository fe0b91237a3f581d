#include "framework/ResourceLexer.h"

#include <cctype>

namespace fw::rc {

namespace {

bool IsIdentStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool IsIdentChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

Lexer::Lexer(std::string_view source, std::string_view fileName) : m_src(source), m_file(fileName) {
    if (m_src.substr(0, 3) == "\xEF\xBB\xBF") m_pos = 3;
}

void Lexer::Fail(int line, const std::string& message) const { throw ResourceError{m_file, line, message}; }

void Lexer::SkipBlanksAndComments() {
    while (m_pos < m_src.size()) {
        char c = m_src[m_pos];
        if (c == '\n') {
            ++m_line;
            ++m_pos;
            m_atLineStart = true;
        } else if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') {
            ++m_pos;
        } else if (c == '/' && m_pos + 1 < m_src.size() && m_src[m_pos + 1] == '/') {
            while (m_pos < m_src.size() && m_src[m_pos] != '\n') ++m_pos;
        } else if (c == '/' && m_pos + 1 < m_src.size() && m_src[m_pos + 1] == '*') {
            int startLine = m_line;
            m_pos += 2;
            while (m_pos + 1 < m_src.size() && !(m_src[m_pos] == '*' && m_src[m_pos + 1] == '/')) {
                if (m_src[m_pos] == '\n') ++m_line;
                ++m_pos;
            }
            if (m_pos + 1 >= m_src.size()) Fail(startLine, "comment is not closed");
            m_pos += 2;
        } else {
            return;
        }
    }
}

Token Lexer::Next() {
    SkipBlanksAndComments();
    Token t;
    t.line = m_line;
    if (m_pos >= m_src.size()) return t;
    const bool lineStart = m_atLineStart;
    m_atLineStart = false;
    char c = m_src[m_pos];
    if (c == '#' && lineStart) return ReadDirective();
    if (c == '"') return ReadString();
    if ((c == 'L' || c == 'l') && m_pos + 1 < m_src.size() && m_src[m_pos + 1] == '"') {
        ++m_pos;
        return ReadString();
    }
    if (IsDigit(c)) return ReadNumber();
    if (IsIdentStart(c)) {
        size_t start = m_pos;
        while (m_pos < m_src.size() && IsIdentChar(m_src[m_pos])) ++m_pos;
        t.kind = Token::Kind::Identifier;
        t.text = std::string(m_src.substr(start, m_pos - start));
        return t;
    }
    static constexpr std::string_view kPunct = ",|&+-~(){}*/!=<>";
    if (kPunct.find(c) != std::string_view::npos) {
        ++m_pos;
        t.kind = Token::Kind::Punct;
        t.text = std::string(1, c);
        return t;
    }
    if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7F) {
        Fail(m_line, "unexpected byte 0x" + std::string(1, "0123456789ABCDEF"[(c >> 4) & 0xF]) +
                         std::string(1, "0123456789ABCDEF"[c & 0xF]));
    }
    Fail(m_line, std::string("unexpected character '") + c + "'");
}

Token Lexer::ReadString() {
    Token t;
    t.kind = Token::Kind::String;
    t.line = m_line;
    ++m_pos;  // opening quote
    std::string out;
    for (;;) {
        if (m_pos >= m_src.size() || m_src[m_pos] == '\n') Fail(t.line, "string is not closed");
        char c = m_src[m_pos++];
        if (c == '"') {
            if (m_pos < m_src.size() && m_src[m_pos] == '"') {  // "" stands for one quote
                out += '"';
                ++m_pos;
                continue;
            }
            break;
        }
        if (c == '\\' && m_pos < m_src.size()) {
            char e = m_src[m_pos++];
            switch (e) {
                case 'n':
                    out += '\n';
                    break;
                case 't':
                    out += '\t';
                    break;
                case 'r':
                    out += '\r';
                    break;
                case 'a':
                    out += '\b';
                    break;
                case '\\':
                    out += '\\';
                    break;
                case '"':
                    out += '"';
                    break;
                case '\n':
                    Fail(t.line, "string is not closed");
                default:
                    out += '\\';
                    out += e;
            }
            continue;
        }
        out += c;
    }
    t.text = std::move(out);
    return t;
}

Token Lexer::ReadNumber() {
    Token t;
    t.kind = Token::Kind::Number;
    t.line = m_line;
    unsigned long long value = 0;
    size_t start = m_pos;
    if (m_src[m_pos] == '0' && m_pos + 1 < m_src.size() && (m_src[m_pos + 1] == 'x' || m_src[m_pos + 1] == 'X')) {
        m_pos += 2;
        size_t digits = 0;
        while (m_pos < m_src.size() && HexDigit(m_src[m_pos]) >= 0) {
            if (value >> 60) Fail(t.line, "number is too large");
            value = value * 16 + static_cast<unsigned>(HexDigit(m_src[m_pos++]));
            ++digits;
        }
        if (digits == 0) Fail(t.line, "hexadecimal number without digits");
    } else {
        while (m_pos < m_src.size() && IsDigit(m_src[m_pos])) {
            if (value > (0x7FFFFFFFFFFFFFFFull - 9) / 10) Fail(t.line, "number is too large");
            value = value * 10 + static_cast<unsigned>(m_src[m_pos++] - '0');
        }
    }
    while (m_pos < m_src.size() && (m_src[m_pos] == 'L' || m_src[m_pos] == 'l' || m_src[m_pos] == 'U' ||
                                    m_src[m_pos] == 'u')) {
        ++m_pos;
    }
    if (m_pos < m_src.size() && IsIdentChar(m_src[m_pos])) {
        Fail(t.line, "malformed number '" + std::string(m_src.substr(start, m_pos - start + 1)) + "'");
    }
    if (value > 0x7FFFFFFFFFFFFFFFull) Fail(t.line, "number is too large");
    t.value = static_cast<long long>(value);
    t.text = std::string(m_src.substr(start, m_pos - start));
    return t;
}

Token Lexer::ReadDirective() {
    Token t;
    t.kind = Token::Kind::Directive;
    t.line = m_line;
    ++m_pos;  // '#'
    std::string text;
    while (m_pos < m_src.size() && m_src[m_pos] != '\n') {
        if (m_src[m_pos] == '\\' && m_pos + 1 < m_src.size() &&
            (m_src[m_pos + 1] == '\n' || (m_src[m_pos + 1] == '\r' && m_pos + 2 < m_src.size() &&
                                          m_src[m_pos + 2] == '\n'))) {
            m_pos += m_src[m_pos + 1] == '\n' ? 2 : 3;
            ++m_line;
            text += ' ';
            continue;
        }
        if (m_src[m_pos] == '/' && m_pos + 1 < m_src.size() && m_src[m_pos + 1] == '/') {
            while (m_pos < m_src.size() && m_src[m_pos] != '\n') ++m_pos;
            break;
        }
        text += m_src[m_pos++];
    }
    while (!text.empty() && (text.back() == '\r' || text.back() == ' ' || text.back() == '\t')) text.pop_back();
    t.text = std::move(text);
    return t;
}

}  // namespace fw::rc
