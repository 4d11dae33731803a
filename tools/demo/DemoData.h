// The demo data set: the thirteen Paradox tables the import plan reads
// (REGIONEN to BILDER and CURRENTUSER), written with ParadoxWriter from a
// fixed seed, so that each size always gives the same files.
//
//   Manifest m("/tmp/demo/manifest.jsonl");
//   auto counts = writeDemoSet("/tmp/demo/paradox", DemoSize::Demo, m);
//
// The tables mix file versions (4.x, 5.x, 7.x) and code pages (1252, 850,
// 437), and hold every column kind the value mapping tells apart, blank
// values of every kind, memos with line breaks, dates before 1900 and after
// 2000. writeWegeTable() writes only the WEGE table, with any number of
// rows, for the benchmarks.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "tools/demo/Manifest.h"

namespace rk::tools::demo {

enum class DemoSize { Demo, Large };

struct DemoCounts {
    int regions, areas, summits, routes, ascents, names, users, dayNotes, noteRoutes, firstAscenders, pictures;
};

DemoCounts countsFor(DemoSize size);

// Table name and rows written, in the order of the import plan.
using TableCounts = std::vector<std::pair<std::string, uint32_t>>;

TableCounts writeDemoSet(const std::filesystem::path& dir, DemoSize size, Manifest& manifest);
// The same with counts of one's own (each at least 1 for regions, areas and
// summits; 0 elsewhere gives an empty table).
TableCounts writeDemoSet(const std::filesystem::path& dir, const DemoCounts& counts, Manifest& manifest);

// A WEGE table of `rows` rows (file name WEGE.DB in `dir`), shaped as in
// the demo set, routes spread over `summits` summits.
uint32_t writeWegeTable(const std::filesystem::path& dir, uint32_t rows, int summits, Manifest& manifest);

} // namespace rk::tools::demo
