// Text inside the program is single-byte Windows-1252 ("ANSI"). Source files
// are UTF-8, so literals pass through ansi() once; text leaving the program
// for Qt or a terminal passes through toUtf8().
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <type_traits>

namespace rk {

// UTF-8 to Windows-1252. A character without a Windows-1252 form is a
// programming error (std::invalid_argument): every literal is German text.
std::string ansi(std::string_view utf8);

// Text that may be UTF-8 (an operating-system message under a UTF-8
// locale) to Windows-1252: valid UTF-8 with characters above ASCII is
// converted, a character without a Windows-1252 form becoming '?'; any
// other text is taken to be single-byte already and kept as it is.
std::string ansiFromMaybeUtf8(std::string_view text);

// Windows-1252 to UTF-8. The five unassigned bytes map to the C1 controls of
// the same value, so every byte string survives the round trip.
std::string toUtf8(std::string_view cp1252);

// The Unicode code point of one Windows-1252 byte.
char32_t cp1252ToUnicode(unsigned char byte);

// Upper-cases Windows-1252 text byte by byte: the ASCII letters, the accented
// Latin-1 letters and š œ ž ÿ; ß, ÷ and every other byte stay.
char upperAnsi(char c);
std::string upperAnsi(std::string_view s);

// True when a and b are equal but for the case of upperAnsi.
bool equalsAnsiNoCase(std::string_view a, std::string_view b);

// The ASCII letters only: a..z and A..Z swap, every other byte stays. For
// the words of fixed languages (SQL keywords and parameter names, format
// letters, month names as compared, settings), where a letter above ASCII
// must not match; upperAnsi is the rule for names from the user's data.
constexpr char upperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
constexpr char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
std::string upperAscii(std::string_view s);
std::string lowerAscii(std::string_view s);
bool equalsAsciiNoCase(std::string_view a, std::string_view b);

// True when the text holds no byte above 20 hex (empty, blanks and control
// characters only): such a text counts as no text at all.
constexpr bool isBlankText(std::string_view text)
{
    for (const char c : text)
        if (static_cast<unsigned char>(c) > 0x20) return false;
    return true;
}

namespace detail {
inline const char* formatArg(const std::string& s) { return s.c_str(); }
template <class T>
T formatArg(T v) requires std::is_arithmetic_v<T> || std::is_pointer_v<T> { return v; }
std::string vformat(const char* pattern, ...);
} // namespace detail

// printf-style formatting of a UTF-8 pattern into Windows-1252 text; string
// arguments are already Windows-1252 and are copied unchanged.
template <class... Args>
std::string ansiFormat(std::string_view utf8Pattern, const Args&... args)
{
    const std::string pattern = ansi(utf8Pattern);
    return detail::vformat(pattern.c_str(), detail::formatArg(args)...);
}

} // namespace rk
