// Statement: the statement object of the target (IBQ1). It holds one SQL
// text, the parameter list scanned from it, and the statement prepared from
// it on the server. The first execute() prepares (and starts the transaction
// when none is active); later ones only bind and execute, until the text
// changes, the transaction commits or the connection closes.
//
//   Statement q(&db, &tr, names::kTargetStatement);
//   q.clearSql();
//   q.addSql("INSERT INTO T (A, B) VALUES (:A, :B)");
//   q.param(0).value.assignInteger(1);
//   q.paramByName("b").value.assignText("x");
//   q.execute();
#pragma once

#include <ibase.h>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "db/common/ParamValue.h"
#include "db/firebird/InputDescriptors.h"
#include "locale/LocaleFormats.h"

namespace rk::target {

class ClientLibrary;
class Attachment;
class Transaction;

class Statement {
public:
    // `name` heads the trace records and the errors of the statement.
    // `database` and `transaction` (either may be null: execute() then
    // refuses) must outlive this object or forget it.
    Statement(Attachment* database, Transaction* transaction, std::string name);
    ~Statement();
    // Neither copied nor moved (no move is declared): its connection and
    // transaction point back at it.
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    const std::string& name() const noexcept { return m_name; }

    // Text changes: each releases the prepared statement and rebuilds the
    // parameter list, keeping values of entries whose names stay.
    void clearSql();
    void addSql(const std::string& line);
    // The lines, each followed by CR LF.
    std::string sqlText() const;

    uint16_t paramCount() const noexcept { return static_cast<uint16_t>(m_params.size()); }
    db::Param& param(int p) { return m_params.at(static_cast<size_t>(p)); }
    // First entry of that name, letter case ignored; none: EDatabaseError
    // "IBQ1: Parameter '%s' nicht gefunden".
    db::Param& paramByName(const std::string& name);

    // Date and time texts are read in the current regional formats.
    void execute();
    // The same with these values in place of the list's, entry by entry
    // (as many as the list has); the list keeps its own. Nothing is copied:
    // the texts are read where they lie, during the call. Date and time
    // texts are read in `formats`, those they were written in.
    void executeRow(std::span<const db::ParamView> values, const locale::LocaleFormats& formats);

    bool prepared() const noexcept { return m_handle != 0; }
    // How often this object prepared a statement; for tests and benchmarks.
    uint64_t prepareCount() const noexcept { return m_prepareCount; }

    // Frees the server statement; called on text change, before a commit
    // and when the connection closes. Errors are ignored: the handle is
    // given up either way.
    void releasePrepared() noexcept;
    // The connection or transaction is going away.
    void forgetDatabase() noexcept;
    void forgetTransaction() noexcept;

private:
    void textChanged();
    void prepare();
    void bindParams(std::span<const db::ParamView> values, const locale::LocaleFormats& formats);
    std::string executeTrace(std::span<const db::ParamView> values) const;
    std::string prepareTrace();

    const ClientLibrary& m_lib;
    std::string m_name;
    Attachment* m_database = nullptr;
    Transaction* m_transaction = nullptr;
    std::vector<std::string> m_lines;
    std::vector<db::Param> m_params;

    isc_stmt_handle m_handle = 0;
    // The server's statement type (isc_info_sql_stmt_*), 0 when not prepared.
    int m_statementType = 0;
    InputDescriptors m_input;
    // Entry bound to each variable: its own, or the first one of the same
    // name when a name repeats.
    std::vector<int> m_entryOf;
    uint64_t m_prepareCount = 0;
    // The list's values as execute() binds them.
    std::vector<db::ParamView> m_views;
};

} // namespace rk::target
