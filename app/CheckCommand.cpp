// The check command; see CheckCommand.h. It wires the real source query and
// the target's read-only reader to the check engine (transfer/SourceCheck,
// transfer/StagingCompare) and prints through CheckReport.
#include "app/CheckCommand.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <iostream>

#include "app/CheckReport.h"
#include "app/CommandLine.h"
#include "app/shell/Headless.h"
#include "db/common/Ansi.h"
#include "db/common/Exception.h"
#include "db/common/ObjectNames.h"
#include "db/firebird/Attachment.h"
#include "db/firebird/StagingReader.h"
#include "db/paradox/Connection.h"
#include "db/paradox/Query.h"
#include "db/paradox/Session.h"
#include "locale/Calendar.h"
#include "locale/LocaleFormats.h"
#include "transfer/DatabasePorts.h"
#include "transfer/ImportPlan.h"

namespace rk::app {

namespace {

constexpr int kExitEqual = 0;
constexpr int kExitDiffers = 2;
constexpr int kExitCannotStart = 1;

transfer::ColumnKind kindOf(const target::StagingReader::Column& c)
{
    using transfer::ColumnKind;
    switch (c.sqlType) {
    case SQL_TEXT: return ColumnKind::FixedText;
    case SQL_VARYING: return ColumnKind::Text;
    case SQL_BLOB: return ColumnKind::Blob;
    case SQL_SHORT: case SQL_LONG: case SQL_INT64: return c.scale == 0 ? ColumnKind::Integer : ColumnKind::Float;
    case SQL_FLOAT: case SQL_DOUBLE: case SQL_D_FLOAT: return ColumnKind::Float;
    case SQL_TYPE_DATE: return ColumnKind::Date;
    case SQL_TYPE_TIME: return ColumnKind::Time;
    case SQL_TIMESTAMP: return ColumnKind::Timestamp;
    default: return ColumnKind::Other;
    }
}

class StagingPort final : public transfer::StagingSource {
public:
    explicit StagingPort(target::StagingReader& reader) : m_reader(reader) {}
    std::vector<transfer::StagedColumn> open(const std::string& select) override
    {
        std::vector<transfer::StagedColumn> columns;
        for (const auto& c : m_reader.open(select)) {
            const transfer::ColumnKind kind = kindOf(c);
            const bool text = kind == transfer::ColumnKind::FixedText || kind == transfer::ColumnKind::Text;
            columns.push_back({c.name, kind, text ? c.length : 0});
        }
        return columns;
    }
    bool fetch(std::vector<db::FieldValue>& row) override { return m_reader.fetch(row); }

private:
    target::StagingReader& m_reader;
};

// A file's modification time as the job record counts time: local, days
// since 1899-12-30.
std::optional<double> modifiedAt(const std::filesystem::path& file)
{
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0) return std::nullopt;
    std::tm tm = {};
    localtime_r(&st.st_mtime, &tm);
    const int64_t day = locale::daysFromCivil(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday) -
                        locale::daysFromCivil(1899, 12, 30);
    return double(day) + double((tm.tm_hour * 60 + tm.tm_min) * 60 + tm.tm_sec) / 86400.0;
}

// The source files of the plan (tables and memo files) written after `moment`.
std::vector<std::string> filesChangedAfter(const std::filesystem::path& folder, double moment,
                                           const transfer::ImportPlan& plan)
{
    // The job record has whole seconds: a file of the same second is not later.
    const double later = moment + 1.0 / 86400.0;
    std::vector<std::string> changed;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        const std::string upper = upperAnsi(name);
        const size_t dot = upper.rfind('.');
        if (dot == std::string::npos || (upper.substr(dot) != ".DB" && upper.substr(dot) != ".MB")) continue;
        bool inPlan = upper.substr(0, dot) == "CURRENTUSER";
        for (const transfer::ImportSlot& slot : plan)
            if (!slot.sourceSql.empty() && transfer::sourceTableOf(slot.sourceSql) == upper.substr(0, dot)) inPlan = true;
        if (!inPlan) continue;
        if (const auto at = modifiedAt(entry.path()); at && *at > later) changed.push_back(name);
    }
    std::sort(changed.begin(), changed.end());
    return changed;
}

int cannotStart(const std::string& ansiText)
{
    writeStderrLine(ansiText);
    return kExitCannotStart;
}

} // namespace

std::optional<CheckRequest> readCheckRequest(const std::vector<std::string>& args)
{
    bool check = false;
    CheckRequest request;
    for (const std::string& arg : args) {
        if (arg == "--check") check = true;
        else if (arg == "--json") request.json = true;
        else if (!arg.empty() && arg[0] != '-' && request.target.empty()) request.target = arg;
    }
    if (!check) return std::nullopt;
    return request;
}

int runCheck(const CheckRequest& request)
{
    locale::loadLocaleFormats();
    source::Session session;
    source::Connection connection(session, names::kSourceConnection, names::kSourceAlias);
    try {
        connection.open();
    } catch (const std::exception& error) {
        return cannotStart(ansi("Kein Zugriff auf RK5 Daten, Grund: ") + ansiFromMaybeUtf8(error.what()));
    }
    if (!request.target.empty() && !fileExistsOnDisk(request.target))
        return cannotStart(ansi("Zieldatenbank nicht gefunden: ") + ansiFromMaybeUtf8(request.target));

    source::Query query(session, names::kSourceQuery, names::kSourceAlias);
    transfer::SourceQueryAdapter<source::Query> sourcePort(query);
    const transfer::ImportPlan plan = transfer::buildImportPlan();

    std::optional<target::Attachment> database;
    std::optional<target::StagingReader> reader;
    std::optional<StagingPort> staging;
    std::vector<std::vector<transfer::StagedColumn>> columns(plan.size());
    if (!request.target.empty()) {
        try {
            database.emplace(names::kTargetConnection);
            database->setDatabaseName(request.target);
            database->open();
            reader.emplace(*database);
            staging.emplace(*reader);
        } catch (const std::exception& error) {
            return cannotStart(ansi("Keine Verbindung zur RK VI Datenbank: ") + ansiFromMaybeUtf8(error.what()));
        }
        for (size_t s = 0; s < plan.size(); ++s) {
            if (plan[s].targetTable.empty()) continue;
            try {
                columns[s] = staging->open("SELECT * FROM " + plan[s].targetTable);
            } catch (const rk::Exception&) {
                // No such staging table: no length to check; its comparison says why.
            }
        }
    }

    CheckReport report(std::cout, request.json);
    std::vector<transfer::SlotCheck> checks;
    bool runWouldSucceed = true;
    for (size_t s = 0; s < plan.size(); ++s) {
        const transfer::ImportSlot& slot = plan[s];
        if (slot.caption.empty()) continue;
        // The run's length check: the target column's described length.
        const transfer::ColumnLimit limits = [&](const std::string&, const std::string& column) {
            for (const transfer::StagedColumn& c : columns[s])
                if (upperAnsi(c.name) == upperAnsi(column)) return c.length;
            return 0;
        };
        checks.push_back(transfer::checkSlot(sourcePort, slot, limits));
        if (checks.back().problemCount > 0) runWouldSucceed = false;
    }
    report.sourceTables(checks);
    if (!staging) {
        report.result(runWouldSucceed, false);
        return runWouldSucceed ? kExitEqual : kExitDiffers;
    }

    std::vector<transfer::TableCompare> compares;
    bool equal = true;
    for (const transfer::ImportSlot& slot : plan) {
        if (slot.caption.empty()) continue;
        compares.push_back(transfer::compareSlot(sourcePort, *staging, slot));
        equal = equal && compares.back().equal();
    }
    JobRecordCheck job;
    try {
        job.written = transfer::latestJobRecord(*staging);
    } catch (const rk::Exception&) {
        job.written.reset();
    }
    if (job.written) job.changedFiles = filesChangedAfter(connection.folder(), *job.written, plan);
    equal = equal && job.written && job.changedFiles.empty();
    report.stagingTables(request.target, compares, job);
    report.result(equal, true);
    return equal ? kExitEqual : kExitDiffers;
}

} // namespace rk::app
