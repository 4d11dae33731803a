// Windows-1252 <-> UTF-8 conversion for literals and for text shown by Qt.
#include "db/common/Ansi.h"

#include <cstdarg>
#include <stdexcept>
#include <vector>

namespace rk {
namespace {

// Code points of bytes 0x80..0x9F; the rest of the page equals Latin-1.
constexpr char32_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

void appendUtf8(std::string& out, char32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

int unicodeToCp1252(char32_t cp)
{
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
    for (int i = 0; i < 32; ++i)
        if (kHigh[i] == cp) return 0x80 + i;
    return -1;
}

} // namespace

char32_t cp1252ToUnicode(unsigned char byte)
{
    return (byte >= 0x80 && byte < 0xA0) ? kHigh[byte - 0x80] : byte;
}

namespace {

// Decodes one UTF-8 sequence at utf8[i]; 0 when it is not well formed.
size_t decodeUtf8(std::string_view utf8, size_t i, char32_t& cp)
{
    const auto c = static_cast<unsigned char>(utf8[i]);
    size_t len;
    if (c < 0x80) { cp = c; return 1; }
    if ((c & 0xE0) == 0xC0) { cp = c & 0x1F; len = 2; }
    else if ((c & 0xF0) == 0xE0) { cp = c & 0x0F; len = 3; }
    else if ((c & 0xF8) == 0xF0) { cp = c & 0x07; len = 4; }
    else return 0;
    if (i + len > utf8.size()) return 0;
    for (size_t k = 1; k < len; ++k) {
        const auto cc = static_cast<unsigned char>(utf8[i + k]);
        if ((cc & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (cc & 0x3F);
    }
    if ((len == 2 && cp < 0x80) || (len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000)) return 0;
    return len;
}

} // namespace

std::string ansiFromMaybeUtf8(std::string_view text)
{
    bool high = false;
    for (size_t i = 0; i < text.size();) {
        char32_t cp = 0;
        const size_t len = decodeUtf8(text, i, cp);
        if (len == 0) return std::string(text);
        high = high || len > 1;
        i += len;
    }
    if (!high) return std::string(text);
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        char32_t cp = 0;
        i += decodeUtf8(text, i, cp);
        const int b = unicodeToCp1252(cp);
        out += b < 0 ? '?' : static_cast<char>(b);
    }
    return out;
}

std::string ansi(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        char32_t cp;
        size_t len;
        if (c < 0x80) { cp = c; len = 1; }
        else if ((c & 0xE0) == 0xC0) { cp = c & 0x1F; len = 2; }
        else if ((c & 0xF0) == 0xE0) { cp = c & 0x0F; len = 3; }
        else throw std::invalid_argument("ansi(): no Windows-1252 form");
        if (i + len > utf8.size()) throw std::invalid_argument("ansi(): truncated UTF-8");
        for (size_t k = 1; k < len; ++k)
            cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        const int b = unicodeToCp1252(cp);
        if (b < 0) throw std::invalid_argument("ansi(): no Windows-1252 form");
        out += static_cast<char>(b);
        i += len;
    }
    return out;
}

std::string toUtf8(std::string_view cp1252)
{
    std::string out;
    out.reserve(cp1252.size() + cp1252.size() / 8);
    for (char ch : cp1252) appendUtf8(out, cp1252ToUnicode(static_cast<unsigned char>(ch)));
    return out;
}

namespace detail {
std::string vformat(const char* pattern, ...)
{
    va_list args;
    va_start(args, pattern);
    va_list copy;
    va_copy(copy, args);
    const int n = std::vsnprintf(nullptr, 0, pattern, copy);
    va_end(copy);
    std::string out;
    if (n > 0) {
        std::vector<char> buf(static_cast<size_t>(n) + 1);
        std::vsnprintf(buf.data(), buf.size(), pattern, args);
        out.assign(buf.data(), static_cast<size_t>(n));
    }
    va_end(args);
    return out;
}
} // namespace detail

char upperAnsi(char c)
{
    const auto b = static_cast<unsigned char>(c);
    if (b >= 'a' && b <= 'z') return static_cast<char>(b - 32);
    // à..þ to À..Þ, but ÷ (0xF7) has no capital and ß (0xDF) stays ß.
    if (b >= 0xE0 && b <= 0xFE && b != 0xF7) return static_cast<char>(b - 32);
    switch (b) {
    case 0x9A: return static_cast<char>(0x8A); // š
    case 0x9C: return static_cast<char>(0x8C); // œ
    case 0x9E: return static_cast<char>(0x8E); // ž
    case 0xFF: return static_cast<char>(0x9F); // ÿ
    default: return c;
    }
}

namespace {

// A text with each byte folded by one of the case rules.
template <char (*Fold)(char)>
std::string folded(std::string_view s)
{
    std::string out(s);
    for (char& c : out) c = Fold(c);
    return out;
}

template <char (*Fold)(char)>
bool equalFolded(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Fold(a[i]) != Fold(b[i])) return false;
    return true;
}

} // namespace

std::string upperAnsi(std::string_view s) { return folded<upperAnsi>(s); }
bool equalsAnsiNoCase(std::string_view a, std::string_view b) { return equalFolded<upperAnsi>(a, b); }
std::string upperAscii(std::string_view s) { return folded<upperAscii>(s); }
std::string lowerAscii(std::string_view s) { return folded<lowerAscii>(s); }
bool equalsAsciiNoCase(std::string_view a, std::string_view b) { return equalFolded<upperAscii>(a, b); }

} // namespace rk
