// The program's wide text: UTF-16 code units, as several of its results (hex of code units, byte strings kept
// as characters) depend on that. Narrow text is UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace fw {

using Text = std::u16string;
using TextView = std::u16string_view;

// Accessors follow the program's string conventions: positions are int, out-of-range arguments are clamped
// instead of throwing, and "not found" is -1.
Text Mid(TextView s, int first);
Text Mid(TextView s, int first, int count);
Text Left(TextView s, int count);
Text Right(TextView s, int count);
int Find(TextView s, TextView what, int start = 0);
int Find(TextView s, char16_t ch, int start = 0);
int ReverseFind(TextView s, char16_t ch);

// Mutators change the text in place.
int Replace(Text& s, TextView from, TextView to);  // answers the number of replacements
int Replace(Text& s, char16_t from, char16_t to);
int Remove(Text& s, char16_t ch);  // answers the number of characters removed
Text& Trim(Text& s);               // white space: blank, tab, CR, LF, VT, FF
Text& TrimLeft(Text& s);
Text& TrimRight(Text& s);
Text& Trim(Text& s, char16_t ch);
Text& TrimLeft(Text& s, char16_t ch);
Text& TrimRight(Text& s, char16_t ch);
Text& MakeUpper(Text& s);  // ASCII letters only, as the "C" locale does
Text& MakeLower(Text& s);

Text ToUpper(TextView s);
Text ToLower(TextView s);

// Comparison without regard to ASCII case: <0, 0 or >0.
int CompareNoCase(TextView a, TextView b);
bool EqualsNoCase(TextView a, TextView b);

// Conversions never throw: malformed UTF-8 and lone surrogates become U+FFFD.
Text Utf8ToText(std::string_view utf8);
std::string TextToUtf8(TextView text);

}  // namespace fw
