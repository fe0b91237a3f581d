// printf-style formatting of wide text with the conversions the program's format texts were written for:
// %d %i %u %x %X %o %c %s %f %e %E %g %G %p %%, flags "-+ 0#", width, precision, "*", and the length prefixes
// hh h l ll L I I32 I64 z j t w. "%s" takes text, "%08s" pads with zeros.
//
// Format texts come from translation catalogs at run time, so a wrong one must not hurt: a conversion whose
// argument has the wrong kind is written out as it stands (its argument is still used up, so the next conversions
// keep their pairing), a conversion without an argument is written out too, extra arguments are ignored.
// Arguments are captured with their kind, never read through a C variable argument list.
#pragma once

#include <array>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

#include "framework/Text.h"

namespace fw {

struct FormatArg {
    enum class Kind : std::uint8_t { Signed, Unsigned, Char, Floating, String, Pointer };

    Kind kind = Kind::Signed;
    std::int64_t signedValue = 0;
    std::uint64_t unsignedValue = 0;
    double floatingValue = 0.0;
    TextView string;
    bool nullString = false;
    const void* pointer = nullptr;
};

namespace format_detail {

template <class T>
concept Integer = std::integral<T> && !std::same_as<T, bool> && !std::same_as<T, char16_t>;

template <class T>
concept PointeeOfPointerArg =
    !std::same_as<std::remove_cv_t<T>, char> && !std::same_as<std::remove_cv_t<T>, char16_t> && !std::is_function_v<T>;

}  // namespace format_detail

inline FormatArg MakeFormatArg(bool value) {
    FormatArg a;
    a.kind = FormatArg::Kind::Unsigned;
    a.unsignedValue = value ? 1 : 0;
    return a;
}

inline FormatArg MakeFormatArg(char16_t value) {
    FormatArg a;
    a.kind = FormatArg::Kind::Char;
    a.unsignedValue = value;
    return a;
}

template <format_detail::Integer T>
FormatArg MakeFormatArg(T value) {
    FormatArg a;
    if constexpr (std::is_signed_v<T>) {
        a.kind = FormatArg::Kind::Signed;
        a.signedValue = value;
    } else {
        a.kind = FormatArg::Kind::Unsigned;
        a.unsignedValue = value;
    }
    return a;
}

template <class T>
requires std::is_enum_v<T> FormatArg MakeFormatArg(T value) {
    return MakeFormatArg(static_cast<std::underlying_type_t<T>>(value));
}

template <std::floating_point T>
FormatArg MakeFormatArg(T value) {
    FormatArg a;
    a.kind = FormatArg::Kind::Floating;
    a.floatingValue = static_cast<double>(value);
    return a;
}

inline FormatArg MakeFormatArg(TextView value) {
    FormatArg a;
    a.kind = FormatArg::Kind::String;
    a.string = value;
    return a;
}

inline FormatArg MakeFormatArg(const Text& value) { return MakeFormatArg(TextView(value)); }

inline FormatArg MakeFormatArg(const char16_t* value) {
    if (value == nullptr) {
        FormatArg a;
        a.kind = FormatArg::Kind::String;
        a.nullString = true;
        return a;
    }
    return MakeFormatArg(TextView(value));
}

inline FormatArg MakeFormatArg(char16_t* value) { return MakeFormatArg(static_cast<const char16_t*>(value)); }

inline FormatArg MakeFormatArg(std::nullptr_t) {
    FormatArg a;
    a.kind = FormatArg::Kind::Pointer;
    return a;
}

template <format_detail::PointeeOfPointerArg T>
FormatArg MakeFormatArg(T* value) {
    FormatArg a;
    a.kind = FormatArg::Kind::Pointer;
    a.pointer = static_cast<const void*>(value);
    return a;
}

// Narrow text has no single meaning here (UTF-8 or raw bytes?); convert it to Text first.
FormatArg MakeFormatArg(const char*) = delete;
FormatArg MakeFormatArg(const std::string&) = delete;
FormatArg MakeFormatArg(std::string_view) = delete;

// The formatter proper; Format below packs its arguments and calls this.
Text FormatArgs(TextView format, const FormatArg* args, std::size_t count);

template <class... Args>
Text Format(TextView format, const Args&... args) {
    const std::array<FormatArg, sizeof...(Args)> packed{MakeFormatArg(args)...};
    return FormatArgs(format, packed.data(), packed.size());
}

}  // namespace fw
