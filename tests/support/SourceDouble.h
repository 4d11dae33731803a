// The double of the source query PDXQ1 for the transfer, mapping and window
// tests: results by SQL text, refilled per row like the real engine, or one
// fixed row.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "db/common/Ansi.h"
#include "db/common/Exception.h"
#include "transfer/TransferPorts.h"

namespace rk::test {

// A result: its row count as the engine reports it and a value per field
// name and row. Fields not listed read as a text "NAME#row".
struct FakeResult {
    int rows = 0;
    std::optional<int> reportedCount;
    std::map<std::string, std::function<db::Field(int row)>> fields;
    bool anyField = true;
};

class FakeSource : public transfer::SourceQuery {
public:
    std::map<std::string, FakeResult> results;  // by SQL text
    std::optional<FakeResult> anySql;            // for every other text
    std::function<void(const std::string& sql)> onOpen;
    // The current row while no result is open: a test of one row's mapping
    // sets the fields and changes their values between reads.
    std::vector<db::Field> fields;

    void close() override { closeResult(); }
    void setSql(const std::string& text) override
    {
        closeResult();
        m_sql = text;
    }
    std::string sql() const override { return m_sql.empty() ? "" : m_sql + "\r\n"; }
    void open() override
    {
        if (onOpen) onOpen(m_sql);
        auto it = results.find(m_sql);
        if (it != results.end()) m_open = &it->second;
        else if (anySql) m_open = &*anySql;
        else throw EDatabaseError("Tabelle nicht gefunden: " + m_sql);
        m_row = 0;
    }
    int recordCount() override { return m_open->reportedCount.value_or(m_open->rows); }
    bool eof() override { return m_row >= m_open->rows; }
    void next() override
    {
        ++m_row;
        for (auto& [key, field] : m_fields) field = make(field.name);
    }
    // Like the real engine: one field object per column, refilled on next().
    const db::Field& fieldByName(const std::string& name) override
    {
        if (!m_open) return fixedField(name);
        const std::string key = upperAnsi(name);
        if (auto it = m_fields.find(key); it != m_fields.end()) return it->second;
        return m_fields.emplace(key, make(name)).first->second;
    }

private:
    const db::Field& fixedField(const std::string& name) const
    {
        for (const db::Field& f : fields)
            if (equalsAnsiNoCase(f.name, name)) return f;
        throw EDatabaseError(ansi("PDXQ1: Das Feld '") + name + "' wurde nicht gefunden");
    }
    db::Field make(const std::string& name) const
    {
        for (auto& [fieldName, maker] : m_open->fields)
            if (equalsAnsiNoCase(fieldName, name)) return maker(m_row);
        if (!m_open->anyField) throw EDatabaseError(ansi("PDXQ1: Das Feld '") + name + "' wurde nicht gefunden");
        return db::Field{name, db::DataType::ftString, 20, name + "#" + std::to_string(m_row)};
    }
    void closeResult()
    {
        m_open = nullptr;
        m_fields.clear();
    }

    std::string m_sql;
    FakeResult* m_open = nullptr;
    int m_row = 0;
    std::map<std::string, db::Field> m_fields;
};

} // namespace rk::test
