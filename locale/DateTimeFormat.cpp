// formatDateTimeText: a date/time pattern applied to a moment, token by
// token, with the names, marks and nested patterns of a LocaleFormats; and
// dateTimeParts/dateTimeFromParts over the day-number calendar (Calendar.h)
// behind it and behind parseDateTimeText.
#include "locale/LocaleFormats.h"

#include "locale/Calendar.h"

#include <cmath>
#include <cstdlib>
#include <utility>

#include "db/common/Ansi.h"
#include "db/common/Exception.h"

namespace rk::locale {
namespace {

[[noreturn]] void invalidTimestamp(int64_t dayCount, int64_t msOfDay)
{
    throw EConvertError(ansiFormat("'%d.%d' ist kein gültiger Zeitstempel", int(dayCount), int(msOfDay)));
}

// Splits a moment, rounded to whole milliseconds, into a day count and the
// milliseconds of the day. Before 1899-12-30 the fraction still counts
// forward from midnight: -1.25 is 1899-12-29 06:00.
void splitMoment(DateTime moment, int64_t& dayCount, int64_t& msOfDay)
{
    // Beyond this the millisecond count leaves the range of exact doubles.
    if (!std::isfinite(moment) || std::fabs(moment) > 1e11) invalidTimestamp(0, 0);
    const auto ms = static_cast<int64_t>(std::nearbyint(moment * kMSecsPerDay));
    dayCount = kDateDelta + ms / kMSecsPerDay;
    msOfDay = std::llabs(ms) % kMSecsPerDay;
}

void appendNumber(std::string& out, int64_t value, int minDigits)
{
    // Days, months, hours, minutes and seconds, once per value and field.
    if (value >= 0 && value < 100 && minDigits <= 2) {
        const char two[2] = {char('0' + value / 10), char('0' + value % 10)};
        if (value >= 10 || minDigits == 2) out.append(two, 2);
        else out += two[1];
        return;
    }
    if (value >= 1000 && value < 10000 && minDigits <= 4) {
        const char four[4] = {char('0' + value / 1000), char('0' + value / 100 % 10), char('0' + value / 10 % 10),
                              char('0' + value % 10)};
        out.append(four, 4);
        return;
    }
    char buf[32];
    int n = 0;
    uint64_t v = value < 0 ? uint64_t(0) - uint64_t(value) : uint64_t(value);
    do {
        buf[n++] = char('0' + v % 10);
        v /= 10;
    } while (v != 0);
    while (n < minDigits && n < int(sizeof buf) - 1) buf[n++] = '0';
    if (value < 0) buf[n++] = '-';
    for (int i = 0, j = n - 1; i < j; ++i, --j) std::swap(buf[i], buf[j]);
    out.append(buf, n);
}

// Format letters are ASCII; their case is folded by the ASCII rule.
using rk::upperAscii;

bool startsWithNoCase(std::string_view s, size_t pos, std::string_view what)
{
    if (s.size() - pos < what.size()) return false;
    for (size_t i = 0; i < what.size(); ++i)
        if (upperAscii(s[pos + i]) != what[i]) return false;
    return true;
}

// Length of the am/pm token at pos, 0 if none begins there.
size_t amPmTokenLength(std::string_view p, size_t pos)
{
    if (startsWithNoCase(p, pos, "AM/PM")) return 5;
    if (startsWithNoCase(p, pos, "A/P")) return 3;
    if (startsWithNoCase(p, pos, "AMPM")) return 4;
    return 0;
}

class Formatter {
public:
    Formatter(std::string& out, const LocaleFormats& f, int64_t dayCount, int64_t msOfDay)
        : m_out(out), m_f(f), m_dayCount(dayCount)
    {
        const CivilDate c = civilFromDays(dayCount);
        m_year = c.year;
        m_month = c.month;
        m_day = c.day;
        m_hour = int(msOfDay / 3600000);
        m_minute = int(msOfDay / 60000 % 60);
        m_second = int(msOfDay / 1000 % 60);
        m_msec = int(msOfDay % 1000);
    }

    // level 0 is the caller's pattern; a pattern applied in place is level 1
    // and applies no further one.
    void apply(std::string_view p, int level)
    {
        char lastLetter = 0;   // nearest letter before, upper case, outside quotes
        bool use12Hour = false; // an am/pm token stood earlier
        size_t i = 0;
        while (i < p.size()) {
            const char starter = p[i];
            char token = upperAscii(starter);
            if (token >= 'A' && token <= 'Z') {
                if (token == 'M' && lastLetter == 'H') token = 'N';
                lastLetter = token;
            }
            size_t run = 1;
            while (i + run < p.size() && p[i + run] == starter) ++run;

            switch (token) {
            case 'Y':
                if (run <= 2) appendNumber(m_out, m_year % 100, 2);
                else appendNumber(m_out, m_year, 4);
                i += run;
                break;
            case 'M':
                if (run <= 2) appendNumber(m_out, m_month, int(run));
                else m_out += run == 3 ? m_f.monthShortNames[m_month - 1] : m_f.monthFullNames[m_month - 1];
                i += run;
                break;
            case 'D':
                if (run <= 2) appendNumber(m_out, m_day, int(run));
                else if (run == 3) m_out += m_f.dayShortNames[weekday()];
                else if (run == 4) m_out += m_f.dayFullNames[weekday()];
                else if (level == 0) apply(run == 5 ? m_f.datePattern : m_f.dateLongPattern, 1);
                i += run;
                break;
            case 'H': {
                // 12-hour values when an am/pm token stood earlier, or when the
                // first a after this token, before any further h, begins one.
                bool twelve = use12Hour;
                if (!twelve) {
                    for (size_t k = i + run; k < p.size(); ++k) {
                        const char c = upperAscii(p[k]);
                        if (c == '\'' || c == '"') {
                            const size_t close = p.find(p[k], k + 1);
                            if (close == std::string_view::npos) break;
                            k = close;
                        } else if (c == 'H') {
                            break;
                        } else if (c == 'A') {
                            twelve = amPmTokenLength(p, k) != 0;
                            break;
                        }
                    }
                }
                int hour = m_hour;
                if (twelve) {
                    if (hour == 0) hour = 12;
                    else if (hour > 12) hour -= 12;
                }
                appendNumber(m_out, hour, run >= 2 ? 2 : 1);
                i += run;
                break;
            }
            case 'N':
                appendNumber(m_out, m_minute, run >= 2 ? 2 : 1);
                i += run;
                break;
            case 'S':
                appendNumber(m_out, m_second, run >= 2 ? 2 : 1);
                i += run;
                break;
            case 'Z':
                appendNumber(m_out, m_msec, run >= 3 ? 3 : int(run));
                i += run;
                break;
            case 'T':
                if (level == 0) apply(run == 1 ? m_f.timeShortPattern : m_f.timePattern, 1);
                i += run;
                break;
            case 'C':
                if (level == 0) {
                    apply(m_f.datePattern, 1);
                    if (m_hour != 0 || m_minute != 0 || m_second != 0) {
                        m_out += ' ';
                        apply(m_f.timePattern, 1);
                    }
                }
                i += run;
                break;
            case 'A': {
                const bool pm = m_hour >= 12;
                if (startsWithNoCase(p, i, "AM/PM")) {
                    m_out.append(p.substr(pm ? i + 3 : i, 2));
                    use12Hour = true;
                    i += 5;
                } else if (startsWithNoCase(p, i, "A/P")) {
                    m_out += p[pm ? i + 2 : i];
                    use12Hour = true;
                    i += 3;
                } else if (startsWithNoCase(p, i, "AMPM")) {
                    m_out += pm ? m_f.pmText : m_f.amText;
                    use12Hour = true;
                    i += 4;
                } else if (startsWithNoCase(p, i, "AAAA")) {
                    m_out += m_f.dayFullNames[weekday()];
                    i += 4;
                } else if (startsWithNoCase(p, i, "AAA")) {
                    m_out += m_f.dayShortNames[weekday()];
                    i += 3;
                } else {
                    m_out += starter;
                    i += 1;
                }
                break;
            }
            case '/':
                m_out += m_f.dateMark;
                i += 1;
                break;
            case ':':
                m_out += m_f.timeMark;
                i += 1;
                break;
            case '\'':
            case '"': {
                // An unclosed quote runs to the end of the pattern.
                size_t close = p.find(starter, i + 1);
                if (close == std::string_view::npos) close = p.size();
                m_out.append(p.substr(i + 1, close - i - 1));
                i = close + 1;
                break;
            }
            default:
                m_out += starter;
                i += 1;
                break;
            }
        }
    }

private:
    // Sunday first; 0001-01-01 was a Monday.
    int weekday() const { return int(m_dayCount % 7); }

    std::string& m_out;
    const LocaleFormats& m_f;
    int64_t m_dayCount;
    int m_year, m_month, m_day, m_hour, m_minute, m_second, m_msec;
};

} // namespace

void appendDateTimeText(std::string& out, std::string_view pattern, int32_t dayCount, int32_t msOfDay,
                        const LocaleFormats& f)
{
    if (dayCount < 1 || msOfDay < 0 || msOfDay >= kMSecsPerDay) invalidTimestamp(dayCount, msOfDay);
    Formatter(out, f, dayCount, msOfDay).apply(pattern, 0);
}

std::string formatDateTimeText(std::string_view pattern, DateTime moment, const LocaleFormats& f)
{
    int64_t dayCount = 0, msOfDay = 0;
    splitMoment(moment, dayCount, msOfDay);
    if (dayCount < 1 || dayCount > INT32_MAX) invalidTimestamp(dayCount, msOfDay);
    std::string out;
    Formatter(out, f, dayCount, msOfDay).apply(pattern, 0);
    return out;
}

DateTimeParts dateTimeParts(DateTime moment)
{
    int64_t dayCount = 0, msOfDay = 0;
    splitMoment(moment, dayCount, msOfDay);
    const CivilDate c = civilFromDays(dayCount);
    DateTimeParts parts;
    parts.year = c.year;
    parts.month = c.month;
    parts.day = c.day;
    parts.hour = int(msOfDay / 3600000);
    parts.minute = int(msOfDay / 60000 % 60);
    parts.second = int(msOfDay / 1000 % 60);
    parts.msec = int(msOfDay % 1000);
    return parts;
}

DateTime dateTimeFromParts(const DateTimeParts& parts)
{
    const double days = double(daysFromCivil(parts.year, parts.month, parts.day) - kDateDelta);
    const double time =
        (((parts.hour * 60.0 + parts.minute) * 60.0 + parts.second) * 1000.0 + parts.msec) / kMSecsPerDay;
    // Before 1899-12-30 the time of day still counts forward (see splitMoment).
    return days < 0 ? days - time : days + time;
}

} // namespace rk::locale
