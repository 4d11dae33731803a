// Adapters from the real database objects to the transfer run's ports. The
// target and source classes already offer the run's operations under the
// same names, so each adapter only forwards; they are templates so that the
// transfer engine compiles without either database layer.
//
//   rk::transfer::TargetQueryAdapter ibq1(IBQ1);           // rk::target::IBQuery
//   rk::transfer::TargetTransactionAdapter tr(IBTransaction1);
//   rk::transfer::SourceQueryAdapter pdxq1(PDXQ1);         // rk::source::Query
#pragma once

#include "transfer/TransferPorts.h"

namespace rk::transfer {

template <class Query>
class TargetQueryAdapter final : public TargetQuery {
public:
    explicit TargetQueryAdapter(Query& query) : m_query(query) {}
    void Close() override { m_query.Close(); }
    void ClearSql() override { m_query.ClearSql(); }
    void AddSql(const std::string& line) override { m_query.AddSql(line); }
    uint16_t ParamCount() const override { return m_query.ParamCount(); }
    db::Param& Param(int p) override { return m_query.Param(p); }
    db::Param& ParamByName(const std::string& name) override { return m_query.ParamByName(name); }
    void ExecSQL() override { m_query.ExecSQL(); }

private:
    Query& m_query;
};

template <class Transaction>
class TargetTransactionAdapter final : public TargetTransaction {
public:
    explicit TargetTransactionAdapter(Transaction& transaction) : m_transaction(transaction) {}
    bool InTransaction() const override { return m_transaction.InTransaction(); }
    void Commit() override { m_transaction.Commit(); }

private:
    Transaction& m_transaction;
};

template <class Query>
class SourceQueryAdapter final : public SourceQuery {
public:
    explicit SourceQueryAdapter(Query& query) : m_query(query) {}
    void Close() override { m_query.Close(); }
    void SetSql(const std::string& text) override { m_query.SetSql(text); }
    std::string Sql() const override { return m_query.Sql(); }
    void Open() override { m_query.Open(); }
    int RecordCount() override { return m_query.RecordCount(); }
    bool Eof() override { return m_query.Eof(); }
    void Next() override { m_query.Next(); }
    const db::Field& FieldByName(const std::string& name) override { return m_query.FieldByName(name); }

private:
    Query& m_query;
};

} // namespace rk::transfer
