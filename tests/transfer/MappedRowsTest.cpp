// The rows read and mapped ahead: every row in order across the batch
// borders with the values assignParamFromField gives, an error at the row
// where it happened (and again after it), long texts whole, and a stop
// before the end.
#include <pthread.h>
#include <sched.h>

#include <atomic>
#include <chrono>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "db/common/Exception.h"
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

class MappedRowsTest : public ::testing::Test {
protected:
    void SetUp() override { locale::setCurrentFormats(rk::test::germanFormats()); }
    void TearDown() override { locale::setCurrentFormats(locale::LocaleFormats{}); }

    // A result of `rows` rows with one field of each kind the mapping tells
    // apart: an integer, a text (blank in every third row), a logical and a
    // date.
    static void fill(FakeSource& source, int rows)
    {
        FakeResult r;
        r.rows = rows;
        r.anyField = false;
        r.fields["ID"] = [](int row) { return Field{"ID", DataType::ftInteger, 0, int32_t(row)}; };
        r.fields["NAME"] = [](int row) {
            return Field{"NAME", DataType::ftString, 20, row % 3 == 2 ? std::string("  ") : "N" + std::to_string(row)};
        };
        r.fields["OK"] = [](int row) { return Field{"OK", DataType::ftBoolean, 0, row % 2 == 0}; };
        r.fields["AM"] = [](int row) { return Field{"AM", DataType::ftDate, 0, db::DateValue{730000 + row}}; };
        source.anySql = r;
        source.setSql("SELECT");
        source.open();
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
        fill(source, 500);
        source.anySql->fields["NAME"] = [failing](int row) -> Field {
            if (row == failing) throw EDatabaseError("Satz " + std::to_string(row) + " defekt");
            return Field{"NAME", DataType::ftString, 20, std::string("x")};
        };
        source.setSql("SELECT");
        source.open();
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
        fill(source, 200);
        source.anySql->fields["NAME"] = [c](int row) -> Field {
            if (row == c.failing && !c.mapping) throw EDatabaseError("Satz defekt");
            if (row == c.failing) return Field{"NAME", DataType::ftBCD, 2, db::BcdValue{false, {0xC}, 0}};
            return Field{"NAME", DataType::ftString, 20, std::string("x")};
        };
        source.setSql("SELECT");
        source.open();
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
    FakeResult r;
    r.rows = 20;
    r.anyField = false;
    r.fields["MEMO"] = [](int row) {
        return Field{"MEMO", DataType::ftMemo, 0, std::string(1 << 20, char('a' + row))};
    };
    FakeSource source;
    source.anySql = r;
    source.setSql("SELECT");
    source.open();
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
    fill(source, 1000000);
    source.anySql->fields["ID"] = [&made](int row) {
        ++made;
        return Field{"ID", DataType::ftInteger, 0, int32_t(row)};
    };
    source.setSql("SELECT");
    source.open();
    const auto t0 = std::chrono::steady_clock::now();
    {
        MappedRows mapped(source, names);
        for (int i = 0; i < 3; ++i) ASSERT_TRUE(mapped.next());
    }
    { MappedRows never(source, names); }  // left without a row taken
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(10));
    EXPECT_LT(made.load(), 20000) << "read no further than a few batches ahead";
}

TEST_F(MappedRowsTest, TheCallerKeepsToOtherCoresWhileTheRowsLastAndGetsItsOwnBack)
{
    cpu_set_t before;
    ASSERT_EQ(pthread_getaffinity_np(pthread_self(), sizeof before, &before), 0);
    FakeSource source;
    fill(source, 200);
    {
        MappedRows mapped(source, names);
        ASSERT_TRUE(mapped.next());
        cpu_set_t during;
        ASSERT_EQ(pthread_getaffinity_np(pthread_self(), sizeof during, &during), 0);
        if (CPU_COUNT(&before) >= 2) {
            EXPECT_EQ(CPU_COUNT(&during), CPU_COUNT(&before) - 1) << "one core left to the reading";
        } else {
            EXPECT_TRUE(CPU_EQUAL(&during, &before));
        }
        while (mapped.next()) {
        }
    }
    cpu_set_t after;
    ASSERT_EQ(pthread_getaffinity_np(pthread_self(), sizeof after, &after), 0);
    EXPECT_TRUE(CPU_EQUAL(&after, &before));
}

} // namespace
} // namespace rk::transfer
