// Reading and mapping ahead; see MappedRows.h.
#include "transfer/MappedRows.h"

#include <pthread.h>

#include <utility>

#include "transfer/RowPlace.h"
#include "transfer/ValueMapping.h"

namespace rk::transfer {

namespace {
// A batch is handed over early once its texts pass this size, so that long
// memos do not pile up.
constexpr size_t kBatchTextBytes = size_t(4) << 20;
// The last of the caller's allowed cores, when there are two or more.
std::optional<int> readingCore(const cpu_set_t& allowed)
{
    if (CPU_COUNT(&allowed) < 2) return std::nullopt;
    for (int cpu = CPU_SETSIZE; cpu-- > 0;)
        if (CPU_ISSET(cpu, &allowed)) return cpu;
    return std::nullopt;
}

} // namespace

MappedRows::MappedRows(SourceQuery& source, std::vector<std::string> names, std::string table,
                       std::vector<std::string> keyFields)
    : m_source(source), m_names(std::move(names)), m_fields(m_names.size(), nullptr), m_table(std::move(table)),
      m_keyFields(std::move(keyFields))
{
    for (Batch& b : m_ring.batches()) {
        b.values.resize(kBatchRows * m_names.size());
        b.textAt.resize(kBatchRows * m_names.size());
        b.records.resize(kBatchRows);
    }
    m_thread = std::thread(&MappedRows::run, this);
    // Only a speed matter: where the system refuses, both threads go where
    // it puts them.
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    if (pthread_getaffinity_np(pthread_self(), sizeof allowed, &allowed) != 0) return;
    const std::optional<int> core = readingCore(allowed);
    if (!core) return;
    cpu_set_t reading, caller = allowed;
    CPU_ZERO(&reading);
    CPU_SET(*core, &reading);
    CPU_CLR(*core, &caller);
    if (pthread_setaffinity_np(m_thread.native_handle(), sizeof reading, &reading) != 0) return;
    if (pthread_setaffinity_np(pthread_self(), sizeof caller, &caller) == 0) m_callerCores = allowed;
}

MappedRows::~MappedRows()
{
    m_ring.stop();
    m_thread.join();
    if (m_callerCores) pthread_setaffinity_np(pthread_self(), sizeof *m_callerCores, &*m_callerCores);
}

void MappedRows::run()
{
    for (size_t n = 0;; ++n) {
        Batch* b = m_ring.toFill(n);
        if (!b) return;
        fill(*b);
        const bool last = b->last;
        m_ring.handOver();
        if (last) return;
    }
}

void MappedRows::fill(Batch& b)
{
    using Kind = db::ParamView::Kind;
    const size_t width = m_names.size();
    b.count = 0;
    b.last = false;
    b.error = nullptr;
    b.texts.clear();
    size_t p = 0;
    bool reading = false;
    try {
        while (b.count < kBatchRows && b.texts.size() < kBatchTextBytes && !m_ring.stopped()) {
            if (m_source.eof()) {
                b.last = true;
                break;
            }
            db::ParamView* row = b.values.data() + b.count * width;
            Batch::TextAt* at = b.textAt.data() + b.count * width;
            b.records[b.count] = m_source.recordIndex();
            for (p = 0; p < width; ++p) {
                // Looked up in the first row only; the field follows the cursor.
                const db::Field*& field = m_fields[p];
                if (!field) field = &m_source.fieldByName(m_names[p]);
                db::ParamView v = parameterValue(*field, m_scratch);
                if (v.kind == Kind::Text) {
                    // Pointed into the buffer once the batch is complete: it may still grow.
                    at[p] = {b.texts.size(), v.text.size()};
                    b.texts.append(v.text);
                    v.text = {};
                }
                row[p] = v;
            }
            ++b.count;
            ++m_rowsRead;
            reading = true;
            m_source.next();
            reading = false;
        }
    } catch (rk::Exception& error) {
        // The row read last is the failing one's predecessor: its keys are not the failing row's.
        placeError(error, reading ? m_source.failedField() : m_names[p], !reading);
        b.error = std::current_exception();
        b.last = true;
    } catch (...) {
        b.error = std::current_exception();
        b.last = true;
    }
    for (size_t i = 0; i < b.count * width; ++i)
        if (b.values[i].kind == Kind::Text)
            b.values[i].text = std::string_view(b.texts.data() + b.textAt[i].offset, b.textAt[i].length);
}

void MappedRows::placeError(rk::Exception& error, const std::string& field, bool rowRead)
{
    if (m_table.empty()) return;
    RowPlace place{m_table, m_source.recordIndex(), m_rowsRead + 1, {}, field};
    if (rowRead) place.keys = keyValuesOf(m_source, m_keyFields);
    error.setPlace(placeLine(place));
}

std::optional<std::span<const db::ParamView>> MappedRows::next()
{
    const size_t width = m_names.size();
    for (;;) {
        const Batch& b = m_ring.current();
        if (m_row < b.count) {
            m_lastRecord = b.records[m_row];
            return std::span<const db::ParamView>(b.values.data() + m_row++ * width, width);
        }
        // The end stays the end, an error stays where it happened.
        if (b.error) std::rethrow_exception(b.error);
        if (b.last) return std::nullopt;
        m_row = 0;
        m_ring.giveBack();
    }
}

} // namespace rk::transfer
