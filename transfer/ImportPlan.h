// The import plan: what a transfer moves, in which order, with which SQL.
// It is data, not code: adding or changing a table means changing one row
// of the table in ImportPlan.cpp. The texts keep their irregular spacing.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace rk::transfer {

struct ImportSlot {
    std::string caption;      // shown in the log; empty marks an empty slot for the copy phase
    std::string sourceSql;    // the SELECT on the source
    std::string targetTable;  // emptied by the purge phase; empty marks an empty slot there
    std::string insertSql;    // executed once per source row
};

constexpr int kSlotCount = 13;
using ImportPlan = std::array<ImportSlot, kSlotCount>;

// The 13 slots, slot 1 first (all texts Windows-1252).
ImportPlan buildImportPlan();

// "DELETE FROM " + table.
std::string purgeSql(const std::string& targetTable);

// The tables a statement reads, each once, in the order they first appear,
// as written after FROM or JOIN, upper-cased, without an extension ".DB".
std::vector<std::string> tablesOf(const std::string& sql);
// The source tables the plan and the current-user query read, each once, in
// the order they first appear, as written after FROM or JOIN without an
// extension ".DB": the tables a source folder must hold.
std::vector<std::string> sourceTables(const ImportPlan& plan);

// Completion statements.
extern const char* const kCurrentUserQuery;   // source: "SELECT * FROM CURRENTUSER"
extern const char* const kCurrentUserField;   // "ID"
std::string currentUserMarkSql(int32_t userId);
extern const char* const kJobRecordInsert;

} // namespace rk::transfer
