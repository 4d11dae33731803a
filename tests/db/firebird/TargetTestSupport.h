// Shared setup of the target integration tests: the program's three target
// objects wired as MainWindow wires them, on a fresh database file.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "db/common/Ansi.h"
#include "db/common/ObjectNames.h"
#include "db/firebird/IBDatabase.h"
#include "db/firebird/IBQuery.h"
#include "db/firebird/IBTransaction.h"
#include "db/firebird/TargetErrors.h"
#include "tests/support/FirebirdTestDatabase.h"

namespace rk::target::test {

struct TargetObjects {
    IBDatabase IBDatabase1{names::kTargetConnection};
    IBTransaction IBTransaction1{&IBDatabase1, names::kTargetTransaction};
    IBQuery IBQ1{&IBDatabase1, &IBTransaction1, names::kTargetStatement};

    explicit TargetObjects(const std::string& path)
    {
        IBDatabase1.SetDefaultTransaction(&IBTransaction1);
        IBDatabase1.SetDatabaseName(path);
    }

    void setSql(const std::string& line)
    {
        IBQ1.ClearSql();
        IBQ1.AddSql(line);
    }

    void commitIfActive()
    {
        if (IBTransaction1.InTransaction()) IBTransaction1.Commit();
    }
};

// The message of the exception `f` throws, as E; fails the test when it
// throws nothing or another kind.
template <class E, class F>
std::string messageOf(F&& f)
{
    try {
        f();
    } catch (const E& e) {
        return e.message();
    } catch (const std::exception& e) {
        ADD_FAILURE() << "other exception: " << e.what();
        return {};
    }
    ADD_FAILURE() << "no exception";
    return {};
}

} // namespace rk::target::test
