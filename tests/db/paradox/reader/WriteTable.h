// One call that writes a whole Paradox table with ParadoxWriter: the tests
// build their input tables with it instead of a writer block each.
#pragma once

#include <filesystem>
#include <vector>

#include "db/common/FieldValue.h"
#include "tools/pxwrite/ParadoxWriter.h"

namespace rk::test {

using TableRows = std::vector<std::vector<db::FieldValue>>;

inline void writeTable(const std::filesystem::path& file, std::vector<tools::pxwrite::Column> columns,
                       const TableRows& rows, const tools::pxwrite::WriterOptions& options = {})
{
    tools::pxwrite::ParadoxWriter w(file, std::move(columns), options);
    for (const auto& r : rows) w.addRow(r);
    w.finish();
}

} // namespace rk::test
