// parseDateTimeText: a date and/or time text, written by the user's settings,
// read back into a moment. Used when a text is bound to a date, time or
// timestamp parameter of the target.
//
// Accepted: [date] [time], separated by blanks, leading and trailing blanks
// allowed. The date has three parts in the order of datePattern (day, month
// and year by the first d, m and y in it; month first when it has none),
// separated by dateMark, blanks, and the punctuation and words of
// datePattern; the month may be written as a name, and a weekday name is
// skipped where the pattern writes one. Years of one or two digits lie
// within 50 years of the current year; where datePattern writes long years,
// a text that also reads as a time alone is that time. The time is hours and minutes, optionally
// seconds and milliseconds (after "." or decimalMark), separated by timeMark,
// with an optional am/pm marker before or after it (amText/pmText, "AM"/"PM"
// or "A"/"P", any case).
#include "locale/LocaleFormats.h"

#include <algorithm>
#include <ctime>
#include <optional>
#include <vector>

#include "db/common/Ansi.h"
#include "db/common/Exception.h"

namespace rk::locale {
namespace {

// Pattern letters, month and weekday names and the am/pm markers are
// compared by ASCII case alone, as they always were: "MÄRZ" is not "März".
using rk::upperAscii;
using rk::equalsAsciiNoCase;

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isLetter(char c) { return upperAscii(c) >= 'A' && upperAscii(c) <= 'Z'; }

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

// What parseDateTimeText reads from datePattern: the order of day, month and
// year, the pattern's own punctuation and words, and whether it writes a
// weekday or short years.
struct DateLayout {
    std::string m_order;
    std::string m_separators;
    std::vector<std::string> m_words;
    bool m_weekday = false;
    bool m_shortYear = false;

    explicit DateLayout(const LocaleFormats& f)
    {
        const std::string_view p = f.datePattern;
        for (size_t i = 0; i < p.size();) {
            const char c = p[i];
            if (c == '\'' || c == '"') {
                size_t close = p.find(c, i + 1);
                if (close == std::string_view::npos) close = p.size();
                addWord(p.substr(i + 1, close - i - 1));
                i = close + 1;
                continue;
            }
            size_t run = 1;
            while (i + run < p.size() && p[i + run] == c) ++run;
            const char u = upperAscii(c);
            if ((u == 'D' && run <= 2) || u == 'M' || u == 'Y') {
                if (m_order.find(u) == std::string::npos) m_order += u;
                if (u == 'Y') m_shortYear = run <= 2;
            } else if ((u == 'D' && run <= 4) || (u == 'A' && run >= 3)) {
                m_weekday = true;
            } else if (isLetter(c)) {
                addWord(p.substr(i, run));
            } else if (!isDigit(c) && c != '/') {
                for (size_t k = 0; k < run; ++k) addSeparator(c);
            }
            i += run;
        }
        if (m_order.size() != 3) m_order = "MDY";
        addSeparator(f.dateMark);
        addSeparator(' ');
    }

    void addSeparator(char c)
    {
        if (m_separators.find(c) == std::string::npos) m_separators += c;
    }
    void addWord(std::string_view w)
    {
        // Blanks and punctuation inside a word are skipped as separators.
        size_t i = 0;
        while (i < w.size()) {
            size_t j = i;
            while (j < w.size() && isLetter(w[j])) ++j;
            if (j > i) m_words.emplace_back(w.substr(i, j - i));
            if (j < w.size()) addSeparator(w[j]);
            i = j + 1;
        }
    }
};

// Every bound date parameter reads its text by the same pattern: the layout
// is worked out again only when datePattern or dateMark differ from the
// last call's on this thread.
const DateLayout& layoutFor(const LocaleFormats& f)
{
    thread_local std::string pattern;
    thread_local char mark = 0;
    thread_local std::optional<DateLayout> layout;
    if (!layout || pattern != f.datePattern || mark != f.dateMark) {
        layout.emplace(f);
        pattern = f.datePattern;
        mark = f.dateMark;
    }
    return *layout;
}

class Scanner {
public:
    Scanner(std::string_view text, const LocaleFormats& f)
        : m_s(text), m_f(f), m_layout(layoutFor(f)), m_order(m_layout.m_order),
          m_separators(m_layout.m_separators), m_words(m_layout.m_words), m_weekday(m_layout.m_weekday),
          m_shortYear(m_layout.m_shortYear)
    {
    }

    bool read(DateTime& result)
    {
        skipBlanks();
        const size_t start = m_pos;

        DateTimeParts withDate;
        int yearDigits = 0;
        const bool dateRead = readDate(withDate, yearDigits) && readOptionalTime(withDate);
        // "13.05.09" is a time, not a date of '09, where dates carry long
        // years; only then is the text read a second time, as a time alone.
        if (dateRead && (yearDigits > 2 || m_shortYear)) {
            result = dateTimeFromParts(withDate);
            return true;
        }

        m_pos = start;
        DateTimeParts timeOnly{1899, 12, 30, 0, 0, 0, 0};
        const bool timeRead = readTime(timeOnly) && atEndAfterBlanks();
        if (dateRead && !timeRead) {
            result = dateTimeFromParts(withDate);
            return true;
        }
        if (timeRead) {
            result = dateTimeFromParts(timeOnly);
            return true;
        }
        return false;
    }

private:
    bool atEnd() const { return m_pos >= m_s.size(); }
    void skipBlanks()
    {
        while (!atEnd() && m_s[m_pos] == ' ') ++m_pos;
    }
    bool atEndAfterBlanks()
    {
        skipBlanks();
        return atEnd();
    }
    bool readOptionalTime(DateTimeParts& parts)
    {
        skipBlanks();
        if (atEnd()) return true;
        return readTime(parts) && atEndAfterBlanks();
    }

    bool startsWithNoCase(std::string_view word) const
    {
        return !word.empty() && m_s.size() - m_pos >= word.size() &&
               equalsAsciiNoCase(m_s.substr(m_pos, word.size()), word);
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

    // The longest month name (full or short) at the current position.
    bool readMonthName(int& month)
    {
        size_t best = 0;
        for (int i = 0; i < 12; ++i) {
            for (const std::string* name : {&m_f.monthFullNames[i], &m_f.monthShortNames[i]}) {
                if (name->size() > best && startsWithNoCase(*name)) {
                    best = name->size();
                    month = i + 1;
                }
            }
        }
        m_pos += best;
        return best > 0;
    }

    // Length of the word at the current position if it stands as a whole
    // word (no letter follows), else 0.
    size_t wholeWordAt(std::string_view word) const
    {
        if (!startsWithNoCase(word)) return 0;
        const size_t end = m_pos + word.size();
        return end < m_s.size() && isLetter(m_s[end]) && isLetter(word.back()) ? 0 : word.size();
    }

    // Separators, the pattern's own words and weekday names between the
    // parts; of the words, the longest that stands whole.
    bool skipFiller()
    {
        const size_t start = m_pos;
        while (!atEnd()) {
            if (m_separators.find(m_s[m_pos]) != std::string::npos) {
                ++m_pos;
                continue;
            }
            size_t longest = 0;
            for (const std::string& w : m_words) longest = std::max(longest, wholeWordAt(w));
            if (m_weekday) {
                for (const auto* names : {&m_f.dayFullNames, &m_f.dayShortNames})
                    for (const std::string& name : *names) longest = std::max(longest, wholeWordAt(name));
            }
            if (longest == 0) break;
            m_pos += longest;
        }
        return m_pos > start;
    }

    bool readDate(DateTimeParts& parts, int& yearDigits)
    {
        int values[3] = {0, 0, 0};
        int digits[3] = {0, 0, 0};
        if (m_weekday) skipFiller();
        for (int k = 0; k < 3; ++k) {
            if (k > 0 && !skipFiller()) return false;
            if (m_order[k] == 'M' && !atEnd() && !isDigit(m_s[m_pos])) {
                if (!readMonthName(values[k])) return false;
                digits[k] = 2;
            } else if (!readNumber(values[k], digits[k])) {
                return false;
            }
        }
        skipFiller(); // what the pattern writes after the last part
        for (int k = 0; k < 3; ++k) {
            switch (m_order[k]) {
            case 'D': parts.day = values[k]; break;
            case 'M': parts.month = values[k]; break;
            default:
                parts.year = values[k];
                yearDigits = digits[k];
                if (digits[k] <= 2) parts.year = detail::windowedYear(parts.year, currentYear());
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
            if (!equalsAsciiNoCase(rest.substr(0, word.size()), word)) return false;
            // A marker is a whole word.
            if (rest.size() > word.size() && isLetter(rest[word.size()])) return false;
            m_pos += word.size();
            return true;
        };
        if (take(m_f.amText) || take("AM") || take("A")) return 1;
        if (take(m_f.pmText) || take("PM") || take("P")) return 2;
        return 0;
    }

    bool readTime(DateTimeParts& parts)
    {
        int marker = readMarker();
        skipBlanks();
        int digits = 0;
        if (!readNumber(parts.hour, digits)) return false;
        bool haveMinutes = false;
        if (!atEnd() && m_s[m_pos] == m_f.timeMark) {
            ++m_pos;
            if (!readNumber(parts.minute, digits)) return false;
            haveMinutes = true;
            if (!atEnd() && m_s[m_pos] == m_f.timeMark) {
                ++m_pos;
                if (!readNumber(parts.second, digits)) return false;
                if (!atEnd() && (m_s[m_pos] == '.' || m_s[m_pos] == m_f.decimalMark) && m_pos + 1 < m_s.size() &&
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
    const DateLayout& m_layout;
    const std::string& m_order;
    const std::string& m_separators;
    const std::vector<std::string>& m_words;
    const bool m_weekday;
    const bool m_shortYear;
};

} // namespace

int detail::windowedYear(int twoDigits, int now)
{
    // Within 50 years either side of now: [now - 50, now + 50).
    int year = now / 100 * 100 + twoDigits;
    if (year < now - 50) year += 100;
    else if (year >= now + 50) year -= 100;
    return year;
}

DateTime parseDateTimeText(std::string_view text, const LocaleFormats& f)
{
    DateTime result = 0;
    if (!Scanner(text, f).read(result))
        throw EConvertError(ansiFormat("'%s' ist keine gültige Datums- und Uhrzeitangabe", std::string(text)));
    return result;
}

} // namespace rk::locale
