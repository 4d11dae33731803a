// The two readings of a statement text's ":NAME" parameters.
//
// scanParamNames() gives the statement's parameter list (one entry per
// occurrence, names as written): quotes of any of the three kinds toggle
// one literal flag, "::" is a literal colon, a name ends at a blank, comma,
// semicolon, ")" , CR or LF.
//
// scanPlaceholders() gives the text sent to the server, each parameter
// replaced by "?", and the upper-cased names in placeholder order; it knows
// /* comments */ and doubled quotes, and fails with EIBClientError
// "Fehler bei der SQL-Auswertung:..." on a malformed parameter or an
// unterminated comment or literal.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace rk::target {

std::vector<std::string> scanParamNames(std::string_view text);

struct ServerStatement {
    std::string text;
    std::vector<std::string> names;
};

ServerStatement scanPlaceholders(std::string_view text);

} // namespace rk::target
