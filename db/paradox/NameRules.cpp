// Case folding and naming rules for source names (see NameRules.h).
#include "db/paradox/NameRules.h"

#include <stdexcept>

#include "db/common/Ansi.h"

namespace rk::source {

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

std::string upperAnsi(std::string_view s)
{
    std::string out(s);
    for (char& c : out) c = upperAnsi(c);
    return out;
}

bool equalsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (upperAnsi(a[i]) != upperAnsi(b[i])) return false;
    return true;
}

std::string uniqueFieldName(const std::string& plain, const std::vector<std::string>& taken)
{
    auto isTaken = [&](const std::string& name) {
        for (const auto& t : taken)
            if (equalsNoCase(t, name)) return true;
        return false;
    };
    if (!isTaken(plain)) return plain;
    for (int n = 1;; ++n) {
        std::string candidate = plain + "_" + std::to_string(n);
        if (!isTaken(candidate)) return candidate;
    }
}

std::string pathText(const std::string& utf8Path)
{
    try {
        return ansi(utf8Path);
    } catch (const std::invalid_argument&) {
        // Not UTF-8, or characters beyond Windows-1252: keep ASCII, mark the rest.
        std::string out;
        for (char c : utf8Path) out += (static_cast<unsigned char>(c) < 0x80) ? c : '?';
        return out;
    }
}

} // namespace rk::source
