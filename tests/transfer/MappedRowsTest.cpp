// The rows read and mapped ahead: every row in order across the batch
// borders with the values assignParamFromField gives, an error at the row
// where it happened (and again after it), long texts whole, a stop before
// the end; each row bound in the formats it was mapped in while the settings
// change; rows handed over as soon as the run waits; the bytes read ahead
// bounded; the reading thread joined; and the cores kept apart.
#include <pthread.h>
#include <sched.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "db/common/Exception.h"
#include "locale/LocaleFormats.h"
#include "tests/support/GermanFormats.h"
#include "tests/support/SourceDouble.h"
#include "transfer/MappedRows.h"
#include "transfer/ValueMapping.h"

namespace rk::transfer {
namespace {

using db::DataType;
using db::Field;
using db::ParamView;
using rk::test::FakeResult;
using rk::test::FakeSource;

using FieldMakers = decltype(FakeResult::fields);

// Opens `source` on a result of `rows` rows with just these fields.
void openRows(FakeSource& source, int rows, FieldMakers fields)
{
    FakeResult r;
    r.rows = rows;
    r.anyField = false;
    r.fields = std::move(fields);
    source.anySql = r;
    source.setSql("SELECT");
    source.open();
}

class MappedRowsTest : public ::testing::Test {
protected:
    void SetUp() override { locale::setCurrentFormats(rk::test::germanFormats()); }
    void TearDown() override { locale::setCurrentFormats(locale::LocaleFormats{}); }

    // A result of `rows` rows with one field of each kind the mapping tells
    // apart: an integer, a text (blank in every third row), a logical and a
    // date; `replaced` takes the place of some of them.
    static void fill(FakeSource& source, int rows, const FieldMakers& replaced = {})
    {
        FieldMakers fields{
            {"ID", [](int row) { return Field{"ID", DataType::ftInteger, 0, int32_t(row)}; }},
            {"NAME",
             [](int row) {
                 const std::string text = row % 3 == 2 ? std::string("  ") : "N" + std::to_string(row);
                 return Field{"NAME", DataType::ftString, 20, text};
             }},
            {"OK", [](int row) { return Field{"OK", DataType::ftBoolean, 0, row % 2 == 0}; }},
            {"AM", [](int row) { return Field{"AM", DataType::ftDate, 0, db::DateValue{730000 + row}}; }}};
        for (const auto& [name, make] : replaced) fields[name] = make;
        openRows(source, rows, std::move(fields));
    }
    const std::vector<std::string> names{"ID", "name", "OK", "AM"};

    // What assignParamFromField gives for the same row, as text ("<NULL>",
    // "#12" for an integer).
    static std::string expected(const Field& field)
    {
        db::Param p{field.name, {}};
        assignParamFromField(p, field);
        if (p.value.isNull()) return "<NULL>";
        if (p.value.holdsInteger()) return "#" + std::to_string(p.value.integer());
        return p.value.text();
    }
    static std::string shown(const ParamView& v)
    {
        if (v.kind == ParamView::Kind::Null) return "<NULL>";
        if (v.kind == ParamView::Kind::Integer) return "#" + std::to_string(v.integer);
        return std::string(v.text);
    }
};

TEST_F(MappedRowsTest, EveryRowInOrderAcrossBatchBordersWithTheMappingsValues)
{
    for (int rows : {0, 1, 63, 64, 65, 300}) {
        FakeSource source, reference;
        fill(source, rows);
        fill(reference, rows);
        MappedRows mapped(source, names);
        int row = 0;
        while (const auto values = mapped.next()) {
            ASSERT_EQ(values->size(), names.size());
            for (size_t p = 0; p < names.size(); ++p)
                EXPECT_EQ(shown((*values)[p]), expected(reference.fieldByName(names[p])))
                    << rows << " rows, row " << row << ", " << names[p];
            reference.next();
            ++row;
        }
        EXPECT_EQ(row, rows);
        EXPECT_FALSE(mapped.next()) << "the end stays the end";
    }
}

TEST_F(MappedRowsTest, AnErrorComesAtItsRowAndStaysThere)
{
    // Row 0 fails in the first lookup's reading; the others in the step
    // from the row before (the double refills its fields there).
    for (int failing : {0, 5, 64, 130}) {
        FakeSource source;
        fill(source, 500, {{"NAME", [failing](int row) -> Field {
                                if (row == failing) throw EDatabaseError("Satz " + std::to_string(row) + " defekt");
                                return Field{"NAME", DataType::ftString, 20, std::string("x")};
                            }}});
        MappedRows mapped(source, names);
        int row = 0;
        std::string message;
        try {
            while (mapped.next()) ++row;
        } catch (const EDatabaseError& e) {
            message = e.what();
        }
        EXPECT_EQ(row, failing);
        EXPECT_EQ(message, "Satz " + std::to_string(failing) + " defekt");
        EXPECT_THROW(mapped.next(), EDatabaseError);
    }
}

TEST_F(MappedRowsTest, AnErrorSaysWhereItsRowIs)
{
    // A value the mapping refuses names its row's keys and its field; a row
    // whose reading fails (in the double, the step to it) names neither,
    // since the values at hand are still the row before's.
    struct Case {
        bool mapping;
        int failing;
        const char* place;
    } cases[] = {{true, 5, "Tabelle T, Zeile 6 (ID 5), Feld name"},
                 {true, 130, "Tabelle T, Zeile 131 (ID 130), Feld name"},
                 {false, 70, "Tabelle T, Zeile 71"}};
    for (const Case& c : cases) {
        FakeSource source;
        fill(source, 200, {{"NAME", [c](int row) -> Field {
                                if (row == c.failing && !c.mapping) throw EDatabaseError("Satz defekt");
                                if (row == c.failing)
                                    return Field{"NAME", DataType::ftBCD, 2, db::BcdValue{false, {0xC}, 0}};
                                return Field{"NAME", DataType::ftString, 20, std::string("x")};
                            }}});
        MappedRows mapped(source, names, "T", {"ID"});
        try {
            while (mapped.next()) {}
            ADD_FAILURE() << c.place;
        } catch (const rk::Exception& e) {
            EXPECT_EQ(e.place(), c.place);
        }
    }
}

TEST_F(MappedRowsTest, AMissingFieldFailsInTheFirstRow)
{
    FakeSource source;
    fill(source, 10);
    MappedRows mapped(source, {"ID", "FEHLT"});
    EXPECT_THROW(mapped.next(), EDatabaseError);
}

TEST_F(MappedRowsTest, LongTextsArriveWholeWhenTheyEndABatchEarly)
{
    // 20 texts of 1 MiB pass the size after which a batch is handed over.
    FakeSource source;
    openRows(source, 20, {{"MEMO", [](int row) {
                               return Field{"MEMO", DataType::ftMemo, 0, std::string(1 << 20, char('a' + row))};
                           }}});
    MappedRows mapped(source, {"MEMO"});
    int row = 0;
    while (const auto values = mapped.next()) {
        ASSERT_EQ((*values)[0].text.size(), size_t(1) << 20);
        EXPECT_EQ((*values)[0].text, std::string(1 << 20, char('a' + row))) << row;
        ++row;
    }
    EXPECT_EQ(row, 20);
}

TEST_F(MappedRowsTest, LeftBeforeTheEndItStopsReading)
{
    std::atomic<int> made{0};
    FakeSource source;
    fill(source, 1000000, {{"ID", [&made](int row) {
                                ++made;
                                return Field{"ID", DataType::ftInteger, 0, int32_t(row)};
                            }}});
    const auto t0 = std::chrono::steady_clock::now();
    {
        MappedRows mapped(source, names);
        for (int i = 0; i < 3; ++i) ASSERT_TRUE(mapped.next());
    }
    { MappedRows never(source, names); }  // left without a row taken
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(10));
    EXPECT_LT(made.load(), 20000) << "read no further than a few batches ahead";
}

// The one core of `set`, or -1.
int onlyCore(const cpu_set_t& set)
{
    if (CPU_COUNT(&set) != 1) return -1;
    for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu)
        if (CPU_ISSET(cpu, &set)) return cpu;
    return -1;
}

// A source whose every row takes `perRow` and counts itself in `made`
// once read (one field, "ID", the row's number).
void slowSource(FakeSource& source, int rows, std::chrono::microseconds perRow, std::atomic<int>& made)
{
    openRows(source, rows, {{"ID", [perRow, &made](int row) {
                                 std::this_thread::sleep_for(perRow);
                                 ++made;
                                 return Field{"ID", DataType::ftInteger, 0, int32_t(row)};
                             }}});
}

TEST_F(MappedRowsTest, EachBatchIsBoundInTheFormatsItWasMappedIn)
{
    // Settings changing all the while on another thread, between a set whose
    // dates read "13.09.1999" and one whose dates read "9/13/1999": every
    // date must read back as its own day in the set next() says it was
    // mapped in, and the change must reach the later rows.
    constexpr int kRows = 20000;
    FakeSource source;
    fill(source, kRows);
    const locale::LocaleFormats german = rk::test::germanFormats();
    locale::LocaleFormats american;
    american.datePattern = "m/d/yyyy";
    // Joined however the test ends.
    std::jthread changes([&](std::stop_token stop) {
        for (int i = 0; !stop.stop_requested(); ++i) {
            locale::setCurrentFormats(i % 2 ? american : german);
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    });
    MappedRows mapped(source, {"AM"});
    int row = 0, american_ = 0;
    while (const auto values = mapped.next()) {
        const locale::LocaleFormats& f = mapped.formats();
        american_ += f.datePattern == american.datePattern;
        const std::string text((*values)[0].text);
        const locale::DateTime day = locale::parseDateTimeText(text, f);
        ASSERT_EQ(locale::DateTime(730000 + row - locale::kDateDelta), day) << "row " << row << ": " << text;
        ++row;
    }
    changes.request_stop();
    EXPECT_EQ(row, kRows);
    EXPECT_GT(american_, 0) << "a change applies from a later batch";
    EXPECT_LT(american_, kRows);
}

TEST_F(MappedRowsTest, ASlowSourceHandsOverTheRowsThereAre)
{
    // 2 ms a row: the run gets its first rows without waiting for a batch of
    // 64, and the longest wait between two rows stays near one row's time
    // (printed, not asserted: the machine may be busy).
    std::atomic<int> made{0};
    FakeSource source;
    slowSource(source, 150, std::chrono::milliseconds(2), made);
    MappedRows mapped(source, {"ID"});
    ASSERT_TRUE(mapped.next());
    EXPECT_LT(made.load(), 64) << "the first row waited for a whole batch";
    auto last = std::chrono::steady_clock::now();
    std::chrono::steady_clock::duration longest{};
    int rows = 1;
    while (mapped.next()) {
        const auto now = std::chrono::steady_clock::now();
        longest = std::max(longest, now - last);
        last = now;
        ++rows;
    }
    EXPECT_EQ(rows, 150);
    const double ms = std::chrono::duration<double, std::milli>(longest).count();
    RecordProperty("longest_wait_ms", std::to_string(ms));
    std::printf("longest wait between rows from a source of 2 ms a row: %.1f ms\n", ms);
}

TEST_F(MappedRowsTest, ReadingAheadStopsAtItsBytesOverAllBatches)
{
    // Memos of 1 MiB: while the run holds its first row, the reading goes
    // no further than the bound (one row may pass it).
    std::atomic<int> made{0};
    FakeSource source;
    openRows(source, 200, {{"MEMO", [&made](int row) {
                                ++made;
                                return Field{"MEMO", DataType::ftMemo, 0, std::string(1 << 20, char('a' + row % 26))};
                            }}});
    MappedRows mapped(source, {"MEMO"});
    ASSERT_TRUE(mapped.next());
    // Until the reading has come to rest.
    for (int before = -1, i = 0; i < 300 && made.load() != before; ++i) {
        before = made.load();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    const int limitRows = int(MappedRows::kReadAheadBytes >> 20);
    EXPECT_LE(made.load(), limitRows + 3) << "rows read ahead of the run";
    int row = 1;
    while (const auto values = mapped.next()) {
        ASSERT_EQ((*values)[0].text, std::string(1 << 20, char('a' + row % 26))) << row;
        ++row;
    }
    EXPECT_EQ(row, 200);
}

TEST_F(MappedRowsTest, TheDestructorWaitsForTheReadingThread)
{
    // The query is the caller's again once the rows are gone: no row is
    // read after the destructor returns, wherever the reading was.
    for (int taken : {0, 1, 5}) {
        std::atomic<int> made{0};
        FakeSource source;
        slowSource(source, 1000, std::chrono::milliseconds(2), made);
        {
            MappedRows mapped(source, {"ID"});
            for (int i = 0; i < taken; ++i) ASSERT_TRUE(mapped.next());
            std::this_thread::sleep_for(std::chrono::milliseconds(3));
        }
        const int atEnd = made.load();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        EXPECT_EQ(made.load(), atEnd) << taken << " rows taken";
    }
}

TEST_F(MappedRowsTest, TheCallerKeepsToOtherCoresWhileTheRowsLastAndGetsItsOwnBack)
{
    // Run on a thread of its own with a start of its own choosing, so that
    // nothing before it matters.
    cpu_set_t allowed;
    ASSERT_EQ(pthread_getaffinity_np(pthread_self(), sizeof allowed, &allowed), 0);
    std::vector<int> cores;
    for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu)
        if (CPU_ISSET(cpu, &allowed)) cores.push_back(cpu);
    const struct {
        const char* legend;
        size_t count;
    } starts[] = {{"one core", 1}, {"two cores", 2}, {"every core", cores.size()}};
    for (const auto& start : starts) {
        if (start.count > cores.size()) continue;
        SCOPED_TRACE(start.legend);
        cpu_set_t chosen;
        CPU_ZERO(&chosen);
        for (size_t k = 0; k < start.count; ++k) CPU_SET(cores[k], &chosen);
        std::thread([&] {
            ASSERT_EQ(pthread_setaffinity_np(pthread_self(), sizeof chosen, &chosen), 0);
            // The reading thread's one core while it read, -1 until it read, -2 once it read on more than one.
            std::atomic<int> reading{-1};
            FakeSource source;
            fill(source, 200, {{"ID", [&reading](int row) {
                                    cpu_set_t own;
                                    if (pthread_getaffinity_np(pthread_self(), sizeof own, &own) == 0 && reading != -2)
                                        reading = onlyCore(own) >= 0 ? onlyCore(own) : -2;
                                    return Field{"ID", DataType::ftInteger, 0, int32_t(row)};
                                }}});
            {
                MappedRows mapped(source, names);
                ASSERT_TRUE(mapped.next());
                cpu_set_t during;
                ASSERT_EQ(pthread_getaffinity_np(pthread_self(), sizeof during, &during), 0);
                while (mapped.next()) {
                }
                if (start.count >= 2) {
                    EXPECT_EQ(CPU_COUNT(&during), int(start.count) - 1) << "one core left to the reading";
                    ASSERT_GE(reading.load(), 0) << "every row read on one core";
                    EXPECT_TRUE(CPU_ISSET(reading.load(), &chosen));
                    EXPECT_FALSE(CPU_ISSET(reading.load(), &during)) << "the reading keeps to a core of its own";
                } else {
                    EXPECT_TRUE(CPU_EQUAL(&during, &chosen));
                }
            }
            cpu_set_t after;
            ASSERT_EQ(pthread_getaffinity_np(pthread_self(), sizeof after, &after), 0);
            EXPECT_TRUE(CPU_EQUAL(&after, &chosen));
        }).join();
    }
}

} // namespace
} // namespace rk::transfer
