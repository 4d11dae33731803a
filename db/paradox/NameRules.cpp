// Case folding and naming rules for source names (see NameRules.h).
#include "db/paradox/NameRules.h"

#include <stdexcept>

#include "db/common/Ansi.h"

namespace rk::source {

std::string uniqueFieldName(const std::string& plain, const std::vector<std::string>& taken)
{
    auto isTaken = [&](const std::string& name) {
        for (const auto& t : taken)
            if (equalsAnsiNoCase(t, name)) return true;
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
