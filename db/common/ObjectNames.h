// The names the program's objects carry outwardly. They are text,
// not identifiers: each appears in a message, a trace record or the alias
// configuration, and must read there exactly as it always has. The objects
// get them where they are made (app/RealDatabaseParts.cpp, and tests, benchmarks
// and tools that make such objects); the database layers assume none.
//
//   rk::target::Statement statement(&connection, &transaction, rk::names::kTargetStatement);
#pragma once

namespace rk::names {

// Source side.

// The alias of the user's Paradox folder, looked up in the alias
// configuration; the source query connects to it.
inline constexpr const char* kSourceAlias = "DBRK";
// The named connection on that alias opened at start-up for the access
// check; the column listing's table is read through it.
inline constexpr const char* kSourceConnection = "X1";
// The source query: its own errors read "PDXQ1: ...".
inline constexpr const char* kSourceQuery = "PDXQ1";
// The table of the column listing: its errors read "Table1: ...".
inline constexpr const char* kListingTable = "Table1";
// The file that table opens.
inline constexpr const char* kListingTableFile = "BILDER.DB";

// Target side: each name heads the trace records of its object
// ("IBDatabase1: [Connect]", "IBQ1: [Prepare]") and the statement's errors
// ("IBQ1: Parameter '%s' nicht gefunden").

inline constexpr const char* kTargetConnection = "IBDatabase1";
inline constexpr const char* kTargetTransaction = "IBTransaction1";
inline constexpr const char* kTargetStatement = "IBQ1";

// The window's controls, as object names: what a window inspector or a UI
// test finds them by.
namespace window {
inline constexpr const char* kTableProgress = "ProgressBar2"; // the upper bar
inline constexpr const char* kRowProgress = "ProgressBar1";   // the lower bar
inline constexpr const char* kCloseGlyph = "ButtonX";
inline constexpr const char* kStatusLog = "RichEdit1";
inline constexpr const char* kVersionLabel = "Label1";
inline constexpr const char* kStartButton = "Button1";
inline constexpr const char* kQuitButton = "Button2";
// Also the button's caption.
inline constexpr const char* kColumnListButton = "Button3";
} // namespace window

} // namespace rk::names
