// Comparing a staging table with its source; see StagingCompare.h.
#include "transfer/StagingCompare.h"

#include <algorithm>
#include <charconv>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <unordered_map>

#include "db/common/Ansi.h"
#include "db/common/Exception.h"
#include "locale/Calendar.h"
#include "locale/LocaleFormats.h"
#include "transfer/ValueMapping.h"

namespace rk::transfer {

namespace {

constexpr int64_t kMSecsPerDay = 86400000;
// What a value becomes that the target would refuse: a text no column holds.
constexpr char kRefused = '\x01';

using Row = std::vector<db::FieldValue>;

db::FieldValue refused(std::string_view text) { return std::string(1, kRefused) + std::string(text); }

// FNV-1a, 64 bits: a collision among a table's rows is as unlikely as a
// damaged disk sector that still reads.
uint64_t mix(uint64_t h, const void* bytes, size_t n)
{
    const auto* p = static_cast<const unsigned char*>(bytes);
    for (size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 1099511628211ULL;
    return h;
}

uint64_t rowHash(const Row& row)
{
    uint64_t h = 14695981039346656037ULL;
    for (const db::FieldValue& v : row) {
        // The kind first, so that equal bytes of two kinds differ; the hashes
        // live only while one check compares them.
        const auto kind = static_cast<unsigned char>(v.index());
        h = mix(h, &kind, 1);
        std::visit(db::Overloaded{
                       [](std::monostate) {},
                       [&](int32_t i) { h = mix(h, &i, sizeof i); },
                       [&](double d) { h = mix(h, &d, sizeof d); },
                       // A stored form is never a logical or a decimal: no column holds one.
                       [](bool) {},
                       [](const db::BcdValue&) {},
                       [&](db::DateValue day) { h = mix(h, &day.days, sizeof day.days); },
                       [&](db::TimeValue t) { h = mix(h, &t.msecs, sizeof t.msecs); },
                       [&](db::TimestampValue ts) { h = mix(h, &ts.msecs, sizeof ts.msecs); },
                       [&](const std::string& s) {
                           const uint64_t n = s.size();
                           h = mix(mix(h, &n, sizeof n), s.data(), s.size());
                       },
                   },
                   v);
    }
    return h;
}

std::optional<int32_t> integerText(std::string_view s)
{
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    const std::string text(s);
    if (text.empty()) return std::nullopt;
    char* end = nullptr;
    errno = 0;
    const long long n = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || n < INT32_MIN || n > INT32_MAX) return std::nullopt;
    return int32_t(n);
}

int64_t dayOf(const locale::DateTimeParts& p) { return locale::daysFromCivil(p.year, p.month, p.day); }
int64_t secondsOfDay(const locale::DateTimeParts& p) { return (int64_t(p.hour) * 60 + p.minute) * 60 + p.second; }

// Reads the slot's rows in their order, each mapped into the stored forms.
// An error of the source ends the reading and is thrown on.
void forEachExpected(SourceQuery& source, const ImportSlot& slot, const std::vector<std::string>& names,
                     const std::vector<StagedColumn>& columns,
                     const std::function<void(int64_t position, const Row& row)>& visit)
{
    source.setSql(slot.sourceSql);
    source.open();
    std::vector<const db::Field*> fields(names.size(), nullptr);
    std::string scratch;
    Row row(names.size());
    // One set of regional formats for the slot, as a run maps and binds in one.
    const std::shared_ptr<const locale::LocaleFormats> formats = locale::currentFormats();
    for (int64_t position = 1; !source.eof(); ++position) {
        for (size_t p = 0; p < names.size(); ++p) {
            try {
                if (!fields[p]) fields[p] = &source.fieldByName(names[p]);
                row[p] = p < columns.size() ? storedForm(parameterValue(*fields[p], scratch, *formats), columns[p], *formats)
                                            : refused("");
            } catch (const rk::Exception&) {
                row[p] = refused("?");  // a run stops here; the source check names it
            }
        }
        visit(position, row);
        source.next();
    }
    source.close();
}

void forEachStaged(StagingSource& staging, const std::string& select,
                   const std::function<void(int64_t position, const Row& row)>& visit)
{
    staging.open(select);
    Row row;
    for (int64_t position = 1; staging.fetch(row); ++position) visit(position, row);
}

// Hashes of `of` that `other` lacks, each as often as it lacks it (both sorted).
std::unordered_map<uint64_t, int64_t> surplus(const std::vector<uint64_t>& of, const std::vector<uint64_t>& other)
{
    std::vector<uint64_t> rest;
    std::set_difference(of.begin(), of.end(), other.begin(), other.end(), std::back_inserter(rest));
    std::unordered_map<uint64_t, int64_t> counts;
    for (uint64_t h : rest) ++counts[h];
    return counts;
}

struct HeldRow {
    RowPlace place;
    Row values;
    bool paired = false;
};

std::string keyOf(const Row& row, const std::vector<size_t>& keyColumns)
{
    std::string key;
    for (size_t k : keyColumns) key += storedText(row[k]) + '\x1f';
    return key;
}

} // namespace

db::FieldValue storedForm(const db::ParamView& value, const StagedColumn& column, const locale::LocaleFormats& formats)
{
    using Kind = db::ParamView::Kind;
    if (value.kind == Kind::Null) return std::monostate{};
    const std::string text = value.kind == Kind::Integer ? std::to_string(value.integer) : std::string(value.text);
    switch (column.kind) {
    case ColumnKind::FixedText: {
        std::string padded = text;
        if (padded.size() < size_t(column.length)) padded.append(size_t(column.length) - padded.size(), ' ');
        return padded;
    }
    case ColumnKind::Text:
    case ColumnKind::Blob:
    case ColumnKind::Other: return text;
    case ColumnKind::Integer:
        if (value.kind == Kind::Integer) return value.integer;
        if (const auto n = integerText(text)) return *n;
        return refused(text);
    case ColumnKind::Float: {
        if (value.kind == Kind::Integer) return double(value.integer);
        // from_chars, not strtod: the C library's own locale must not decide.
        std::string c = text;
        std::replace(c.begin(), c.end(), formats.decimalMark, '.');
        double d = 0;
        const auto [end, error] = std::from_chars(c.data(), c.data() + c.size(), d);
        if (error != std::errc() || end != c.data() + c.size()) return refused(text);
        return d;
    }
    case ColumnKind::Date:
    case ColumnKind::Time:
    case ColumnKind::Timestamp:
        if (value.kind == Kind::Integer) return refused(text);
        try {
            // Read back by the regional settings that wrote it, to the second, as the binding does.
            const locale::DateTimeParts p = locale::dateTimeParts(locale::parseDateTimeText(text, formats));
            if (column.kind == ColumnKind::Date) return db::DateValue{int32_t(dayOf(p))};
            if (column.kind == ColumnKind::Time) return db::TimeValue{int32_t(secondsOfDay(p) * 1000)};
            return db::TimestampValue{double(dayOf(p) * kMSecsPerDay + secondsOfDay(p) * 1000)};
        } catch (const rk::Exception&) {
            return refused(text);
        }
    }
    return text;
}

std::string storedText(const db::FieldValue& value)
{
    char buffer[64];
    return std::visit(
        db::Overloaded{
            [](std::monostate) -> std::string { return "NULL"; },
            [](int32_t i) { return std::to_string(i); },
            [&](double d) -> std::string {
                std::snprintf(buffer, sizeof buffer, "%.17g", d);
                return buffer;
            },
            // Never a stored form (see rowHash).
            [](bool) -> std::string { return "?"; },
            [](const db::BcdValue&) -> std::string { return "?"; },
            [&](db::DateValue date) -> std::string {
                const locale::CivilDate d = locale::civilFromDays(date.days);
                std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", d.year, d.month, d.day);
                return buffer;
            },
            [&](db::TimeValue time) -> std::string {
                const int32_t ms = time.msecs;
                std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d", ms / 3600000, ms / 60000 % 60,
                              ms / 1000 % 60);
                return buffer;
            },
            [&](db::TimestampValue moment) -> std::string {
                const auto ms = int64_t(moment.msecs);
                const locale::CivilDate d = locale::civilFromDays(ms / kMSecsPerDay);
                const int64_t t = ms % kMSecsPerDay;
                std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d", d.year, d.month, d.day,
                              int(t / 3600000), int(t / 60000 % 60), int(t / 1000 % 60));
                return buffer;
            },
            [](const std::string& s) -> std::string {
                if (!s.empty() && s.front() == kRefused) return ansi("nicht übertragbar: ") + s.substr(1);
                return "\"" + s + "\"";
            },
        },
        value);
}

std::optional<double> latestJobRecord(StagingSource& staging)
{
    std::optional<double> latest;
    const int64_t base = locale::daysFromCivil(1899, 12, 30);
    forEachStaged(staging, "SELECT DATUM, ZEIT FROM IMPORT_RK5_INFO", [&](int64_t, const Row& row) {
        const auto* day = row.size() == 2 ? std::get_if<db::DateValue>(&row[0]) : nullptr;
        if (!day) return;
        const auto* time = std::get_if<db::TimeValue>(&row[1]);
        const double moment = double(day->days - base) + (time ? double(time->msecs) / kMSecsPerDay : 0.0);
        if (!latest || moment > *latest) latest = moment;
    });
    return latest;
}

TableCompare compareSlot(SourceQuery& source, StagingSource& staging, const ImportSlot& slot)
{
    TableCompare c;
    c.table = sourceTableOf(slot.sourceSql);
    c.targetTable = slot.targetTable;
    const std::vector<std::string> names = insertParameterNames(slot.insertSql);
    const std::vector<std::string> columnNames = insertColumnNames(slot.insertSql);
    std::string select = "SELECT ";
    for (size_t k = 0; k < columnNames.size(); ++k) select += (k ? ", " : "") + columnNames[k];
    select += " FROM " + slot.targetTable;

    std::vector<StagedColumn> columns;
    std::vector<uint64_t> staged, expected;
    try {
        columns = staging.open(select);
        Row row;
        while (staging.fetch(row)) staged.push_back(rowHash(row));
    } catch (const rk::Exception& error) {
        c.error = error.message();
        return c;
    }
    c.stagedRows = int64_t(staged.size());
    try {
        forEachExpected(source, slot, names, columns, [&](int64_t, const Row& row) { expected.push_back(rowHash(row)); });
    } catch (const rk::Exception& error) {
        c.error = error.message();
        source.close();
    }
    c.expectedRows = int64_t(expected.size());

    std::vector<uint64_t> sortedExpected = expected, sortedStaged = staged;
    std::sort(sortedExpected.begin(), sortedExpected.end());
    std::sort(sortedStaged.begin(), sortedStaged.end());
    std::unordered_map<uint64_t, int64_t> missing = surplus(sortedExpected, sortedStaged);
    std::unordered_map<uint64_t, int64_t> extra = surplus(sortedStaged, sortedExpected);
    int64_t missingCount = 0, extraCount = 0;
    for (const auto& [h, n] : missing) missingCount += n;
    for (const auto& [h, n] : extra) extraCount += n;
    c.equalRows = c.expectedRows - missingCount;

    const std::vector<std::string> keys = keyFieldsOf(slot);
    std::vector<size_t> keyColumns;
    for (const std::string& key : keys)
        for (size_t k = 0; k < columnNames.size(); ++k)
            if (upperAnsi(columnNames[k]) == upperAnsi(key)) keyColumns.push_back(k);
    if (keyColumns.empty() && !columnNames.empty()) keyColumns.push_back(0);
    auto keyValues = [&](const Row& row) {
        KeyValues values;
        for (size_t k : keyColumns) {
            // Keys read as the source's keys do: a text without its quotes.
            const auto* text = std::get_if<std::string>(&row[k]);
            values.emplace_back(columnNames[k], text && (text->empty() || text->front() != kRefused)
                                                    ? *text
                                                    : storedText(row[k]));
        }
        return values;
    };

    try {
        if (missingCount == 0 && extraCount == 0) {
            // Same rows: where the statement orders them, the order must match too.
            if (orderColumnsOf(slot.sourceSql).empty() || expected == staged) return c;
            const auto at = std::mismatch(expected.begin(), expected.end(), staged.begin()).first - expected.begin();
            c.orderDiffers = true;
            forEachExpected(source, slot, names, columns, [&](int64_t position, const Row& row) {
                if (position != at + 1) return;
                c.differences.push_back({RowDifference::Kind::Order,
                                         {c.table, source.recordIndex(), position, keyValues(row), {}}, {}, {}, {}});
            });
            return c;
        }
        // The rows behind the first differences, read again (a bounded number of them).
        std::vector<HeldRow> missingRows, extraRows;
        forEachExpected(source, slot, names, columns, [&](int64_t position, const Row& row) {
            auto it = missing.find(rowHash(row));
            if (it == missing.end() || it->second == 0 || missingRows.size() >= kListedPerTable) return;
            --it->second;
            missingRows.push_back({{c.table, source.recordIndex(), position, keyValues(row), {}}, row});
        });
        forEachStaged(staging, select, [&](int64_t position, const Row& row) {
            auto it = extra.find(rowHash(row));
            if (it == extra.end() || it->second == 0 || extraRows.size() >= kListedPerTable) return;
            --it->second;
            extraRows.push_back({{slot.targetTable, -1, position, keyValues(row), {}}, row});
        });
        std::unordered_multimap<std::string, size_t> extraByKey;
        for (size_t e = 0; e < extraRows.size(); ++e) extraByKey.emplace(keyOf(extraRows[e].values, keyColumns), e);
        for (HeldRow& m : missingRows) {
            auto [from, to] = extraByKey.equal_range(keyOf(m.values, keyColumns));
            for (auto it = from; it != to; ++it) {
                HeldRow& e = extraRows[it->second];
                if (e.paired) continue;
                e.paired = m.paired = true;
                ++c.differentRows;
                size_t col = 0;
                while (col < m.values.size() && col < e.values.size() && m.values[col] == e.values[col]) ++col;
                if (col >= m.values.size() || col >= e.values.size()) col = 0;
                if (c.differences.size() < kListedPerTable)
                    c.differences.push_back({RowDifference::Kind::Different, m.place,
                                             col < columnNames.size() ? columnNames[col] : std::string(),
                                             storedText(e.values[col]), storedText(m.values[col])});
                break;
            }
        }
        for (const HeldRow& m : missingRows)
            if (!m.paired && c.differences.size() < kListedPerTable)
                c.differences.push_back({RowDifference::Kind::Missing, m.place, {}, {}, {}});
        for (const HeldRow& e : extraRows)
            if (!e.paired && c.differences.size() < kListedPerTable)
                c.differences.push_back({RowDifference::Kind::Extra, e.place, {}, {}, {}});
    } catch (const rk::Exception& error) {
        if (c.error.empty()) c.error = error.message();
        source.close();
    }
    c.missingRows = missingCount - c.differentRows;
    c.extraRows = extraCount - c.differentRows;
    return c;
}

} // namespace rk::transfer
