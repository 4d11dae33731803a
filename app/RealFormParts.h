// The real objects of Form1: the Firebird connection IBDatabase1 with its
// transaction and statement, and the source engine's Database1, PDXQ1 and
// Table1 in the engine session made at start-up. Creating them loads the
// Firebird client library, so an error here fails the start-up.
//
//   rk::source::Session session;
//   TForm1 form(args, [&](TForm1& f) { return MakeRealFormParts(f, session); });
#pragma once

#include <memory>

#include "app/FormParts.h"

namespace rk::source { class Session; }

namespace rk::app {

class TForm1;

std::unique_ptr<FormParts> MakeRealFormParts(TForm1& form, source::Session& session);

// The local date and time as days since 1899-12-30, the fraction the time.
double LocalNow();

} // namespace rk::app
