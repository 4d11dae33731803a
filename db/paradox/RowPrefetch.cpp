// Reading ahead; see RowPrefetch.h.
#include "db/paradox/RowPrefetch.h"

#include <utility>

namespace rk::source::detail {

RowPrefetch::RowPrefetch(size_t fieldCount, ReadRow read) : m_read(std::move(read)), m_fieldCount(fieldCount)
{
    for (Batch& b : m_ring.batches()) b.rows.assign(kBatchRows, std::vector<db::FieldValue>(m_fieldCount));
    m_thread = std::thread(&RowPrefetch::run, this);
}

RowPrefetch::~RowPrefetch()
{
    m_ring.stop();
    m_thread.join();
}

void RowPrefetch::run()
{
    for (size_t n = 0;; ++n) {
        Batch* b = m_ring.toFill(n);
        if (!b) return;
        b->count = 0;
        b->last = false;
        b->error = nullptr;
        {
            std::lock_guard<std::mutex> source(m_source);
            try {
                while (b->count < kBatchRows && !m_ring.stopped()) {
                    if (!m_read(b->rows[b->count])) {
                        b->last = true;
                        break;
                    }
                    ++b->count;
                }
            } catch (...) {
                b->error = std::current_exception();
                b->last = true;
            }
        }
        const bool last = b->last;
        m_ring.handOver();
        if (last) return;
    }
}

bool RowPrefetch::next(std::vector<db::Field>& fields)
{
    for (;;) {
        Batch& b = m_ring.current();
        if (m_row < b.count) {
            std::vector<db::FieldValue>& row = b.rows[m_row++];
            for (size_t f = 0; f < m_fieldCount; ++f) std::swap(fields[f].value, row[f]);
            return true;
        }
        // The end stays the end, an error stays where it happened.
        if (b.error) std::rethrow_exception(b.error);
        if (b.last) return false;
        m_row = 0;
        m_ring.giveBack();
    }
}

} // namespace rk::source::detail
