// Reading stored decimals; see Bcd.h.
#include "db/common/Bcd.h"

#include <algorithm>

namespace rk::db {

std::optional<BcdValue> readBcd(const BcdValue& stored)
{
    const std::vector<uint8_t>& d = stored.digits;
    const int n = static_cast<int>(d.size());
    const int scale = std::max(stored.scale, 0);
    // Digits standing before the first decimal dropped (n for a value with
    // no more than kBcdDecimalsRead decimals); below 0 when every digit lies
    // below half a unit of the last decimal kept.
    const int keep = n - scale + std::min(scale, kBcdDecimalsRead);
    const int deciding = std::clamp(keep + 1, 0, n);
    for (int i = 0; i < deciding; ++i)
        if (d[i] > 9) return std::nullopt;

    BcdValue out;
    out.scale = std::min(scale, kBcdDecimalsRead);
    out.digits.assign(d.begin(), d.begin() + std::clamp(keep, 0, n));
    if (keep >= 0 && keep < n) {
        int end = keep + 1;
        while (end < n && d[end] <= 9) ++end;
        bool rest = false;
        for (int i = keep + 1; i < end && !rest; ++i) rest = d[i] != 0;
        const bool odd = !out.digits.empty() && out.digits.back() % 2 != 0;
        if (d[keep] > 5 || (d[keep] == 5 && (rest || odd))) {
            int i = static_cast<int>(out.digits.size()) - 1;
            for (; i >= 0 && out.digits[i] == 9; --i) out.digits[i] = 0;
            if (i >= 0) ++out.digits[i];
            else out.digits.insert(out.digits.begin(), 1);
        }
    }
    // No zeros before the integer digits, as the reader stores them.
    size_t lead = 0;
    while (lead < out.digits.size() && out.digits[lead] == 0 &&
           out.digits.size() - lead > static_cast<size_t>(out.scale))
        ++lead;
    out.digits.erase(out.digits.begin(), out.digits.begin() + static_cast<std::ptrdiff_t>(lead));
    out.negative = stored.negative && std::any_of(out.digits.begin(), out.digits.end(), [](uint8_t x) { return x; });
    return out;
}

} // namespace rk::db
