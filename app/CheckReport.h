// What the check prints: a German table for a person, or JSON Lines (UTF-8)
// for a calling program, one object per table, per left-out row, per
// problem and per difference, and one closing object. The manual page
// documents every field of the JSON form.
//
//   CheckReport report(std::cout, json);
//   report.sourceTables(checks);
//   report.stagingTables(target, compares, job);
//   report.result(ok);
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "transfer/SourceCheck.h"
#include "transfer/StagingCompare.h"

namespace rk::app {

// The job record and the source files written after it.
struct JobRecordCheck {
    std::optional<double> written;       // local time, days since 1899-12-30; none: no job record
    std::vector<std::string> changedFiles;  // source files modified after it
};

class CheckReport {
public:
    CheckReport(std::ostream& out, bool json) : m_out(out), m_json(json) {}

    void sourceTables(const std::vector<transfer::SlotCheck>& checks);
    void stagingTables(const std::string& target, const std::vector<transfer::TableCompare>& compares,
                       const JobRecordCheck& job);
    // `ok`: a run would succeed (without a target), the staging set equals its source (with one).
    void result(bool ok, bool withTarget);

private:
    std::ostream& m_out;
    bool m_json;
};

} // namespace rk::app
