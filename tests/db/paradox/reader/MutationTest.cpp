// Deterministic damage to real and written tables, run in every build: bytes
// flipped, runs overwritten, files cut short. The reader must answer each
// with EParadoxError or a value, never crash, hang or throw anything else.
// (The libFuzzer target in tests/fuzz explores the same entry point.)
#include <gtest/gtest.h>

#include <random>

#include "tests/db/paradox/reader/TempDir.h"
#include "tests/db/paradox/reader/WriteTable.h"
#include "tests/fuzz/ParadoxFuzzInput.h"
#include "tests/support/SharedFixtures.h"

namespace {

using namespace rk::source::paradox;

std::vector<uint8_t> writtenSample()
{
    rk::test::TempDir dir;
    rk::test::TableRows rows;
    for (int i = 0; i < 40; ++i)
        rows.push_back({std::string("r") + std::to_string(i), i * 1.5, double(i), std::string(i * 40, 'm'),
                        std::string(i % 3 ? 100 : 3000, 'g')});
    rk::test::writeTable(dir / "M.DB",
                         {{"A", FieldType::Alpha, 8}, {"N", FieldType::Number}, {"B", FieldType::Bcd, 3},
                          {"M", FieldType::Memo, 12}, {"G", FieldType::Graphic}},
                         rows);
    return rk::test::packFuzzInput(rk::test::readBytes(dir / "M.DB"), rk::test::readBytes(dir / "M.MB"));
}

std::vector<uint8_t> readEither(const std::filesystem::path& base, const char* upper, const char* lower)
{
    const auto bytes = rk::test::readBytes(base.string() + upper);
    return bytes.empty() ? rk::test::readBytes(base.string() + lower) : bytes;
}

void mutateAndRead(const std::vector<uint8_t>& input, unsigned seed, int rounds)
{
    std::mt19937 rng(seed);
    for (int round = 0; round < rounds; ++round) {
        std::vector<uint8_t> m = input;
        const int edits = 1 + static_cast<int>(rng() % 8);
        for (int e = 0; e < edits; ++e) {
            const size_t at = 4 + rng() % (m.size() - 4);
            switch (rng() % 4) {
            case 0: m[at] ^= static_cast<uint8_t>(1u << (rng() % 8)); break;
            case 1: m[at] = static_cast<uint8_t>(rng()); break;
            case 2: std::fill(m.begin() + at, m.begin() + std::min(m.size(), at + 1 + rng() % 16), 0xFF); break;
            case 3: m.resize(at); break;
            }
            if (m.size() <= 4) break;
        }
        ASSERT_NO_THROW(rk::test::runParadoxFuzzInput(m.data(), m.size())) << "seed " << seed << " round " << round;
    }
}

TEST(Mutation, WrittenTableSurvivesDamage)
{
    const auto input = writtenSample();
    ASSERT_GT(rk::test::runParadoxFuzzInput(input.data(), input.size()), 40u * 5);
    mutateAndRead(input, 1, 1500);
}

TEST(Mutation, FixturesSurviveDamage)
{
    const auto dir = rk::test::paradoxFixture("Rparadox");
    RK_REQUIRE_FIXTURE(dir);
    for (const char* name : {"Rparadox/TypSammlung", "Paradox-Reader/testtab", "paradoxdriver/memo"}) {
        const auto base = rk::test::paradoxFixture(name);
        const auto input = rk::test::packFuzzInput(readEither(base, ".DB", ".db"), readEither(base, ".MB", ".mb"));
        ASSERT_GT(input.size(), 4096u) << name;
        mutateAndRead(input, 7, 1000);
    }
}

} // namespace
