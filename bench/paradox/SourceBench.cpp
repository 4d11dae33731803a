// Benchmark of the source engine: generates Paradox tables in a temporary
// folder, reads them through the source query as the transfer does (open,
// row count, every field of every row read and mapped on the transfer's
// reading thread) and prints rows per second and the peak resident memory.
// The memo run compares the peak memory of a slot of 5 MiB memos read on
// that thread with the same slot read and mapped on the caller's thread
// alone; each in a process of its own, as the peak is the process's.
//
//   rk_source_bench [ROWS]                  default 1000000 rows for the sorted run
//   rk_source_bench memos mapped|one-thread
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "db/common/Ansi.h"
#include "db/common/ObjectNames.h"
#include "db/paradox/Query.h"
#include "db/paradox/Session.h"
#include "transfer/DatabasePorts.h"
#include "transfer/MappedRows.h"
#include "transfer/ValueMapping.h"
#include "tools/pxwrite/ParadoxWriter.h"

namespace {

using namespace rk;
using Clock = std::chrono::steady_clock;
using FT = source::paradox::FieldType;

double seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

long peakRssMb()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss / 1024;
}

// Current resident memory split into our own heap ("RssAnon") and mapped
// file pages ("RssFile": the program's libraries; the reader maps no table).
std::string residentSplit()
{
    std::ifstream status("/proc/self/status");
    std::string line, out;
    while (std::getline(status, line))
        if (line.rfind("RssAnon:", 0) == 0 || line.rfind("RssFile:", 0) == 0) out += " " + line;
    return out;
}

// "prefix" and the number; appended, not "prefix" + to_string(), which GCC 12
// warns about wrongly in optimised builds.
std::string withNumber(const char* prefix, long n)
{
    std::string s(prefix);
    s.append(std::to_string(n));
    return s;
}

// A WEGE-like table: two sort keys in shuffled order, then `extra` columns
// of the common kinds.
void writeTable(const std::filesystem::path& file, int rows, int extra)
{
    std::vector<tools::pxwrite::Column> cols = {{"REG_RGGNR", FT::Alpha, 20}, {"POSNR", FT::Long}};
    const FT kinds[] = {FT::Alpha, FT::Long, FT::Short, FT::Number, FT::Date, FT::Logical, FT::Memo};
    for (int c = 0; c < extra; ++c) {
        const FT k = kinds[c % 7];
        cols.push_back({withNumber("C", c), k, k == FT::Alpha ? 30 : k == FT::Memo ? 20 : 0});
    }
    tools::pxwrite::ParadoxWriter w(file, cols);
    std::mt19937 rng(42);
    std::vector<db::FieldValue> row(cols.size());
    for (int r = 0; r < rows; ++r) {
        row[0] = withNumber("R", rng() % 5000);
        row[1] = static_cast<int32_t>(rng() % 100000);
        for (int c = 0; c < extra; ++c) {
            switch (kinds[c % 7]) {
            case FT::Alpha: row[2 + c] = withNumber("Text ", r % 977); break;
            case FT::Long: row[2 + c] = static_cast<int32_t>(r); break;
            case FT::Short: row[2 + c] = static_cast<int32_t>(r % 30000); break;
            case FT::Number: row[2 + c] = r * 0.25; break;
            case FT::Date: row[2 + c] = db::DateValue{700000 + r % 30000}; break;
            case FT::Logical: row[2 + c] = (r % 3) == 0; break;
            default: row[2 + c] = r % 5 ? db::FieldValue(withNumber("Notiz ", r)) : db::FieldValue(); break;
            }
        }
        w.addRow(row);
    }
    w.finish();
}

// Reads and maps every field of every row, as the transfer does.
void run(source::Session& session, const std::string& sql, const char* label)
{
    source::Query query(session, names::kSourceQuery, names::kSourceAlias);
    transfer::SourceQueryAdapter<source::Query> port(query);
    query.setSql(sql);
    const auto t0 = Clock::now();
    query.open();
    const double open = seconds(t0);
    const auto t1 = Clock::now();
    const int count = query.recordCount();
    const double counting = seconds(t1);
    std::vector<std::string> names;
    for (int i = 0; i < query.fieldCount(); ++i) names.push_back(query.fields(i).name);
    const auto t2 = Clock::now();
    long rows = 0, checksum = 0;
    {
        transfer::MappedRows mapped(port, names);
        for (; const auto values = mapped.next(); ++rows)
            for (const db::ParamView& v : *values) checksum += static_cast<long>(v.kind) + static_cast<long>(v.text.size());
    }
    const double reading = seconds(t2);
    const double total = seconds(t0);
    std::printf("%s\n  %ld rows x %zu columns (count %d), checksum %ld\n", label, rows, names.size(), count, checksum);
    std::printf("  open %.3f s, count %.3f s, rows %.3f s: %.0f rows/s, %.2f us/row overall\n", open, counting, reading,
                rows / total, total * 1e6 / std::max(1L, rows));
    std::printf("  peak RSS so far %ld MB; now%s\n", peakRssMb(), residentSplit().c_str());
}

// The reader alone, every value of every record: the floor under the source query.
void runDirect(const std::filesystem::path& file)
{
    auto table = source::paradox::Table::open(file);
    const auto t0 = Clock::now();
    long checksum = 0;
    for (uint32_t r = 0; r < table->recordCount(); ++r) {
        table->readRecord(r);
        for (size_t i = 0; i < table->fields().size(); ++i) checksum += static_cast<long>(table->value(int(i)).index());
    }
    const double total = seconds(t0);
    std::printf("reader alone over %s\n  %u rows, checksum %ld: %.0f rows/s, %.2f us/row\n",
                file.filename().string().c_str(), table->recordCount(), checksum, table->recordCount() / total,
                total * 1e6 / std::max(1u, table->recordCount()));
}

// 24 rows of a 5 MiB memo each, read and mapped on the transfer's reading
// thread or on this one alone (the values then go into the parameter list
// row by row, as the one-thread program did).
int runMemos(const std::filesystem::path& dir, bool mapped)
{
    constexpr int kRows = 24;
    constexpr size_t kMemo = size_t(5) << 20;
    {
        tools::pxwrite::ParadoxWriter w(dir / "daten" / "MEMOS.DB", {{"NR", FT::Long}, {"NOTIZ", FT::Memo, 20}});
        for (int r = 0; r < kRows; ++r) w.addRow({int32_t(r), std::string(kMemo, char('a' + r % 26))});
        w.finish();
    }
    const long before = peakRssMb();
    source::Session session("Default", dir / "engine.conf");
    source::Query query(session, names::kSourceQuery, names::kSourceAlias);
    transfer::SourceQueryAdapter<source::Query> port(query);
    query.setSql("SELECT NR, NOTIZ FROM MEMOS");
    const auto t0 = Clock::now();
    query.open();
    size_t bytes = 0;
    if (mapped) {
        transfer::MappedRows rows(port, {"NR", "NOTIZ"});
        while (const auto values = rows.next()) bytes += (*values)[1].text.size();
    } else {
        std::vector<db::Param> params = {{"NR", {}}, {"NOTIZ", {}}};
        for (; !query.eof(); query.next())
            for (db::Param& p : params) {
                transfer::assignParamFromField(p, port.fieldByName(p.name));
                if (p.name == "NOTIZ") bytes += p.value.text().size();
            }
    }
    std::printf("memos %s: %d rows of %zu MiB (%zu MiB in all) in %.2f s; peak RSS %ld MB (%ld MB before the reading)\n",
                mapped ? "read on the reading thread" : "read on one thread", kRows, kMemo >> 20, bytes >> 20,
                seconds(t0), peakRssMb(), before);
    return bytes == kRows * kMemo ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    const bool memos = argc > 2 && std::string(argv[1]) == "memos";
    const int rows = argc > 1 && !memos ? std::atoi(argv[1]) : 1000000;
    const auto dir = std::filesystem::temp_directory_path() / ("rk_source_bench_" + std::to_string(getpid()));
    std::filesystem::create_directories(dir / "daten");
    std::ofstream(dir / "engine.conf") << "[DBRK]\nPATH=" << (dir / "daten").string() << "\n";
    if (memos) {
        const int rc = runMemos(dir, std::string(argv[2]) == "mapped");
        std::filesystem::remove_all(dir);
        return rc;
    }

    auto t = Clock::now();
    writeTable(dir / "daten" / "WEGE.DB", rows, 8);
    writeTable(dir / "daten" / "BREIT.DB", 200000, 44);
    std::printf("generated %d + 200000 rows in %.1f s (files %.0f MB + %.0f MB), peak RSS %ld MB\n", rows, seconds(t),
                std::filesystem::file_size(dir / "daten" / "WEGE.DB") / 1e6,
                std::filesystem::file_size(dir / "daten" / "BREIT.DB") / 1e6, peakRssMb());
    {
        source::Session session("Default", dir / "engine.conf");
        run(session, "SELECT * FROM WEGE ORDER BY REG_RGGNR, POSNR", "sorted: SELECT * FROM WEGE ORDER BY REG_RGGNR, POSNR");
        runDirect(dir / "daten" / "BREIT.DB");
        run(session, "SELECT * FROM BREIT", "wide: SELECT * FROM BREIT (46 columns)");
        run(session, "SELECT * FROM BREIT ORDER BY REG_RGGNR, POSNR", "wide sorted: ... ORDER BY REG_RGGNR, POSNR");
    }
    std::filesystem::remove_all(dir);
    return 0;
}
