// StrToDateTime: a date and/or time text, written by the user's settings,
// read back into a moment. Used when a text is bound to a date, time or
// timestamp parameter of the target.
//
// Accepted: [date] [time], separated by blanks, leading and trailing blanks
// allowed. The date has three parts in the order of DatePattern (day, month
// and year by the first d, m and y in it; month first when it has none),
// separated by DateMark, blanks or the punctuation of DatePattern; the month
// may also be written as a name. Years of one or two digits lie within 50
// years of the current year. The time is hours and minutes, optionally
// seconds and milliseconds (after "." or DecimalMark), separated by TimeMark,
// with an optional am/pm marker before or after it (AmText/PmText, "AM"/"PM"
// or "A"/"P", any case).
#include "transfer/locale/LocaleFormats.h"

#include <ctime>

#include "db/common/Ansi.h"
#include "db/common/Exception.h"

namespace rk::locale {
namespace {

char upper(char c) { return (c >= 'a' && c <= 'z') ? char(c - 32) : c; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isLetter(char c) { return upper(c) >= 'A' && upper(c) <= 'Z'; }

bool equalsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (upper(a[i]) != upper(b[i])) return false;
    return true;
}

int currentYear()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local.tm_year + 1900;
}

bool isLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int daysInMonth(int y, int m)
{
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && isLeap(y) ? 29 : kDays[m - 1];
}

class Scanner {
public:
    Scanner(std::string_view text, const LocaleFormats& f) : m_s(text), m_f(f)
    {
        // Order of day, month and year, and the pattern's own punctuation.
        bool inQuote = false;
        char quote = 0;
        for (char c : f.DatePattern) {
            if (inQuote) {
                if (c == quote) inQuote = false;
                continue;
            }
            if (c == '\'' || c == '"') { inQuote = true; quote = c; continue; }
            const char u = upper(c);
            if (u == 'D' || u == 'M' || u == 'Y') {
                if (m_order.find(u) == std::string::npos) m_order += u;
            } else if (!isLetter(c) && !isDigit(c) && c != '/') {
                if (m_dateSeparators.find(c) == std::string::npos) m_dateSeparators += c;
            }
        }
        if (m_order.size() != 3) m_order = "MDY";
        m_dateSeparators += f.DateMark;
        m_dateSeparators += ' ';
    }

    bool read(DateTime& result)
    {
        skipBlanks();
        const size_t start = m_pos;
        DateTimeParts parts;
        bool haveDate = readDate(parts);
        if (!haveDate) m_pos = start;
        const size_t afterDate = m_pos;
        skipBlanks();
        bool haveTime = false;
        if (!atEnd()) {
            if (haveDate && m_pos == afterDate) return false; // date and time need a blank between
            haveTime = readTime(parts);
            if (!haveTime) return false;
        }
        skipBlanks();
        if (!atEnd() || (!haveDate && !haveTime)) return false;
        if (!haveDate) {
            parts.year = 1899;
            parts.month = 12;
            parts.day = 30;
        }
        result = EncodeDateTime(parts);
        return true;
    }

private:
    bool atEnd() const { return m_pos >= m_s.size(); }
    void skipBlanks()
    {
        while (!atEnd() && m_s[m_pos] == ' ') ++m_pos;
    }

    // Digits at the current position; false when there are none.
    bool readNumber(int& value, int& digits)
    {
        value = 0;
        digits = 0;
        while (!atEnd() && isDigit(m_s[m_pos])) {
            if (value > 99999999) return false;
            value = value * 10 + (m_s[m_pos] - '0');
            ++digits;
            ++m_pos;
        }
        return digits > 0;
    }

    // A month name (full or short, longest match first) as its number.
    bool readMonthName(int& month)
    {
        size_t end = m_pos;
        while (end < m_s.size() && !isDigit(m_s[end]) && m_s[end] != ' ' &&
               m_dateSeparators.find(m_s[end]) == std::string::npos)
            ++end;
        const std::string_view word = m_s.substr(m_pos, end - m_pos);
        if (word.empty()) return false;
        for (int i = 0; i < 12; ++i) {
            if (equalsNoCase(word, m_f.MonthFullNames[i]) || equalsNoCase(word, m_f.MonthShortNames[i])) {
                month = i + 1;
                m_pos = end;
                return true;
            }
        }
        return false;
    }

    bool readDateSeparator()
    {
        const size_t start = m_pos;
        while (!atEnd() && m_dateSeparators.find(m_s[m_pos]) != std::string::npos) ++m_pos;
        return m_pos > start;
    }

    bool readDate(DateTimeParts& parts)
    {
        int values[3] = {0, 0, 0};
        int digits[3] = {0, 0, 0};
        for (int k = 0; k < 3; ++k) {
            if (k > 0 && !readDateSeparator()) return false;
            if (m_order[k] == 'M' && !atEnd() && !isDigit(m_s[m_pos])) {
                if (!readMonthName(values[k])) return false;
                digits[k] = 2;
            } else if (!readNumber(values[k], digits[k])) {
                return false;
            }
        }
        // Punctuation after the last part, as in "24. 12. 2003." patterns.
        while (!atEnd() && m_s[m_pos] != ' ' && m_dateSeparators.find(m_s[m_pos]) != std::string::npos) ++m_pos;
        for (int k = 0; k < 3; ++k) {
            switch (m_order[k]) {
            case 'D': parts.day = values[k]; break;
            case 'M': parts.month = values[k]; break;
            default:
                parts.year = values[k];
                if (digits[k] <= 2) {
                    // Within 50 years either side of now.
                    const int now = currentYear();
                    int year = now / 100 * 100 + parts.year;
                    if (year < now - 50) year += 100;
                    else if (year >= now + 50) year -= 100;
                    parts.year = year;
                }
            }
        }
        return parts.year >= 1 && parts.year <= 9999 && parts.month >= 1 && parts.month <= 12 &&
               parts.day >= 1 && parts.day <= daysInMonth(parts.year, parts.month);
    }

    // 0 none, 1 am, 2 pm.
    int readMarker()
    {
        const std::string_view rest = m_s.substr(m_pos);
        auto take = [&](std::string_view word) {
            if (word.empty() || rest.size() < word.size()) return false;
            if (!equalsNoCase(rest.substr(0, word.size()), word)) return false;
            // A marker is a whole word.
            if (rest.size() > word.size() && isLetter(rest[word.size()])) return false;
            m_pos += word.size();
            return true;
        };
        if (take(m_f.AmText) || take("AM") || take("A")) return 1;
        if (take(m_f.PmText) || take("PM") || take("P")) return 2;
        return 0;
    }

    bool readTime(DateTimeParts& parts)
    {
        int marker = readMarker();
        skipBlanks();
        int digits = 0;
        if (!readNumber(parts.hour, digits)) return false;
        bool haveMinutes = false;
        if (!atEnd() && m_s[m_pos] == m_f.TimeMark) {
            ++m_pos;
            if (!readNumber(parts.minute, digits)) return false;
            haveMinutes = true;
            if (!atEnd() && m_s[m_pos] == m_f.TimeMark) {
                ++m_pos;
                if (!readNumber(parts.second, digits)) return false;
                if (!atEnd() && (m_s[m_pos] == '.' || m_s[m_pos] == m_f.DecimalMark) && m_pos + 1 < m_s.size() &&
                    isDigit(m_s[m_pos + 1])) {
                    ++m_pos;
                    if (!readNumber(parts.msec, digits) || digits > 3) return false;
                    for (; digits < 3; ++digits) parts.msec *= 10;
                }
            }
        }
        if (marker == 0) {
            const size_t beforeBlanks = m_pos;
            skipBlanks();
            marker = readMarker();
            if (marker == 0) m_pos = beforeBlanks;
        }
        if (!haveMinutes && marker == 0) return false;
        if (marker != 0) {
            if (parts.hour < 1 || parts.hour > 12) return false;
            if (marker == 1 && parts.hour == 12) parts.hour = 0;
            if (marker == 2 && parts.hour != 12) parts.hour += 12;
        }
        return parts.hour < 24 && parts.minute < 60 && parts.second < 60;
    }

    std::string_view m_s;
    const LocaleFormats& m_f;
    size_t m_pos = 0;
    std::string m_order;
    std::string m_dateSeparators;
};

} // namespace

DateTime StrToDateTime(std::string_view text, const LocaleFormats& f)
{
    DateTime result = 0;
    if (!Scanner(text, f).read(result))
        throw EConvertError(ansiFormat("'%s' ist keine gültige Datums- und Uhrzeitangabe", std::string(text)));
    return result;
}

} // namespace rk::locale
