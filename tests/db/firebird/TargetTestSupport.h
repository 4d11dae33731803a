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
#include "tests/support/ExceptionMessage.h"
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

using rk::test::messageOf;

} // namespace rk::target::test
