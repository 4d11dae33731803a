// Translation of POSIX locale items into LocaleFormats.
//
// Date formats (D_FMT) map conversion by conversion into the pattern
// language of formatDateTimeText:
//   %d -> dd   %e -> d    %m -> MM   %y, %Y -> yyyy
//   %b, %h -> MMM   %B -> MMMM   %a -> ddd   %A -> dddd
//   %D -> MM/dd/yy   %F -> yyyy-MM-dd   %% -> %   %n, %t -> line break, tab
// The glibc flags "-" and "_" drop the leading zero (%-d -> d, %-m -> M), "0"
// adds it (%0e -> dd); width digits and the E/O modifiers are ignored. Any
// other conversion makes the whole format unreadable. %y gives four digits
// all the same: the texts are read back into dates on the way to the target,
// and a two-digit year would move a birthday of 1940 to 2040. The same holds
// for the fallback "m/d/yy" of a locale that cannot be read: every date
// pattern leaves here with years of at least four digits. Literal ASCII letters
// and quote characters are quoted so that they stay text; every other literal
// character is copied, so "/" keeps its meaning of dateMark.
//
// dateMark is the text between the date fields when that text is the same
// one character everywhere ("%d.%m.%Y" gives "."), else the fallback "/".
//
// The long date form has no POSIX item; it follows the field order of the
// short form: day first gives "dddd, d. MMMM yyyy" when dateMark is "." and
// "dddd, d MMMM yyyy" otherwise, month first "dddd, MMMM d, yyyy", year first
// "dddd, yyyy MMMM d".
//
// Time: T_FMT, with %T, %R and %r expanded (%r by T_FMT_AMPM), gives the three
// numbers timePattern is built from: leading zero of hours (%H, %I: yes; %k,
// %l: no; flags as above), 12-hour clock (%I or %l) and the am/pm position
// (%p or %P before the hour: leading marker). A format without an hour
// conversion counts all three as 0, like unreadable items. A 12-hour clock
// with an empty or a shared am/pm text becomes the 24-hour clock, so that
// no time is written ambiguously. timeMark is the one character between the
// hour and the next conversion, else ":".
#include "locale/PosixItems.h"

#include <vector>

namespace rk::locale::detail {
namespace {

bool isAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

struct Conversion {
    char flag = 0;  // '-', '_', '0' or 0
    char conv = 0;  // the conversion letter
    size_t end = 0; // index after it
};

// Reads the conversion starting at s[i] == '%'; conv 0 when the text ends.
Conversion readConversion(std::string_view s, size_t i)
{
    Conversion c;
    ++i;
    while (i < s.size() && (s[i] == '-' || s[i] == '_' || s[i] == '0' || s[i] == '^' || s[i] == '#')) {
        if (s[i] != '^' && s[i] != '#') c.flag = s[i];
        ++i;
    }
    while (i < s.size() && s[i] >= '1' && s[i] <= '9') ++i;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i;
    if (i < s.size() && (s[i] == 'E' || s[i] == 'O')) ++i;
    if (i < s.size()) c.conv = s[i++];
    c.end = i;
    return c;
}

std::string expand(std::string_view s, std::string_view ampm)
{
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 1 < s.size()) {
            const char next = s[i + 1];
            if (next == 'D') { out += "%m/%d/%y"; ++i; continue; }
            if (next == 'F') { out += "%Y-%m-%d"; ++i; continue; }
            if (next == 'T') { out += "%H:%M:%S"; ++i; continue; }
            if (next == 'R') { out += "%H:%M"; ++i; continue; }
            if (next == 'r') { out += ampm; ++i; continue; }
            if (next == '%') { out += "%%"; ++i; continue; }
        }
        out += s[i];
    }
    return out;
}

void appendLiteral(std::string& pattern, char c, bool& inQuote)
{
    const bool quoteIt = isAsciiLetter(c);
    if (quoteIt && !inQuote) { pattern += '"'; inQuote = true; }
    if (!quoteIt && inQuote) { pattern += '"'; inQuote = false; }
    if (c == '"') pattern += "'\"'";
    else if (c == '\'') pattern += "\"'\"";
    else pattern += c;
}

struct DateTranslation {
    std::string pattern;
    char mark = '/';
    char order[3] = {0, 0, 0}; // 'D', 'M', 'Y' in order of first appearance
};

std::optional<DateTranslation> translateDate(std::string_view dFmt)
{
    const std::string s = expand(dFmt, "");
    DateTranslation t;
    std::vector<std::string> separators;
    std::string pending;
    bool seenField = false;
    bool inQuote = false;
    int orderCount = 0;
    auto noteField = [&](char field) {
        if (seenField) separators.push_back(pending);
        pending.clear();
        seenField = true;
        for (int k = 0; k < orderCount; ++k)
            if (t.order[k] == field) return;
        if (orderCount < 3) t.order[orderCount++] = field;
    };
    for (size_t i = 0; i < s.size();) {
        if (s[i] != '%') {
            appendLiteral(t.pattern, s[i], inQuote);
            pending += s[i];
            ++i;
            continue;
        }
        const Conversion c = readConversion(s, i);
        i = c.end;
        const bool noZero = c.flag == '-' || c.flag == '_';
        const char* piece = nullptr;
        char field = 0;
        switch (c.conv) {
        case 'd': piece = noZero ? "d" : "dd"; field = 'D'; break;
        case 'e': piece = c.flag == '0' ? "dd" : "d"; field = 'D'; break;
        case 'm': piece = noZero ? "M" : "MM"; field = 'M'; break;
        case 'y': piece = "yyyy"; field = 'Y'; break;
        case 'Y': piece = "yyyy"; field = 'Y'; break;
        case 'b':
        case 'h': piece = "MMM"; field = 'M'; break;
        case 'B': piece = "MMMM"; field = 'M'; break;
        case 'a': piece = "ddd"; break;
        case 'A': piece = "dddd"; break;
        case '%': appendLiteral(t.pattern, '%', inQuote); pending += '%'; continue;
        case 'n': appendLiteral(t.pattern, '\n', inQuote); pending += '\n'; continue;
        case 't': appendLiteral(t.pattern, '\t', inQuote); pending += '\t'; continue;
        default: return std::nullopt;
        }
        if (inQuote) { t.pattern += '"'; inQuote = false; }
        t.pattern += piece;
        if (field) noteField(field);
    }
    if (inQuote) t.pattern += '"';
    if (t.pattern.empty() || orderCount == 0) return std::nullopt;
    if (!separators.empty()) {
        bool same = true;
        for (const std::string& sep : separators) same = same && sep == separators.front();
        if (same && separators.front().size() == 1) t.mark = separators.front()[0];
    }
    return t;
}

std::string longDatePattern(const DateTranslation& t)
{
    switch (t.order[0]) {
    case 'D': return t.mark == '.' ? "dddd, d. MMMM yyyy" : "dddd, d MMMM yyyy";
    case 'M': return "dddd, MMMM d, yyyy";
    case 'Y': return "dddd, yyyy MMMM d";
    default: return LocaleFormats{}.dateLongPattern;
    }
}

struct TimeItems {
    int leadingZero = 0;    // 1: hours with two digits
    int clock = 0;          // 0: 12-hour clock, 1: 24-hour clock
    int markerPosition = 0; // 0: marker after the time, 1: before
    char mark = ':';
};

TimeItems translateTime(const std::optional<std::string>& tFmt, const std::optional<std::string>& tFmtAmPm)
{
    TimeItems items;
    if (!tFmt) return items;
    const std::string ampm = tFmtAmPm && !tFmtAmPm->empty() ? *tFmtAmPm : std::string("%I:%M:%S %p");
    const std::string s = expand(*tFmt, ampm);
    bool seenHour = false;
    bool seenMarker = false;
    bool collectMark = false;
    std::string between;
    for (size_t i = 0; i < s.size();) {
        if (s[i] != '%') {
            if (collectMark) between += s[i];
            ++i;
            continue;
        }
        const Conversion c = readConversion(s, i);
        i = c.end;
        if (collectMark) {
            collectMark = false;
            if (between.size() == 1) items.mark = between[0];
        }
        if (c.conv == 'p' || c.conv == 'P') {
            seenMarker = true;
        } else if (!seenHour && (c.conv == 'H' || c.conv == 'k' || c.conv == 'I' || c.conv == 'l')) {
            seenHour = true;
            const bool zeroByDefault = c.conv == 'H' || c.conv == 'I';
            items.leadingZero = c.flag == '0' || (zeroByDefault && c.flag != '-' && c.flag != '_') ? 1 : 0;
            items.clock = (c.conv == 'H' || c.conv == 'k') ? 1 : 0;
            items.markerPosition = seenMarker ? 1 : 0;
            collectMark = true;
        }
    }
    if (!seenHour) return TimeItems{};
    return items;
}

std::string oneCharacter(const std::optional<std::string>& item, char fallback)
{
    return std::string(1, item && item->size() == 1 ? (*item)[0] : fallback);
}

template <size_t N>
void takeNames(std::array<std::string, N>& names, const std::array<std::optional<std::string>, N>& items)
{
    for (size_t i = 0; i < N; ++i)
        if (items[i] && !items[i]->empty()) names[i] = *items[i];
}

} // namespace

std::string withFourDigitYears(std::string_view pattern)
{
    std::string out;
    out.reserve(pattern.size() + 4);
    char quote = 0;
    for (size_t i = 0; i < pattern.size();) {
        const char c = pattern[i];
        if (quote) {
            if (c == quote) quote = 0;
            out += c;
            ++i;
            continue;
        }
        if (c == '"' || c == '\'') {
            quote = c;
            out += c;
            ++i;
            continue;
        }
        if (c != 'y' && c != 'Y') {
            out += c;
            ++i;
            continue;
        }
        size_t run = 0;
        while (i + run < pattern.size() && (pattern[i + run] == 'y' || pattern[i + run] == 'Y')) ++run;
        if (run < 3) out += "yyyy";
        else out.append(pattern.substr(i, run));
        i += run;
    }
    return out;
}

LocaleFormats formatsFromPosixItems(const PosixItems& items)
{
    LocaleFormats f;
    f.decimalMark = oneCharacter(items.radixChar, '.')[0];

    if (items.dFmt) {
        if (const auto date = translateDate(*items.dFmt)) {
            f.datePattern = date->pattern;
            f.dateMark = date->mark;
            f.dateLongPattern = longDatePattern(*date);
        }
    }

    if (items.amStr) f.amText = *items.amStr;
    if (items.pmStr) f.pmText = *items.pmStr;

    TimeItems time = translateTime(items.tFmt, items.tFmtAmPm);
    // A 12-hour clock whose markers cannot tell morning from afternoon would
    // write 1 PM and 1 AM alike: such a locale gets the 24-hour clock.
    if (time.clock == 0 && (f.amText.empty() || f.pmText.empty() || f.amText == f.pmText)) time.clock = 1;
    f.timeMark = time.mark;
    const std::string hour = time.leadingZero ? "hh" : "h";
    const std::string before = (time.clock == 0 && time.markerPosition != 0) ? "AMPM " : "";
    const std::string after = (time.clock == 0 && time.markerPosition == 0) ? " AMPM" : "";
    f.timePattern = before + hour + ":mm:ss" + after;
    f.timeShortPattern = before + hour + ":mm" + after;

    // Every pattern the program can end up with, the fallbacks included.
    f.datePattern = withFourDigitYears(f.datePattern);
    f.dateLongPattern = withFourDigitYears(f.dateLongPattern);

    takeNames(f.monthFullNames, items.mon);
    takeNames(f.monthShortNames, items.abMon);
    takeNames(f.dayFullNames, items.day);
    takeNames(f.dayShortNames, items.abDay);
    return f;
}

} // namespace rk::locale::detail
