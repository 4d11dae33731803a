// iconv-built code page tables; see CodePage.h.
#include "db/source/paradox/CodePage.h"

#include <iconv.h>
#include <string>

namespace rk::source::paradox::detail {

std::optional<ByteTable> toAnsiTable(int codePage)
{
    ByteTable table{};
    if (codePage == 1252) {
        for (int i = 0; i < 256; ++i) table[i] = static_cast<char>(i);
        return table;
    }
    if (codePage <= 0 || codePage > 65535) return std::nullopt;
    const std::string from = "CP" + std::to_string(codePage);
    iconv_t cd = iconv_open("WINDOWS-1252", from.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    for (int i = 0; i < 256; ++i) {
        char in = static_cast<char>(i);
        char out[8];
        char* inp = &in;
        char* outp = out;
        size_t inLeft = 1, outLeft = sizeof out;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);  // reset shift state between bytes
        const size_t r = iconv(cd, &inp, &inLeft, &outp, &outLeft);
        table[i] = (r != static_cast<size_t>(-1) && inLeft == 0 && outp - out == 1) ? out[0] : '?';
    }
    iconv_close(cd);
    return table;
}

} // namespace rk::source::paradox::detail
