// The double of the target statement and its transaction for the transfer
// and window tests: parameters scanned from the text as the real statement
// scans them, and every execution and commit journalled in order:
//
//   "EXEC <sql>"           a statement other than an INSERT
//   "EXEC INSERT <table>"  an INSERT (with " NAME=value" per parameter, or
//                          " NAME=<NULL>", when journalValues is set)
//   "COMMIT"
//
// An execution starts the transaction before it runs, so a failed one
// leaves it active, as on the server.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "db/common/Ansi.h"
#include "db/common/Exception.h"
#include "tests/support/SourceDouble.h"
#include "transfer/TransferPorts.h"

namespace rk::test {

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

class FakeTarget : public transfer::TargetStatement, public transfer::TargetTransaction {
public:
    explicit FakeTarget(std::vector<std::string>& journal) : m_journal(journal) {}

    // Called before each execution (counted from 1); may throw to fail it.
    std::function<void(const std::string& sql, int execution)> onExec;
    // Called after each successful execution.
    std::function<void(const std::string& sql)> afterExec;
    // Called before each commit; may throw to fail it (nothing is journalled).
    std::function<void()> onCommit;
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
            if (equalsAsciiNoCase(p.name, name)) return p;
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
        m_lastParams = m_params;
        if (afterExec) afterExec(m_sql);
    }

    bool inTransaction() const override { return m_active; }
    void commit() override
    {
        if (onCommit) onCommit();
        m_active = false;
        m_journal.push_back("COMMIT");
    }

    // Test access: a transaction left active, say, by an earlier run.
    void begin() { m_active = true; }
    // The value of a parameter in the last successful execution, as text;
    // "<none>" when it had no parameter of that name.
    std::string lastValue(const std::string& name) const
    {
        for (const auto& p : m_lastParams)
            if (equalsAsciiNoCase(p.name, name)) return p.value.isNull() ? "<NULL>" : p.value.asText();
        return "<none>";
    }

private:
    std::vector<std::string>& m_journal;
    std::string m_sql;
    std::vector<db::Param> m_params;
    std::vector<db::Param> m_lastParams;
    bool m_active = false;
    int m_executions = 0;
};

} // namespace rk::test
