// Test doubles for MainWindow: recorders for its target and source objects, and a
// MainWindow (over them or over the real parts) whose platform actions (system
// move, boxes, the file dialog, error display) are recorded instead of shown. Every call lands in one event log
// so tests can assert the order of what the window did.
#pragma once

#include <QElapsedTimer>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/MainWindow.h"
#include "app/shell/Application.h"
#include "db/common/Ansi.h"
#include "db/common/Exception.h"
#include "tests/support/FakeClock.h"
#include "tests/support/SourceDouble.h"
#include "tests/support/TargetDouble.h"
#include "transfer/ImportPlan.h"

namespace rk::test {

using Events = std::vector<std::string>;

struct FakeSetup {
    bool sourceReachable = true;
    bool targetConnects = true;
    bool commitFails = false;
    // An execute whose text contains this fails (empty: none fails).
    std::string failingSql;
    std::vector<std::string> columnListFields = {"Nr", "Reg"};
    // Rows of every source result.
    int rowsPerTable = 0;
    // Called after every successful execute with its text.
    std::function<void(const std::string&)> afterExec;
};

class FakeParts : public app::DatabaseParts {
    Events& m_events;
    const FakeSetup& m_setup;
    bool m_connected = false;

public:
    FakeParts(Events& events, const FakeSetup& setup) : m_events(events), m_setup(setup), target(events)
    {
        target.onExec = [this](const std::string& sql, int) {
            if (!m_setup.failingSql.empty() && sql.find(m_setup.failingSql) != std::string::npos)
                throw EDatabaseError("exec failed");
        };
        target.afterExec = [this](const std::string& sql) {
            if (m_setup.afterExec) m_setup.afterExec(sql);
        };
        target.onCommit = [this] {
            if (m_setup.commitFails) throw EDatabaseError("commit failed");
        };
        // Every field reads as a text; CURRENTUSER has no field "ID".
        source.anySql = FakeResult{};
        FakeResult noCurrentUser;
        noCurrentUser.anyField = false;
        source.results[transfer::kCurrentUserQuery] = noCurrentUser;
        source.onOpen = [this](const std::string&) {
            source.anySql->rows = m_setup.rowsPerTable;
            source.results[transfer::kCurrentUserQuery].rows = m_setup.rowsPerTable;
        };
    }

    transfer::TargetStatement& targetStatement() override { return target; }
    transfer::TargetTransaction& targetTransaction() override { return target; }
    void connectTarget() override
    {
        m_events.push_back("ConnectTargetDatabase");
        runStarts.push_back(sinceStart.elapsed());
        m_connected = m_setup.targetConnects;
    }
    bool targetConnected() override { return m_connected; }
    void closeTarget() override
    {
        m_events.push_back("IBDatabase1.Close");
        m_connected = false;
    }
    transfer::SourceQuery& sourceQuery() override { return source; }
    void openSourceConnection() override
    {
        m_events.push_back("Database1.Open");
        if (!m_setup.sourceReachable) throw EDatabaseError("alias DBRK not found");
    }
    bool sourceConnected() override { return m_setup.sourceReachable; }
    std::vector<std::string> columnListFieldNames() override
    {
        m_events.push_back("Table1.Open");
        return m_setup.columnListFields;
    }
    transfer::Clock& clock() override { return testClock; }

    // Test access.
    void beginTransaction() { target.begin(); }
    bool inTransaction() const { return target.inTransaction(); }

    FakeTarget target;
    // Every source result has the setup's number of rows, read at each opening.
    FakeSource source;
    FakeClock testClock{{46000.5}};
    QElapsedTimer sinceStart;
    std::vector<qint64> runStarts;
};

struct Box {
    std::string text;
    app::MsgKind kind;
    bool operator==(const Box&) const = default;
};

class TestMainWindow : public app::MainWindow {
public:
    TestMainWindow(app::Arguments args, Events& events, const FakeSetup& setup)
        : MainWindow(std::move(args), [&events, &setup](MainWindow&) { return std::make_unique<FakeParts>(events, setup); }),
          m_events(events)
    {
        fake().sinceStart.start();
    }
    // Over parts made elsewhere (the real ones); fake() belongs to the form above.
    TestMainWindow(app::Arguments args, Events& events, const PartsFactory& makeParts)
        : MainWindow(std::move(args), makeParts), m_events(events)
    {
    }

    FakeParts& fake() { return static_cast<FakeParts&>(databaseParts()); }

    std::optional<std::string> chooseTargetFile(const std::string& title, const std::string& dir,
                                                  const std::string& filter) override
    {
        m_events.push_back("dialog " + title + "|" + dir + "|" + filter);
        return dialogAnswer;
    }
    int showMessage(const std::string& text, app::MsgKind kind) override
    {
        boxes.push_back({text, kind});
        m_events.push_back("box " + text);
        return app::mrOk;
    }

    std::optional<std::string> dialogAnswer;
    int drags = 0;
    bool realDrag = false;
    std::vector<Box> boxes;
    std::vector<std::string> errors;

protected:
    void beginWindowMove() override
    {
        ++drags;
        if (realDrag) MainWindow::beginWindowMove();
    }
    void runGuarded(const std::function<void()>& body) override
    {
        try {
            body();
        } catch (const std::exception& e) {
            errors.push_back(e.what());
            m_events.push_back(std::string("error ") + e.what());
        }
    }

private:
    Events& m_events;
};

} // namespace rk::test
