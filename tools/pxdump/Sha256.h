// SHA-256 of a byte string as 64 lower-case hex digits; rk_pxdump prints it
// for blob and bytes values instead of their contents.
#pragma once

#include <string>
#include <string_view>

namespace rk::tools::pxdump {

std::string sha256Hex(std::string_view bytes);

} // namespace rk::tools::pxdump
