// Recording doubles for the transfer run's ports. Every call that matters to
// the staging side lands in one journal, so a test can assert the exact
// order of statements, commits, log lines and progress values.
#pragma once

#include <algorithm>
#include <cctype>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/ProgressRange.h"
#include "db/common/Ansi.h"
#include "db/common/Exception.h"
#include "tests/support/FakeClock.h"
#include "tests/support/SourceDouble.h"
#include "transfer/TransferPorts.h"

namespace rk::transfer::test {

using rk::app::ProgressRange;

using Journal = std::vector<std::string>;

using rk::test::upper;
using rk::test::FakeResult;
using rk::test::FakeSource;

// Parameter names after colons outside quotes, up to blank , ; ) CR LF.
inline std::vector<std::string> scanParams(const std::string& sql)
{
    std::vector<std::string> names;
    bool quoted = false;
    for (size_t i = 0; i < sql.size(); ++i) {
        if (sql[i] == '\'') quoted = !quoted;
        if (quoted || sql[i] != ':') continue;
        size_t j = i + 1;
        while (j < sql.size() && std::string(" ,;)\r\n").find(sql[j]) == std::string::npos) ++j;
        names.push_back(sql.substr(i + 1, j - i - 1));
        i = j - 1;
    }
    return names;
}

class FakeTarget : public TargetStatement, public TargetTransaction {
public:
    explicit FakeTarget(Journal& journal) : m_journal(journal) {}

    // Called before each execution; may throw to fail it.
    std::function<void(const std::string& sql, int execution)> onExec;
    bool journalValues = false;

    void clearSql() override
    {
        m_sql.clear();
        m_params.clear();
    }
    void addSql(const std::string& line) override
    {
        m_sql += line;
        m_params.clear();
        for (auto& name : scanParams(m_sql)) m_params.push_back(db::Param{name, {}});
    }
    uint16_t paramCount() const override { return static_cast<uint16_t>(m_params.size()); }
    db::Param& param(int p) override { return m_params.at(static_cast<size_t>(p)); }
    db::Param& paramByName(const std::string& name) override
    {
        for (auto& p : m_params)
            if (upper(p.name) == upper(name)) return p;
        throw EDatabaseError("IBQ1: Parameter '" + name + "' nicht gefunden");
    }
    void execute() override
    {
        m_active = true;
        ++m_executions;
        if (onExec) onExec(m_sql, m_executions);
        // INSERTs are journalled by table; their values only on request.
        std::string line = "EXEC " + m_sql;
        if (m_sql.rfind("INSERT INTO ", 0) == 0) {
            line = "EXEC INSERT " + m_sql.substr(12, m_sql.find(' ', 12) - 12);
            if (journalValues)
                for (auto& p : m_params)
                    line += " " + p.name + "=" + (p.value.isNull() ? "<NULL>" : p.value.asText());
        }
        m_journal.push_back(line);
    }

    bool inTransaction() const override { return m_active; }
    void commit() override
    {
        m_active = false;
        m_journal.push_back("COMMIT");
    }

private:
    Journal& m_journal;
    std::string m_sql;
    std::vector<db::Param> m_params;
    bool m_active = false;
    int m_executions = 0;
};

class FakeWindow : public TransferWindow {
public:
    explicit FakeWindow(Journal& journal) : m_journal(journal) {}

    std::vector<std::string> log;
    bool button1 = true, button2 = true;
    int messagePumps = 0;
    bool recordProgress = true;
    std::function<void()> onProcessMessages;

    void appendLog(const std::string& line) override
    {
        log.push_back(line);
        m_journal.push_back("LOG " + line);
    }
    void focusLog() override { m_journal.push_back("FOCUS"); }
    void setStartEnabled(bool e) override
    {
        button1 = e;
        m_journal.push_back(std::string("BUTTON1 ") + (e ? "on" : "off"));
    }
    void setQuitEnabled(bool e) override
    {
        button2 = e;
        m_journal.push_back(std::string("BUTTON2 ") + (e ? "on" : "off"));
    }
    int progressMax(ProgressBarId bar) const override { return range(bar).max(); }
    void setProgressMax(ProgressBarId bar, int max) override
    {
        range(bar).setMax(max);
        note(bar, ".max=", max);
    }
    int progressPosition(ProgressBarId bar) const override { return range(bar).position(); }
    void setProgressPosition(ProgressBarId bar, int position) override
    {
        range(bar).setPosition(position);
        note(bar, ".pos=", range(bar).position());
    }
    void repaintWindow() override { m_journal.push_back("REPAINT"); }
    void processEvents() override
    {
        ++messagePumps;
        if (onProcessMessages) onProcessMessages();
    }

private:
    ProgressRange& range(ProgressBarId bar) { return bar == ProgressBarId::Rows ? m_bar1 : m_bar2; }
    const ProgressRange& range(ProgressBarId bar) const
    {
        return bar == ProgressBarId::Rows ? m_bar1 : m_bar2;
    }
    void note(ProgressBarId bar, const char* what, int value)
    {
        // The lower bar moves once per row; only its resets and maxima are journalled.
        if (!recordProgress) return;
        if (bar == ProgressBarId::Rows && std::string(what) == ".pos=" && value != 0) return;
        m_journal.push_back(std::string(bar == ProgressBarId::Rows ? "PB1" : "PB2") + what +
                            std::to_string(value));
    }

    Journal& m_journal;
    ProgressRange m_bar1, m_bar2;
};

using rk::test::FakeClock;

} // namespace rk::transfer::test
