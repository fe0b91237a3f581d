// Tokens of a resource script. Private to the resource-script parser.
#pragma once

#include <string>
#include <string_view>

#include "framework/Template.h"

namespace fw::rc {

struct Token {
    enum class Kind { End, Identifier, Number, String, Punct, Directive };
    Kind kind = Kind::End;
    std::string text;     // identifier, punctuation, the string's decoded UTF-8, or the directive's line after '#'
    long long value = 0;  // numbers
    int line = 0;
};

class Lexer {
public:
    Lexer(std::string_view source, std::string_view fileName);

    Token Next();
    [[noreturn]] void Fail(int line, const std::string& message) const;
    const std::string& FileName() const { return m_file; }

private:
    void SkipBlanksAndComments();
    Token ReadString();
    Token ReadNumber();
    Token ReadDirective();

    std::string_view m_src;
    std::string m_file;
    size_t m_pos = 0;
    int m_line = 1;
    bool m_atLineStart = true;
};

// The symbolic names a script may use without defining them: style bits, standard ids, language ids.
bool LookupBuiltinSymbol(std::string_view name, long long& value);

}  // namespace fw::rc
