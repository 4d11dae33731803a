// Shared setup of the target integration tests: the program's three target
// objects wired as MainWindow wires them, on a fresh database file.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "db/common/Ansi.h"
#include "db/common/ObjectNames.h"
#include "db/firebird/Attachment.h"
#include "db/firebird/Statement.h"
#include "db/firebird/Transaction.h"
#include "db/firebird/TargetErrors.h"
#include "tests/support/FirebirdTestDatabase.h"

namespace rk::target::test {

struct TargetObjects {
    Attachment attachment{names::kTargetConnection};
    Transaction transaction{&attachment, names::kTargetTransaction};
    Statement statement{&attachment, &transaction, names::kTargetStatement};

    explicit TargetObjects(const std::string& path) { attachment.setDatabaseName(path); }

    void setSql(const std::string& line)
    {
        statement.clearSql();
        statement.addSql(line);
    }

    void commitIfActive()
    {
        if (transaction.inTransaction()) transaction.commit();
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
