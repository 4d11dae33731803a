// Reading ahead; see RowPrefetch.h.
#include "db/paradox/RowPrefetch.h"

#include <utility>

namespace rk::source::detail {

RowPrefetch::RowPrefetch(size_t fieldCount, ReadRow read) : m_read(std::move(read)), m_fieldCount(fieldCount)
{
    for (Batch& b : m_batches) b.rows.assign(kBatchRows, std::vector<db::FieldValue>(m_fieldCount));
    m_thread = std::thread(&RowPrefetch::run, this);
}

RowPrefetch::~RowPrefetch()
{
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_stop = true;
    }
    m_freed.notify_all();
    m_thread.join();
}

void RowPrefetch::run()
{
    for (size_t n = 0;; ++n) {
        {
            std::unique_lock<std::mutex> guard(m_mutex);
            m_freed.wait(guard, [&] { return m_stop || n - m_doneCount < kBatches; });
            if (m_stop) return;
        }
        // Only this thread touches a batch between its being given back
        // and its being handed over.
        Batch& b = m_batches[n % kBatches];
        b.count = 0;
        b.last = false;
        b.error = nullptr;
        {
            std::lock_guard<std::mutex> source(m_source);
            try {
                while (b.count < kBatchRows && !m_stop) {
                    if (!m_read(b.rows[b.count])) {
                        b.last = true;
                        break;
                    }
                    ++b.count;
                }
            } catch (...) {
                b.error = std::current_exception();
                b.last = true;
            }
        }
        {
            std::lock_guard<std::mutex> guard(m_mutex);
            ++m_filledCount;
        }
        m_filled.notify_one();
        if (b.last) return;
    }
}

bool RowPrefetch::next(std::vector<db::Field>& fields)
{
    for (;;) {
        if (!m_holding) {
            std::unique_lock<std::mutex> guard(m_mutex);
            m_filled.wait(guard, [&] { return m_filledCount > m_doneCount; });
            m_holding = true;
        }
        Batch& b = m_batches[m_doneCount % kBatches];
        if (m_row < b.count) {
            std::vector<db::FieldValue>& row = b.rows[m_row++];
            for (size_t f = 0; f < m_fieldCount; ++f) std::swap(fields[f].value, row[f]);
            return true;
        }
        // The end stays the end, an error stays where it happened.
        if (b.error) std::rethrow_exception(b.error);
        if (b.last) return false;
        {
            std::lock_guard<std::mutex> guard(m_mutex);
            ++m_doneCount;
        }
        m_row = 0;
        m_holding = false;
        m_freed.notify_one();
    }
}

} // namespace rk::source::detail
