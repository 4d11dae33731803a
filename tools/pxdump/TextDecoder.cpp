// iconv from the table's code page to UTF-8; see TextDecoder.h.
#include "tools/pxdump/TextDecoder.h"

#include <cerrno>
#include <stdexcept>

#include "db/paradox/reader/CodePage.h"

namespace rk::tools::pxdump {

TextDecoder::TextDecoder(int codePage)
{
    const std::string name = source::paradox::detail::iconvName(codePage);
    m_cd = iconv_open("UTF-8", name.c_str());
    if (m_cd == reinterpret_cast<iconv_t>(-1))
        throw std::invalid_argument("Die Codepage " + std::to_string(codePage) + " wird nicht unterstützt.");
}

TextDecoder::~TextDecoder() { iconv_close(m_cd); }

std::string TextDecoder::operator()(std::string_view bytes) const
{
    iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
    std::string out;
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = bytes.size();
    char buf[1024];
    while (inLeft > 0) {
        char* dst = buf;
        size_t dstLeft = sizeof buf;
        const size_t r = iconv(m_cd, &in, &inLeft, &dst, &dstLeft);
        out.append(buf, static_cast<size_t>(dst - buf));
        if (r != static_cast<size_t>(-1) || errno == E2BIG) continue;
        // EILSEQ, or EINVAL for a sequence cut off at the end: one byte is
        // shown as the replacement character, and decoding goes on after it.
        out += "\xEF\xBF\xBD";
        ++in;
        --inLeft;
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
    }
    return out;
}

} // namespace rk::tools::pxdump
