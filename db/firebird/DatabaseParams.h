// The database parameter block: the attach request's options, built from
// the "name=value" lines of Attachment::params.
//
//   buildDpb({"lc_ctype=ISO8859_1", "user_name=sysdba", "password=..."})
//
// gives version byte 1, then per line the item code and its value in the
// item's kind (text with a one-byte length, one-byte number, four-byte
// number, flag). Unknown and unsupported names, and text values too long
// for their one-byte length, throw EIBClientError.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace rk::target {

std::string buildDpb(const std::vector<std::string>& params);

// The item code of a parameter name without its "isc_dpb_" prefix, in
// lower case; 0 when the name is not one of the 67 known ones.
int dpbItemCode(std::string_view name);

} // namespace rk::target
