// Name comparison and naming rules of the source engine: names of
// connections, aliases, tables and fields are compared without regard to
// case in Windows-1252, and a result column whose name is already taken
// gets "%s_%d" with the first free number.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "db/common/Ansi.h"

namespace rk::source {

// Names are folded with the one Windows-1252 upper-casing of db/common and
// compared by its equalsAnsiNoCase.
using rk::upperAnsi;
using rk::equalsAnsiNoCase;

// `plain`, or "%s_%d" of it with the first number from 1 up that no name
// in `taken` has (compared without regard to case).
std::string uniqueFieldName(const std::string& plain, const std::vector<std::string>& taken);

// A file system path as Windows-1252 text for messages; characters without
// a Windows-1252 form become '?'.
std::string pathText(const std::string& utf8Path);

} // namespace rk::source
