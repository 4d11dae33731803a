// Text of a table's code page straight to UTF-8, so that a dump shows every
// character the table holds, also those Windows-1252 lacks (Cyrillic, Greek,
// the double-byte code pages).
#pragma once

#include <string>
#include <string_view>

#include <iconv.h>

namespace rk::tools::pxdump {

class TextDecoder {
public:
    // Throws std::invalid_argument when iconv does not know the code page.
    explicit TextDecoder(int codePage);
    ~TextDecoder();
    TextDecoder(const TextDecoder&) = delete;
    TextDecoder& operator=(const TextDecoder&) = delete;

    // A byte sequence the code page does not define becomes U+FFFD.
    std::string operator()(std::string_view bytes) const;

private:
    iconv_t m_cd;
};

} // namespace rk::tools::pxdump
