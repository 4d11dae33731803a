// The parameter scan and the placeholder scan; see SqlParamScan.h.
#include "db/firebird/SqlParamScan.h"

#include "db/common/Ansi.h"
#include "db/firebird/TargetErrors.h"

namespace rk::target {

namespace {

bool isQuote(char c) { return c == '\'' || c == '"' || c == '`'; }

bool isDelimiter(char c) { return c == ' ' || c == ',' || c == ';' || c == ')' || c == '\r' || c == '\n'; }

bool isNameChar(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '$';
}

[[noreturn]] void parseError(const char* what)
{
    throwClientError(ClientError::SqlParseError, ansi(what));
}

} // namespace

std::vector<std::string> scanParamNames(std::string_view text)
{
    std::vector<std::string> names;
    bool inLiteral = false;
    size_t i = 0;
    const size_t n = text.size();
    while (i < n) {
        const char c = text[i];
        if (isQuote(c)) {
            inLiteral = !inLiteral;
            ++i;
        } else if (c == ':' && !inLiteral) {
            if (i + 1 < n && text[i + 1] == ':') {
                i += 2;  // a literal colon
                continue;
            }
            const size_t start = i + 1;
            size_t j = start;
            while (j < n) {
                const char d = text[j];
                if (isQuote(d))
                    inLiteral = !inLiteral;
                else if (!inLiteral && isDelimiter(d))
                    break;
                ++j;
            }
            std::string name(text.substr(start, j - start));
            if (!name.empty() && isQuote(name.front())) {
                name.erase(0, 1);
                if (!name.empty() && isQuote(name.back())) name.pop_back();
            }
            names.push_back(std::move(name));
            i = j;
        } else {
            ++i;
        }
    }
    return names;
}

ServerStatement scanPlaceholders(std::string_view text)
{
    ServerStatement out;
    out.text.reserve(text.size());
    const size_t n = text.size();
    size_t i = 0;
    while (i < n) {
        const char c = text[i];
        if (c == '\'' || c == '"') {
            out.text += c;
            ++i;
            for (;;) {
                if (i >= n) parseError("EOF im String gefunden");
                const char d = text[i];
                out.text += d;
                ++i;
                if (d == c) {
                    if (i < n && text[i] == c) {  // doubled quote stands for itself
                        out.text += c;
                        ++i;
                        continue;
                    }
                    break;
                }
            }
        } else if (c == '/' && i + 1 < n && text[i + 1] == '*') {
            out.text += "/*";
            i += 2;
            for (;;) {
                if (i >= n) parseError("EOF im Kommentar gefunden");
                if (text[i] == '*' && i + 1 < n && text[i + 1] == '/') {
                    out.text += "*/";
                    i += 2;
                    break;
                }
                out.text += text[i++];
            }
        } else if (c == ':' || c == '?') {
            out.text += '?';
            ++i;
            if (i < n && text[i] == '"') {
                const size_t close = text.find('"', i + 1);
                if (close == std::string_view::npos) parseError("EOF im String gefunden");
                out.names.push_back(upperAscii(text.substr(i + 1, close - i - 1)));
                i = close + 1;
            } else {
                const size_t start = i;
                while (i < n && isNameChar(text[i])) ++i;
                if (i == start) parseError("Parametername erwartet");
                out.names.push_back(upperAscii(text.substr(start, i - start)));
            }
        } else {
            out.text += c;
            ++i;
        }
    }
    return out;
}

} // namespace rk::target
