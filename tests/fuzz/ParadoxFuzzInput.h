// Feeds one fuzz input to the Paradox reader. The input is a 4-byte
// little-endian length n, then n bytes of .DB and the rest as the .MB (none
// when empty). Every record and field is decoded; EParadoxError is the only
// acceptable outcome of a bad file. Shared by the libFuzzer target and the
// mutation test that runs in every build.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "db/paradox/reader/ParadoxTable.h"

namespace rk::test {

inline std::vector<uint8_t> packFuzzInput(const std::vector<uint8_t>& db, const std::vector<uint8_t>& mb)
{
    std::vector<uint8_t> out(4);
    const auto n = static_cast<uint32_t>(db.size());
    for (int i = 0; i < 4; ++i) out[i] = static_cast<uint8_t>(n >> (8 * i));
    out.insert(out.end(), db.begin(), db.end());
    out.insert(out.end(), mb.begin(), mb.end());
    return out;
}

// Returns the number of values decoded (for the caller's curiosity).
inline size_t runParadoxFuzzInput(const uint8_t* data, size_t size)
{
    if (size < 4) return 0;
    const uint32_t declared = uint32_t(data[0]) | uint32_t(data[1]) << 8 | uint32_t(data[2]) << 16 |
                              uint32_t(data[3]) << 24;
    const size_t rest = size - 4;
    const size_t n = declared > rest ? rest : declared;
    std::span<const uint8_t> db(data + 4, n);
    std::optional<std::span<const uint8_t>> mb;
    if (rest > n) mb = std::span<const uint8_t>(data + 4 + n, rest - n);
    size_t decoded = 0;
    try {
        source::paradox::OpenOptions options;
        auto t = source::paradox::Table::openMemory("FUZZ.DB", db, mb, options);
        const int fields = static_cast<int>(t->fields().size());
        for (uint32_t r = 0; r < t->recordCount(); ++r) {
            t->readRecord(r);
            for (int f = 0; f < fields; ++f) {
                try {
                    const db::FieldValue v = t->value(f);
                    decoded += v.index();
                } catch (const source::paradox::EParadoxError&) {
                    // a bad blob reference spoils one value, not the table
                }
            }
        }
    } catch (const source::paradox::EParadoxError&) {
    }
    return decoded;
}

} // namespace rk::test
