// The check's output; see CheckReport.h. Data arrive in Windows-1252 and
// leave in UTF-8.
#include "app/CheckReport.h"

#include <cstdio>

#include "db/common/Ansi.h"
#include "locale/LocaleFormats.h"
#include "tools/pxdump/JsonDump.h"

namespace rk::app {

namespace {

using tools::pxdump::jsonString;
using transfer::RowDifference;
using transfer::RowPlace;

std::string js(const std::string& ansiText) { return jsonString(toUtf8(ansiText)); }

// Columns count characters, not the bytes of their UTF-8 form.
size_t widthOf(const std::string& utf8)
{
    size_t n = 0;
    for (unsigned char c : utf8) n += (c & 0xC0) != 0x80;
    return n;
}
std::string padLeft(const std::string& s, size_t width)
{
    return widthOf(s) >= width ? s : std::string(width - widthOf(s), ' ') + s;
}
std::string padRight(const std::string& s, size_t width)
{
    return widthOf(s) >= width ? s : s + std::string(width - widthOf(s), ' ');
}
std::string count(int64_t n) { return n < 0 ? "?" : std::to_string(n); }

// The place's fields, for an object that goes on with more.
std::string placeJson(const RowPlace& place)
{
    std::string s = "\"table\":" + js(place.table);
    s += ",\"record\":" + (place.record >= 0 ? std::to_string(place.record + 1) : std::string("null"));
    s += ",\"position\":" + (place.position > 0 ? std::to_string(place.position) : std::string("null"));
    s += ",\"keys\":{";
    for (size_t k = 0; k < place.keys.size(); ++k)
        s += (k ? "," : "") + js(place.keys[k].first) + ":" + js(place.keys[k].second);
    s += "},\"field\":" + (place.field.empty() ? std::string("null") : js(place.field));
    return s;
}

const char* kindName(RowDifference::Kind kind)
{
    switch (kind) {
    case RowDifference::Kind::Missing: return "missing";
    case RowDifference::Kind::Extra: return "extra";
    case RowDifference::Kind::Different: return "different";
    case RowDifference::Kind::Order: return "order";
    }
    return "";
}

const char* kindGerman(RowDifference::Kind kind)
{
    switch (kind) {
    case RowDifference::Kind::Missing: return "fehlt";
    case RowDifference::Kind::Extra: return "zusätzlich";
    case RowDifference::Kind::Different: return "verschieden";
    case RowDifference::Kind::Order: return "Reihenfolge";
    }
    return "";
}

std::string momentText(double moment) { return toUtf8(locale::formatDateTimeText("dd.mm.yyyy hh:nn:ss", moment)); }

} // namespace

void CheckReport::sourceTables(const std::vector<transfer::SlotCheck>& checks)
{
    if (m_json) {
        for (const transfer::SlotCheck& c : checks) {
            m_out << "{\"type\":\"table\",\"table\":" << js(c.table) << ",\"caption\":" << js(c.caption)
                  << ",\"target_table\":" << js(c.targetTable) << ",\"source_rows\":"
                  << (c.tableRows < 0 ? "null" : std::to_string(c.tableRows)) << ",\"selected_rows\":" << c.selectedRows
                  << ",\"left_out_rows\":" << c.leftOutRows
                  << ",\"condition\":" << (c.condition.empty() ? std::string("null") : js(c.condition))
                  << ",\"problems\":" << c.problemCount << ",\"complete\":" << (c.readingStopped ? "false" : "true")
                  << "}\n";
            for (const RowPlace& p : c.leftOut) m_out << "{\"type\":\"left_out\"," << placeJson(p) << "}\n";
            for (const transfer::CheckProblem& p : c.problems)
                m_out << "{\"type\":\"problem\"," << placeJson(p.place) << ",\"value\":" << js(p.value)
                      << ",\"message\":" << js(p.message) << "}\n";
        }
        return;
    }
    m_out << "Prüfung der RK5-Daten (es wird nichts geschrieben)\n\n";
    m_out << padRight("Tabelle", 14) << padLeft("Zeilen", 9) << padLeft("ausgewählt", 12) << padLeft("ausgelassen", 13)
          << padLeft("Probleme", 10) << "\n";
    for (const transfer::SlotCheck& c : checks)
        m_out << padRight(toUtf8(c.table), 14) << padLeft(count(c.tableRows), 9) << padLeft(count(c.selectedRows), 11)
              << padLeft(count(c.leftOutRows), 13) << padLeft(count(c.problemCount), 10)
              << (c.readingStopped ? "  (nicht zu Ende gelesen)" : "") << "\n";
    for (const transfer::SlotCheck& c : checks) {
        if (c.leftOutRows > 0) {
            m_out << "\n" << toUtf8(c.table) << ": " << c.leftOutRows << (c.leftOutRows == 1 ? " Zeile" : " Zeilen")
                  << " ausgelassen (Bedingung der Übertragung: " << toUtf8(c.condition) << "):\n";
            for (const RowPlace& p : c.leftOut) m_out << "  " << toUtf8(transfer::placeLine(p)) << "\n";
            if (c.leftOutRows > int64_t(c.leftOut.size()))
                m_out << "  ... und " << c.leftOutRows - int64_t(c.leftOut.size()) << " weitere\n";
        }
        if (c.problemCount > 0) {
            m_out << "\n" << toUtf8(c.table) << ": " << c.problemCount
                  << (c.problemCount == 1 ? " Problem, das" : " Probleme, die") << " eine Übertragung abbrechen würde"
                  << (c.problemCount == 1 ? "" : "n") << ":\n";
            for (const transfer::CheckProblem& p : c.problems) {
                m_out << "  " << toUtf8(transfer::placeLine(p.place)) << "\n";
                if (!p.value.empty()) m_out << "    Wert: " << toUtf8(p.value) << "\n";
                m_out << "    Meldung: " << toUtf8(p.message) << "\n";
            }
            if (c.problemCount > int64_t(c.problems.size()))
                m_out << "  ... und " << c.problemCount - int64_t(c.problems.size()) << " weitere\n";
        }
    }
}

void CheckReport::stagingTables(const std::string& target, const std::vector<transfer::TableCompare>& compares,
                                const JobRecordCheck& job)
{
    if (m_json) {
        for (const transfer::TableCompare& c : compares) {
            m_out << "{\"type\":\"staging_table\",\"table\":" << js(c.targetTable) << ",\"source_table\":" << js(c.table)
                  << ",\"staged_rows\":" << c.stagedRows << ",\"expected_rows\":" << c.expectedRows
                  << ",\"equal_rows\":" << c.equalRows << ",\"missing_rows\":" << c.missingRows
                  << ",\"extra_rows\":" << c.extraRows << ",\"different_rows\":" << c.differentRows
                  << ",\"order_differs\":" << (c.orderDiffers ? "true" : "false")
                  << ",\"equal\":" << (c.equal() ? "true" : "false")
                  << ",\"error\":" << (c.error.empty() ? std::string("null") : js(c.error)) << "}\n";
            for (const RowDifference& d : c.differences)
                m_out << "{\"type\":\"difference\",\"kind\":\"" << kindName(d.kind) << "\",\"target_table\":"
                      << js(c.targetTable) << "," << placeJson(d.place)
                      << ",\"column\":" << (d.column.empty() ? std::string("null") : js(d.column))
                      << ",\"staged\":" << js(d.staged) << ",\"expected\":" << js(d.expected) << "}\n";
        }
        m_out << "{\"type\":\"job_record\",\"present\":" << (job.written ? "true" : "false") << ",\"written\":"
              << (job.written ? jsonString(momentText(*job.written)) : std::string("null"))
              << ",\"changed_files\":[";
        for (size_t k = 0; k < job.changedFiles.size(); ++k) m_out << (k ? "," : "") << js(job.changedFiles[k]);
        m_out << "]}\n";
        return;
    }
    m_out << "\nVergleich mit der Zieldatenbank " << target << "\n\n";
    m_out << padRight("Tabelle", 24) << padLeft("Ziel", 8) << padLeft("erwartet", 10) << padLeft("gleich", 8)
          << padLeft("fehlen", 8) << padLeft("zusätzlich", 12) << padLeft("verschieden", 13) << "\n";
    for (const transfer::TableCompare& c : compares)
        m_out << padRight(toUtf8(c.targetTable), 24) << padLeft(count(c.stagedRows), 8)
              << padLeft(count(c.expectedRows), 10) << padLeft(count(c.equalRows), 8)
              << padLeft(count(c.missingRows), 8) << padLeft(count(c.extraRows), 11)
              << padLeft(count(c.differentRows), 13) << (c.orderDiffers ? "  Reihenfolge weicht ab" : "")
              << (c.equal() ? "  gleich" : "") << "\n";
    if (job.written) m_out << "\nAuftragssatz vom " << momentText(*job.written) << "\n";
    else m_out << "\nKein Auftragssatz in IMPORT_RK5_INFO: die Übertragung wurde nicht abgeschlossen.\n";
    if (!job.changedFiles.empty()) {
        m_out << "Nach dem Auftragssatz geänderte Quelldateien:";
        for (const std::string& f : job.changedFiles) m_out << " " << toUtf8(f);
        m_out << "\n";
    }
    for (const transfer::TableCompare& c : compares) {
        if (c.equal()) continue;
        m_out << "\n" << toUtf8(c.targetTable) << ":\n";
        if (!c.error.empty()) m_out << "  Fehler: " << toUtf8(c.error) << "\n";
        for (const RowDifference& d : c.differences) {
            m_out << "  " << kindGerman(d.kind) << ": " << toUtf8(transfer::placeLine(d.place));
            if (!d.column.empty()) m_out << ", Spalte " << toUtf8(d.column);
            m_out << "\n";
            if (!d.staged.empty()) m_out << "    im Ziel:  " << toUtf8(d.staged) << "\n";
            if (!d.expected.empty()) m_out << "    erwartet: " << toUtf8(d.expected) << "\n";
        }
        const int64_t shown = int64_t(c.differences.size());
        const int64_t all = c.missingRows + c.extraRows + c.differentRows + (c.orderDiffers ? 1 : 0);
        if (all > shown) m_out << "  ... und " << all - shown << " weitere\n";
    }
}

void CheckReport::result(bool ok, bool withTarget)
{
    if (m_json) {
        m_out << "{\"type\":\"result\",\"ok\":" << (ok ? "true" : "false") << "}\n";
        return;
    }
    m_out << "\nErgebnis: ";
    if (withTarget)
        m_out << (ok ? "die Zieldatenbank enthält genau, was die Quelldaten ergeben.\n"
                     : "die Zieldatenbank weicht von den Quelldaten ab.\n");
    else
        m_out << (ok ? "eine Übertragung würde gelingen.\n" : "eine Übertragung würde abbrechen.\n");
}

} // namespace rk::app
