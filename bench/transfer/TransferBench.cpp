// rk_bench_transfer: how close the program's transfer comes to the bare
// speed of the Firebird client.
//
//   rk_bench_transfer [--rows N] [--small] [--only-program | --only-source] [--async] [--layers]
//                     [--keep DIR]
//
// Writes a WEGE table of N rows (default 200,000; --small 2,000) and the
// other source tables empty, then in one process:
//  (a) the program's transfer: the real MainWindow on Qt's offscreen platform,
//      with its real target and source objects, onStartClicked as the button
//      runs it (progress bar and message pumping after every row);
//  (b) the bare limit: the same INSERT with the same final parameter
//      values, taken from the source beforehand, executed in a plain loop
//      over the client API into an identical fresh database; once before
//      (a) and once after it, the mean of both counting.
// Prints rows per second of both, the ratio (a)/(b) and the peak memory of
// the process after (a). --only-source reads and maps the rows without a
// target (the source side's share of time and memory); --async sets both
// databases to asynchronous writes (gfix -write async), which shows the CPU
// cost once the disk's synchronous writes are out of the way. --layers runs
// (a) once more into a third database with every port and client call
// timed, and prints each layer's share of that run (LayerTiming.h). Run it
// with LC_ALL=de_DE.UTF-8 (tools/run-bench.sh).
#include <QApplication>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "app/MainWindow.h"
#include "app/RealDatabaseParts.h"
#include "app/shell/Application.h"
#include "bench/transfer/BareInsertLoop.h"
#include "bench/transfer/LayerTiming.h"
#include "db/common/Ansi.h"
#include "db/common/ObjectNames.h"
#include "db/firebird/ClientLibrary.h"
#include "db/firebird/InputDescriptors.h"
#include "db/firebird/SqlParamScan.h"
#include "db/paradox/Query.h"
#include "db/paradox/Session.h"
#include "locale/LocaleFormats.h"
#include "tools/demo/DemoData.h"
#include "transfer/DatabasePorts.h"
#include "transfer/ImportPlan.h"
#include "transfer/ValueMapping.h"

namespace {

using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double>(b - a).count(); }

// The window's port of the run, with the log lines timed and every row's
// event processing watched: the memory sampled every 1024 rows (anonymous
// memory: heaps of the program, SQLite and Firebird; file pages: the
// memory-mapped Paradox files, which the kernel can drop at will), and the
// layer clock set to waiting after it.
class BenchPort final : public rk::transfer::TransferWindow {
public:
    using BarId = rk::transfer::ProgressBarId;
    explicit BenchPort(rk::transfer::TransferWindow& port) : m_port(port) {}

    void appendLog(const std::string& line) override
    {
        timedLines.emplace_back(Clock::now(), line);
        m_port.appendLog(line);
    }
    void processEvents() override
    {
        if ((++m_pumps & 1023) == 0) sampleMemory();
        m_port.processEvents();
        if (layers) layers->switchTo(rk::bench::Layer::Waiting);
    }
    void focusLog() override { m_port.focusLog(); }
    void setStartEnabled(bool enabled) override { m_port.setStartEnabled(enabled); }
    void setQuitEnabled(bool enabled) override { m_port.setQuitEnabled(enabled); }
    int progressMax(BarId bar) const override { return m_port.progressMax(bar); }
    void setProgressMax(BarId bar, int max) override { m_port.setProgressMax(bar, max); }
    int progressPosition(BarId bar) const override { return m_port.progressPosition(bar); }
    void setProgressPosition(BarId bar, int position) override { m_port.setProgressPosition(bar, position); }
    void repaintWindow() override { m_port.repaintWindow(); }
    void stopIfRequested() override { m_port.stopIfRequested(); }

    void sampleMemory()
    {
        std::ifstream statm("/proc/self/statm");
        long size = 0, resident = 0, shared = 0;
        statm >> size >> resident >> shared;
        const long page = sysconf(_SC_PAGESIZE) / 1024;
        peakAnonKib = std::max(peakAnonKib, (resident - shared) * page);
        peakFileKib = std::max(peakFileKib, shared * page);
    }

    std::vector<std::pair<Clock::time_point, std::string>> timedLines;
    long peakAnonKib = 0, peakFileKib = 0;
    rk::bench::LayerClock* layers = nullptr;

private:
    rk::transfer::TransferWindow& m_port;
    unsigned m_pumps = 0;
};

// The real window with the bench's port in front of its own, and errors
// thrown instead of shown, so that a failed run cannot pass for a fast one.
class BenchWindow : public rk::app::MainWindow {
public:
    using MainWindow::MainWindow;
    BenchPort port{MainWindow::transferPort()};

    rk::transfer::TransferWindow& transferPort() override { return port; }
    int showMessage(const std::string& text, rk::app::MsgKind) override
    {
        throw rk::Exception(rk::ansiFormat("Meldung: %s", text));
    }
    std::optional<std::string> chooseTargetFile(const std::string&, const std::string&, const std::string&) override
    {
        throw rk::Exception("Dateidialog");
    }

protected:
    void runGuarded(const std::function<void()>& body) override { body(); }
};

long statusKib(const char* item)
{
    std::ifstream status("/proc/self/status");
    const size_t n = std::strlen(item);
    for (std::string line; std::getline(status, line);)
        if (line.compare(0, n, item) == 0) return std::strtol(line.c_str() + n, nullptr, 10);
    return -1;
}
long peakRssKib() { return statusKib("VmHWM:"); }

void run(const std::string& command)
{
    if (std::system(command.c_str()) != 0) throw rk::Exception("Befehl fehlgeschlagen: " + command);
}

std::string countRows(const std::string& db)
{
    const std::string cmd = "echo 'SELECT COUNT(*) FROM IMPORT_RK5_WEGE;' | isql-fb -q -user SYSDBA '" + db +
                            "' | awk 'NF==1 && $1 ~ /^[0-9]+$/ {print $1}'";
    std::string out;
    if (FILE* p = popen(cmd.c_str(), "r")) {
        char buf[64];
        while (std::fgets(buf, sizeof buf, p)) out += buf;
        pclose(p);
    }
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
    return out;
}

// The final values of every parameter of the WEGE INSERT, row by row, read
// and mapped as the transfer does it, dates already as timestamps.
rk::bench::BareValues collectValues(rk::source::Session& session, const rk::transfer::ImportSlot& slot,
                                    const std::vector<short>& types)
{
    rk::source::Query query(session, "PDXQB", rk::names::kSourceAlias);
    rk::transfer::SourceQueryAdapter<rk::source::Query> source(query);
    query.setSql(slot.sourceSql);
    query.open();
    std::vector<rk::db::Param> params;
    for (const std::string& name : rk::target::scanParamNames(slot.insertSql)) params.push_back({name, {}});
    rk::bench::BareValues v;
    v.columns = params.size();
    for (; !query.eof(); query.next()) {
        for (size_t c = 0; c < params.size(); ++c) {
            rk::transfer::assignParamFromField(params[c], source);
            const rk::db::ParamValue& p = params[c].value;
            rk::bench::BareValues::Cell cell{rk::bench::BareValues::Null, 0, 0};
            const short type = static_cast<short>(types[c] & ~1);
            if (p.isNull()) {
            } else if (p.holdsInteger()) {
                cell = {rk::bench::BareValues::Integer, 0, static_cast<uint64_t>(static_cast<uint32_t>(p.integer()))};
            } else if (type == SQL_TIMESTAMP || type == SQL_TYPE_DATE || type == SQL_TYPE_TIME) {
                const ISC_TIMESTAMP ts = rk::target::encodeTimestamp(
                    rk::target::ClientLibrary::instance(),
                    rk::locale::dateTimeParts(rk::locale::parseDateTimeText(p.text())));
                cell = {rk::bench::BareValues::Stamp, 8, v.bytes.size()};
                v.bytes.append(reinterpret_cast<const char*>(&ts), 8);
            } else {
                cell = {rk::bench::BareValues::Text, static_cast<uint32_t>(p.text().size()), v.bytes.size()};
                v.bytes += p.text();
            }
            v.cells.push_back(cell);
        }
    }
    return v;
}

} // namespace

int main(int argc, char** argv)
{
    uint32_t rows = 200000;
    bool onlyProgram = false, onlySource = false, async = false, layers = false;
    std::string keep;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--rows") && i + 1 < argc) rows = static_cast<uint32_t>(std::atol(argv[++i]));
        else if (!std::strcmp(argv[i], "--small")) rows = 2000;
        else if (!std::strcmp(argv[i], "--only-program")) onlyProgram = true;
        else if (!std::strcmp(argv[i], "--only-source")) onlySource = true;
        else if (!std::strcmp(argv[i], "--async")) async = true;
        else if (!std::strcmp(argv[i], "--layers")) layers = true;
        else if (!std::strcmp(argv[i], "--keep") && i + 1 < argc) keep = argv[++i];
        else {
            std::fprintf(stderr, "usage: rk_bench_transfer [--rows N] [--small] [--only-program | --only-source] "
                                 "[--async] [--layers] [--keep DIR]\n");
            return 2;
        }
    }
    std::string dir = keep;
    try {
        if (dir.empty()) {
            char pattern[] = "/tmp/rk-bench-XXXXXX";
            if (!mkdtemp(pattern)) throw rk::Exception("mkdtemp");
            dir = pattern;
        }
        const std::string paradox = dir + "/paradox", dbA = dir + "/a.fdb", dbB = dir + "/b.fdb",
                          dbB0 = dir + "/b0.fdb", dbW = dir + "/w.fdb", dbC = dir + "/c.fdb";
        std::filesystem::remove_all(paradox);
        for (const std::string& db : {dbA, dbB, dbB0, dbW, dbC}) std::filesystem::remove(db);
        std::filesystem::create_directories(paradox);
        {
            rk::tools::demo::Manifest none("");
            rk::tools::demo::writeDemoSet(paradox, rk::tools::demo::DemoCounts{1, 1, 1, 0, 0, 0, 1, 0, 0, 0, 0}, none);
            rk::tools::demo::writeWegeTable(paradox, rows, 5000, none);
        }
        std::ofstream(dir + "/engine.conf") << "[DBRK]\nPATH=" << paradox << "\n";
        setenv("RK_ENGINE_CONFIG", (dir + "/engine.conf").c_str(), 1);
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        const std::string create = std::string(RK_SOURCE_DIR) + "/tools/create-staging-db.sh ";
        run(create + "'" + dbA + "' >/dev/null");
        if (!onlyProgram) run(create + "'" + dbB + "' >/dev/null");
        if (!onlyProgram) run(create + "'" + dbB0 + "' >/dev/null");
        if (!onlyProgram) run(create + "'" + dbW + "' >/dev/null");
        if (layers) run(create + "'" + dbC + "' >/dev/null");
        if (async) {
            run("gfix -write async -user SYSDBA '" + dbA + "'");
            if (!onlyProgram) run("gfix -write async -user SYSDBA '" + dbB + "'");
            if (!onlyProgram) run("gfix -write async -user SYSDBA '" + dbB0 + "'");
            if (!onlyProgram) run("gfix -write async -user SYSDBA '" + dbW + "'");
            if (layers) run("gfix -write async -user SYSDBA '" + dbC + "'");
        }

        rk::locale::loadLocaleFormats();
        rk::app::Application app(argc, argv);
        rk::source::Session session;
        const rk::transfer::ImportSlot slot = rk::transfer::buildImportPlan()[3];

        if (onlySource) {
            const auto t0 = Clock::now();
            const rk::bench::BareValues values =
                collectValues(session, slot, rk::bench::describeParamTypes(dbA, slot.insertSql));
            const double s = seconds(t0, Clock::now());
            std::printf("source read and mapped      %8.3f s  %9.0f rows/s   %zu rows, %.1f MiB of values\n", s,
                        values.rows() / s, values.rows(),
                        (values.bytes.size() + values.cells.size() * sizeof(values.cells[0])) / 1048576.0);
            std::printf("peak memory                 %8.1f MiB (values included)\n", peakRssKib() / 1024.0);
            if (keep.empty()) std::filesystem::remove_all(dir);
            return 0;
        }

        // Both sides start with the client's engine loaded (the first
        // attachment of a process loads and starts it) and with the disk
        // quiet: the source tables and databases just written would otherwise
        // be written back during the first side alone. An untimed bare loop
        // comes first, as the first large write after those files costs more
        // on this machine whichever side makes it. Then (b) runs once before
        // and once after (a), and its time is the mean of both, so that a
        // machine that speeds up or slows down meanwhile favours neither side.
        const std::vector<short> typesB =
            onlyProgram ? std::vector<short>{} : rk::bench::describeParamTypes(dbB, slot.insertSql);
        if (onlyProgram) rk::bench::describeParamTypes(dbA, slot.insertSql);
        const auto bareRun = [&](const std::string& db) {
            const rk::bench::BareValues values = collectValues(session, slot, typesB);
            ::sync();
            const long rssBefore = statusKib("VmRSS:");
            const double s = rk::bench::runBareInsertLoop(db, slot.insertSql, values);
            const long grown = peakRssKib() - rssBefore;
            const std::string staged = countRows(db);
            if (staged != std::to_string(rows)) throw rk::Exception("(b) hat nicht alle Zeilen übertragen.");
            return std::pair{s, grown};
        };
        double bareBefore = 0;
        if (!onlyProgram) {
            bareRun(dbW);
            bareBefore = bareRun(dbB0).first;
            // The peak memory of (a) is its own, not that of the values above.
            std::ofstream("/proc/self/clear_refs") << "5";
        }
        ::sync();

        // (a) the program.
        double programSeconds = 0, slotSeconds = 0, beforeSlot = 0;
        long peakKib = 0, peakAnon = 0, peakFile = 0;
        const long residentBefore = statusKib("VmRSS:");
        {
            BenchWindow window(rk::app::Arguments{dbA},
                               [&session](rk::app::MainWindow& w) { return rk::app::makeDatabaseParts(w, session); });
            window.show();
            QCoreApplication::processEvents();
            const auto t0 = Clock::now();
            window.onStartClicked();
            const auto t1 = Clock::now();
            programSeconds = seconds(t0, t1);
            window.port.sampleMemory();
            peakKib = peakRssKib();
            peakAnon = window.port.peakAnonKib;
            peakFile = window.port.peakFileKib;
            const auto& lines = window.port.timedLines;
            for (size_t i = 0; i + 1 < lines.size(); ++i)
                if (lines[i].second.rfind(rk::ansi("Übertrage Wege..."), 0) == 0) {
                    slotSeconds = seconds(lines[i].first, lines[i + 1].first);
                    beforeSlot = seconds(t0, lines[i].first);
                }
            if (lines.empty() || lines[lines.size() - 1].second != rk::ansi("Das Programm kann jetzt beendet werden."))
                throw rk::Exception("Die Übertragung lief nicht bis zum Ende.");
            window.commitAndCloseTarget();
        }
        const std::string stagedA = countRows(dbA);
        std::printf("rows                        %u (WEGE, 46 columns)\n", rows);
        std::printf("(a) program, whole run      %8.3f s  %9.0f rows/s   staged %s\n", programSeconds,
                    rows / programSeconds, stagedA.c_str());
        std::printf("    of it slot Wege         %8.3f s  (after its SELECT opened, until the next slot's)\n",
                    slotSeconds);
        std::printf("    before the slot         %8.3f s  (connecting, purging, the slots before, its SELECT)\n",
                    beforeSlot);
        std::printf("(a) peak memory             %8.1f MiB resident (%.1f MiB before it); sampled: %.1f MiB anonymous, "
                    "%.1f MiB mapped files\n", peakKib / 1024.0, residentBefore / 1024.0, peakAnon / 1024.0,
                    peakFile / 1024.0);
        if (stagedA != std::to_string(rows)) throw rk::Exception("(a) hat nicht alle Zeilen übertragen.");

        if (!onlyProgram) {
            // (b) the bare loop again, with values collected beforehand.
            const auto [bareAfter, grown] = bareRun(dbB);
            const double bareSeconds = (bareBefore + bareAfter) / 2;
            std::printf("(b) bare client loop        %8.3f s  %9.0f rows/s   (before (a) %.3f s, after it %.3f s)\n",
                        bareSeconds, rows / bareSeconds, bareBefore, bareAfter);
            std::printf("(b) memory growth in loop   %8.1f MiB (peak over the resident size before it)\n",
                        grown / 1024.0);
            std::printf("ratio (a)/(b)               %8.2f   (slot Wege alone: %.2f)\n", bareSeconds / programSeconds,
                        bareSeconds / slotSeconds);
        }
        if (layers) {
            // (a) again, every moment charged to a layer.
            rk::bench::LayerClock clock;
            double whole = 0;
            ::sync();
            {
                BenchWindow window(rk::app::Arguments{dbC}, [&session, &clock](rk::app::MainWindow& w) {
                    return rk::bench::timedParts(rk::app::makeDatabaseParts(w, session), clock);
                });
                window.port.layers = &clock;
                window.show();
                QCoreApplication::processEvents();
                const auto t0 = Clock::now();
                clock.start();
                window.onStartClicked();
                clock.stop();
                whole = seconds(t0, Clock::now());
                window.commitAndCloseTarget();
            }
            if (countRows(dbC) != std::to_string(rows)) throw rk::Exception("(a) mit Zeitmessung unvollständig.");
            std::printf("layers of (a), timed again   %8.3f s whole run (timing included), on the run's thread:\n", whole);
            for (int l = 0; l < rk::bench::kLayerCount; ++l) {
                const double s = clock.seconds(rk::bench::Layer(l));
                std::printf("    %-40s %8.3f s  %5.1f %%  %7.2f us/row\n", rk::bench::kLayerNames[l], s,
                            100 * s / clock.total(), 1e6 * s / rows);
            }
            std::printf("    beside it, on the reading thread:\n");
            std::printf("    %-40s %8.3f s  %7s  %7.2f us/row\n", "source calls (eof, next, fields)",
                        clock.sourceSeconds(), "", 1e6 * clock.sourceSeconds() / rows);
        }
        if (keep.empty()) std::filesystem::remove_all(dir);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "rk_bench_transfer: %s\n", rk::toUtf8(e.what()).c_str());
        if (keep.empty() && !dir.empty()) std::filesystem::remove_all(dir);
        return 1;
    }
    return 0;
}
