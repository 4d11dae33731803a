// Reading and mapping ahead; see MappedRows.h.
#include "transfer/MappedRows.h"

#include <pthread.h>

#include <utility>

#include "transfer/RowPlace.h"
#include "transfer/ValueMapping.h"

namespace rk::transfer {

namespace {
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
    // Only a speed matter: where the system refuses, both threads go where
    // it puts them.
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    std::optional<int> core;
    if (pthread_getaffinity_np(pthread_self(), sizeof allowed, &allowed) == 0) core = readingCore(allowed);
    // The reading thread keeps to its core from its first row on.
    m_thread = std::thread(&MappedRows::run, this, core);
    if (!core) return;
    cpu_set_t caller = allowed;
    CPU_CLR(*core, &caller);
    if (pthread_setaffinity_np(pthread_self(), sizeof caller, &caller) == 0) m_callerCores = allowed;
}

MappedRows::~MappedRows()
{
    m_ring.stop();
    m_thread.join();
    if (m_callerCores) pthread_setaffinity_np(pthread_self(), sizeof *m_callerCores, &*m_callerCores);
}

void MappedRows::run(std::optional<int> core)
{
    if (core) {
        cpu_set_t own;
        CPU_ZERO(&own);
        CPU_SET(*core, &own);
        pthread_setaffinity_np(pthread_self(), sizeof own, &own);
    }
    for (size_t n = 0;; ++n) {
        Batch* b = m_ring.toFill(n);
        if (!b) return;
        fill(*b);
        const bool last = b->last;
        m_ring.handOver(b->texts.size());
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
    b.formats = locale::currentFormats();
    const locale::LocaleFormats& formats = *b.formats;
    size_t p = 0;
    bool reading = false;
    try {
        while (!m_ring.stopped()) {
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
                db::ParamView v = parameterValue(*field, m_scratch, formats);
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
            if (b.count == kBatchRows || m_ring.handOverNow(b.texts.size())) break;
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
        Batch& b = m_ring.current();
        if (m_row < b.count) {
            m_rowFormats = b.formats.get();
            m_lastRecord = b.records[m_row];
            return std::span<const db::ParamView>(b.values.data() + m_row++ * width, width);
        }
        // The end stays the end, an error stays where it happened.
        if (b.error) std::rethrow_exception(b.error);
        if (b.last) return std::nullopt;
        m_row = 0;
        if (b.texts.capacity() > kKeptTextBytes) std::string().swap(b.texts);
        m_ring.giveBack();
    }
}

} // namespace rk::transfer
