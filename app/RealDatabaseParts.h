// The real database objects of MainWindow: the Firebird connection with its
// transaction and statement, and the source engine's connection, query and
// listing table in the engine session made at start-up. Creating them loads the
// Firebird client library, so an error here fails the start-up.
//
//   rk::source::Session session;
//   MainWindow window(args, [&](MainWindow& w) { return makeDatabaseParts(w, session); });
#pragma once

#include <memory>

#include "app/DatabaseParts.h"

namespace rk::source { class Session; }

namespace rk::app {

class MainWindow;

std::unique_ptr<DatabaseParts> makeDatabaseParts(MainWindow& window, source::Session& session);

// The local date and time as days since 1899-12-30, the fraction the time.
double localNow();

} // namespace rk::app
