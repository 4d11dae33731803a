// The timed ports and client entry points; see LayerTiming.h. On the run's
// thread a row runs executeRow (binding, with the client's calls inside
// it) - progress and events (window) - the wait for the next row.
#include "bench/transfer/LayerTiming.h"

#include <numeric>

#include "db/firebird/ClientLibrary.h"

namespace rk::bench {

namespace {

LayerClock* g_layers = nullptr;

// One client entry point, charged to Layer::Client while it runs.
template <int Id, class R, class... A>
struct TimedCall {
    static inline R (*original)(A...) = nullptr;
    static R call(A... args)
    {
        const Layer back = g_layers->switchTo(Layer::Client);
        const R result = original(args...);
        g_layers->switchTo(back);
        return result;
    }
};

template <int Id, class R, class... A>
void wrap(R (*&entry)(A...), bool on)
{
    using T = TimedCall<Id, R, A...>;
    if (on) {
        T::original = entry;
        entry = &T::call;
    } else if (T::original) {
        entry = T::original;
    }
}

void wrapClient(bool on)
{
    // The loaded library object itself is not const; only its accessor is.
    auto& lib = const_cast<target::ClientLibrary&>(target::ClientLibrary::instance());
    wrap<0>(lib.dsqlExecute, on);
    wrap<1>(lib.createBlob2, on);
    wrap<2>(lib.putSegment, on);
    wrap<3>(lib.closeBlob, on);
    wrap<4>(lib.dsqlAllocateStatement, on);
    wrap<5>(lib.dsqlPrepare, on);
    wrap<6>(lib.dsqlSqlInfo, on);
    wrap<7>(lib.dsqlDescribeBind, on);
    wrap<8>(lib.dsqlFreeStatement, on);
    wrap<9>(lib.startMultiple, on);
    wrap<10>(lib.commitTransaction, on);
    wrap<11>(lib.attachDatabase, on);
    wrap<12>(lib.databaseInfo, on);
    wrap<13>(lib.detachDatabase, on);
}

class TimedTargetStatement final : public transfer::TargetStatement {
public:
    TimedTargetStatement(transfer::TargetStatement& real, LayerClock& layers) : m_real(real), m_layers(layers) {}
    void clearSql() override { m_real.clearSql(); }
    void addSql(const std::string& line) override { m_real.addSql(line); }
    uint16_t paramCount() const override { return m_real.paramCount(); }
    db::Param& param(int p) override { return m_real.param(p); }
    db::Param& paramByName(const std::string& name) override { return m_real.paramByName(name); }
    void execute() override
    {
        const Layer back = m_layers.switchTo(Layer::Binding);
        m_real.execute();
        m_layers.switchTo(back);
    }
    void executeRow(std::span<const db::ParamView> values, const locale::LocaleFormats& formats) override
    {
        m_layers.switchTo(Layer::Binding);
        m_real.executeRow(values, formats);
        // A row's progress and events follow.
        m_layers.switchTo(Layer::Window);
    }

private:
    transfer::TargetStatement& m_real;
    LayerClock& m_layers;
};

class TimedSourceQuery final : public transfer::SourceQuery {
public:
    TimedSourceQuery(transfer::SourceQuery& real, LayerClock& layers) : m_real(real), m_layers(layers) {}
    void close() override { m_real.close(); }
    void setSql(const std::string& text) override
    {
        // A slot begins: its opening and counting are work outside the rows.
        m_layers.switchTo(Layer::Other);
        m_real.setSql(text);
    }
    std::string sql() const override { return m_real.sql(); }
    void open() override { m_real.open(); }
    int recordCount() override { return m_real.recordCount(); }
    // The reading thread's calls: their time is counted apart.
    bool eof() override
    {
        const auto t0 = LayerClock::Clock::now();
        const bool eof = m_real.eof();
        charge(t0);
        return eof;
    }
    void next() override
    {
        const auto t0 = LayerClock::Clock::now();
        m_real.next();
        charge(t0);
    }
    const db::Field& fieldByName(const std::string& name) override
    {
        const auto t0 = LayerClock::Clock::now();
        const db::Field& field = m_real.fieldByName(name);
        charge(t0);
        return field;
    }

private:
    void charge(LayerClock::Clock::time_point t0)
    {
        m_layers.addSourceSeconds(std::chrono::duration<double>(LayerClock::Clock::now() - t0).count());
    }

    transfer::SourceQuery& m_real;
    LayerClock& m_layers;
};

class Timed final : public app::DatabaseParts {
public:
    Timed(std::unique_ptr<app::DatabaseParts> real, LayerClock& layers)
        : m_real(std::move(real)), m_query(m_real->targetStatement(), layers), m_source(m_real->sourceQuery(), layers)
    {
    }
    transfer::TargetStatement& targetStatement() override { return m_query; }
    transfer::TargetTransaction& targetTransaction() override { return m_real->targetTransaction(); }
    void connectTarget() override { m_real->connectTarget(); }
    bool targetConnected() override { return m_real->targetConnected(); }
    void closeTarget() override { m_real->closeTarget(); }
    transfer::SourceQuery& sourceQuery() override { return m_source; }
    void openSourceConnection() override { m_real->openSourceConnection(); }
    bool sourceConnected() override { return m_real->sourceConnected(); }
    std::vector<std::string> columnListFieldNames() override { return m_real->columnListFieldNames(); }
    transfer::Clock& clock() override { return m_real->clock(); }

private:
    std::unique_ptr<app::DatabaseParts> m_real;
    TimedTargetStatement m_query;
    TimedSourceQuery m_source;
};

} // namespace

void LayerClock::start()
{
    m_seconds.fill(0);
    m_sourceSeconds = 0;
    m_current = Layer::Other;
    m_since = Clock::now();
    g_layers = this;
    wrapClient(true);
}

void LayerClock::stop()
{
    switchTo(Layer::Other);
    wrapClient(false);
    g_layers = nullptr;
}

double LayerClock::total() const { return std::accumulate(m_seconds.begin(), m_seconds.end(), 0.0); }

std::unique_ptr<app::DatabaseParts> timedParts(std::unique_ptr<app::DatabaseParts> real, LayerClock& layers)
{
    return std::make_unique<Timed>(std::move(real), layers);
}

} // namespace rk::bench
