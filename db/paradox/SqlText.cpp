// Lines, parameters and table-name rewriting of source SQL (see SqlText.h).
#include "db/paradox/SqlText.h"

#include <optional>
#include <string>
#include <vector>

#include "db/common/Ansi.h"

namespace rk::source {
namespace {

// Letters, digits, '_', and every byte above 0x7F (accented letters of
// Windows-1252 names), as SQLite's tokenizer reads identifiers.
bool isNameChar(char c)
{
    const auto b = static_cast<unsigned char>(c);
    return b >= 0x80 || (b >= '0' && b <= '9') || (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || b == '_' ||
           b == '$';
}

// Length of the quoted section or comment starting at sql[i], or 0 when none
// starts there. Unterminated ones run to the end of the text.
size_t skipQuotedOrComment(std::string_view sql, size_t i)
{
    const char c = sql[i];
    auto runTo = [&](size_t from, std::string_view end) {
        const size_t e = sql.find(end, from);
        return e == std::string_view::npos ? sql.size() - i : e + end.size() - i;
    };
    if (c == '\'' || c == '"' || c == '`') {
        size_t j = i + 1;
        while (j < sql.size()) {
            if (sql[j] == c) {
                if (j + 1 < sql.size() && sql[j + 1] == c) { j += 2; continue; } // doubled quote
                return j + 1 - i;
            }
            ++j;
        }
        return sql.size() - i;
    }
    if (c == '[') return runTo(i + 1, "]");
    if (c == '-' && i + 1 < sql.size() && sql[i + 1] == '-') return runTo(i + 2, "\n");
    if (c == '/' && i + 1 < sql.size() && sql[i + 1] == '*') return runTo(i + 2, "*/");
    return 0;
}

} // namespace

std::vector<std::string> splitLines(std::string_view text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n') continue;
        lines.emplace_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) lines.emplace_back(text.substr(start));
    return lines;
}

std::string joinLines(const std::vector<std::string>& lines)
{
    std::string out;
    for (const auto& l : lines) {
        out += l;
        out += "\r\n";
    }
    return out;
}

std::vector<std::string> parameterNames(std::string_view sql)
{
    std::vector<std::string> names;
    for (size_t i = 0; i < sql.size();) {
        if (size_t q = skipQuotedOrComment(sql, i)) { i += q; continue; }
        if (sql[i] != ':') { ++i; continue; }
        if (i + 1 < sql.size() && sql[i + 1] == ':') { i += 2; continue; }
        size_t j = i + 1;
        if (j < sql.size() && sql[j] == '"') {
            const size_t close = sql.find('"', j + 1);
            if (close != std::string_view::npos) {
                names.emplace_back(sql.substr(j + 1, close - j - 1));
                i = close + 1;
                continue;
            }
        }
        while (j < sql.size() && isNameChar(sql[j])) ++j;
        if (j > i + 1) names.emplace_back(sql.substr(i + 1, j - i - 1));
        i = j;
    }
    return names;
}

std::string stripTableExtensions(std::string_view sql)
{
    std::string out;
    out.reserve(sql.size());
    for (size_t i = 0; i < sql.size();) {
        if (size_t q = skipQuotedOrComment(sql, i)) {
            out.append(sql.substr(i, q));
            i += q;
            continue;
        }
        if (!isNameChar(sql[i])) { out += sql[i++]; continue; }
        size_t j = i;
        while (j < sql.size() && isNameChar(sql[j])) ++j;
        out.append(sql.substr(i, j - i));
        const bool extension = j + 2 < sql.size() && sql[j] == '.' && (sql[j + 1] == 'D' || sql[j + 1] == 'd') &&
                               (sql[j + 2] == 'B' || sql[j + 2] == 'b') &&
                               (j + 3 == sql.size() || !isNameChar(sql[j + 3]));
        i = extension ? j + 3 : j;
    }
    return out;
}

std::string withoutFinalOrderBy(std::string_view sql)
{
    struct Word {
        size_t pos;
        std::string upper;
    };
    std::vector<Word> words; // top-level words only
    int depth = 0;
    for (size_t i = 0; i < sql.size();) {
        if (size_t q = skipQuotedOrComment(sql, i)) { i += q; continue; }
        const char c = sql[i];
        if (c == '(') ++depth;
        if (c == ')') --depth;
        if (!isNameChar(c)) { ++i; continue; }
        size_t j = i;
        while (j < sql.size() && isNameChar(sql[j])) ++j;
        if (depth == 0) {
            words.push_back({i, upperAscii(sql.substr(i, j - i))});
        }
        i = j;
    }
    for (size_t w = words.size(); w-- > 1;) {
        if (words[w - 1].upper != "ORDER" || words[w].upper != "BY") continue;
        for (size_t k = w + 1; k < words.size(); ++k)
            if (words[k].upper == "LIMIT") return std::string(sql);
        return std::string(sql.substr(0, words[w - 1].pos));
    }
    return std::string(sql);
}

std::optional<size_t> plainSelectAllStar(std::string_view sql)
{
    struct Token {
        size_t pos;
        std::string upper; // words upper-cased; one character for punctuation
        bool word;         // a name or number
        bool quoted;       // a quoted name or string
        int depth;
    };
    std::vector<Token> tokens;
    int depth = 0;
    for (size_t i = 0; i < sql.size();) {
        const char c = sql[i];
        if (size_t q = skipQuotedOrComment(sql, i)) {
            const bool comment = c == '-' || c == '/';
            if (!comment) tokens.push_back({i, std::string(1, c), false, true, depth});
            i += q;
            continue;
        }
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v') { ++i; continue; }
        if (!isNameChar(c)) {
            if (c == ')') --depth;
            tokens.push_back({i, std::string(1, c), false, false, depth});
            if (c == '(') ++depth;
            ++i;
            continue;
        }
        size_t j = i;
        while (j < sql.size() && isNameChar(sql[j])) ++j;
        tokens.push_back({i, upperAscii(sql.substr(i, j - i)), true, false, depth});
        i = j;
    }
    const auto isWord = [&](size_t k, const char* w) { return k < tokens.size() && tokens[k].word && tokens[k].upper == w; };
    const auto isName = [&](size_t k) {
        return k < tokens.size() && ((tokens[k].word && !(tokens[k].upper[0] >= '0' && tokens[k].upper[0] <= '9')) ||
                                     (tokens[k].quoted && tokens[k].upper != "'"));
    };
    if (!isWord(0, "SELECT") || tokens.size() < 4 || tokens[1].upper != "*" || !isWord(2, "FROM") || !isName(3))
        return std::nullopt;
    // A schema-qualified name or a table-valued function.
    if (tokens.size() > 4 && (tokens[4].upper == "." || tokens[4].upper == "(")) return std::nullopt;

    bool inOrderBy = false, inLimit = false, termStart = false;
    for (size_t k = 4; k < tokens.size(); ++k) {
        const Token& t = tokens[k];
        if (t.depth < 0) return std::nullopt;
        if (t.depth > 0) { termStart = false; continue; }
        if (t.word) {
            static const char* const refused[] = {"UNION", "INTERSECT", "EXCEPT", "GROUP", "HAVING",
                                                  "WINDOW", "JOIN", "SELECT", "FROM", "VALUES"};
            for (const char* r : refused)
                if (t.upper == r) return std::nullopt;
            // ORDER BY 2: a column number, which means another column once the list changes.
            if (inOrderBy && termStart && t.upper[0] >= '0' && t.upper[0] <= '9') return std::nullopt;
            if (t.upper == "BY" && k > 0 && isWord(k - 1, "ORDER")) {
                inOrderBy = true;
                termStart = true;
                continue;
            }
            if (t.upper == "LIMIT") { inOrderBy = false; inLimit = true; }
        } else if (t.upper == ",") {
            if (!inOrderBy && !inLimit) return std::nullopt; // a second table
            termStart = inOrderBy;
            continue;
        }
        termStart = false;
    }
    return tokens[1].pos;
}

} // namespace rk::source
