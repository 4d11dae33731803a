// Adapters from the real database objects to the transfer run's ports. The
// target and source classes already offer the run's operations, so each
// adapter only forwards; they are templates so that the transfer engine
// compiles without either database layer.
//
//   rk::transfer::TargetStatementAdapter statement(targetStatement);   // rk::target::Statement
//   rk::transfer::TargetTransactionAdapter transaction(targetTransaction);
//   rk::transfer::SourceQueryAdapter source(sourceQuery);              // rk::source::Query
#pragma once

#include "transfer/TransferPorts.h"

namespace rk::transfer {

template <class Statement>
class TargetStatementAdapter final : public TargetStatement {
public:
    explicit TargetStatementAdapter(Statement& statement) : m_statement(statement) {}
    void clearSql() override { m_statement.clearSql(); }
    void addSql(const std::string& line) override { m_statement.addSql(line); }
    uint16_t paramCount() const override { return m_statement.paramCount(); }
    db::Param& param(int p) override { return m_statement.param(p); }
    db::Param& paramByName(const std::string& name) override { return m_statement.paramByName(name); }
    void execute() override { m_statement.execute(); }
    void executeRow(std::span<const db::ParamView> values, const locale::LocaleFormats& formats) override
    {
        m_statement.executeRow(values, formats);
    }

private:
    Statement& m_statement;
};

template <class Transaction>
class TargetTransactionAdapter final : public TargetTransaction {
public:
    explicit TargetTransactionAdapter(Transaction& transaction) : m_transaction(transaction) {}
    bool inTransaction() const override { return m_transaction.inTransaction(); }
    void commit() override { m_transaction.commit(); }

private:
    Transaction& m_transaction;
};

template <class Query>
class SourceQueryAdapter final : public SourceQuery {
public:
    explicit SourceQueryAdapter(Query& query) : m_query(query) {}
    void close() override { m_query.close(); }
    void setSql(const std::string& text) override { m_query.setSql(text); }
    std::string sql() const override { return m_query.sql(); }
    void open() override { m_query.open(); }
    int recordCount() override { return m_query.recordCount(); }
    bool eof() override { return m_query.eof(); }
    void next() override { m_query.next(); }
    const db::Field& fieldByName(const std::string& name) override { return m_query.fieldByName(name); }
    int64_t recordIndex() const override { return m_query.recordIndex(); }
    std::string failedField() const override { return m_query.failedField(); }

private:
    Query& m_query;
};

} // namespace rk::transfer
