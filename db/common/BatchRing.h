// The hand-over of batches from a thread that fills them to the thread that
// takes them, through a ring of N. The filling thread is at most N batches
// ahead, and the bytes of the batches handed over and not yet given back
// stay near a limit; the two threads meet once per batch, not once per row,
// while the taking thread has something to take. Only the filling thread
// touches a batch between its being given back and its being handed over;
// only the taking thread between the two the other way.
//
//   BatchRing<Batch, 4> ring(1 << 20, std::chrono::milliseconds(1));
//   // filling thread                           // taking thread
//   for (size_t n = 0;; ++n) {                  Batch& b = ring.current();  // waits
//       Batch* b = ring.toFill(n);              ... read b ...
//       if (!b) return;   // stopped            ring.giveBack();
//       do add a row; while (!ring.handOverNow(bytes so far));
//       ring.handOver(bytes);
//   }
//   ring.stop();   // before joining the filling thread
//
// handOverNow() turns true once the taking thread has waited with nothing
// to take for a moment (`patience`): it then gets the rows there are, not a
// whole batch later; and a fast filling thread is not made to hand over
// every row alone while the other waits for it.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>

namespace rk {

template <class Batch, size_t N>
class BatchRing {
public:
    // `byteLimit`: no batch is begun while the bytes ahead reach it, and a
    // batch goes once its own bytes would take them there.
    BatchRing(size_t byteLimit, std::chrono::steady_clock::duration patience)
        : m_byteLimit(byteLimit), m_patience(patience.count())
    {
    }

    std::array<Batch, N>& batches() { return m_batches; }

    // The batch for the n-th hand-over (counted from 0) once it is free and
    // the bytes ahead are below the limit; nothing once stop() was called.
    Batch* toFill(size_t n)
    {
        std::unique_lock<std::mutex> guard(m_mutex);
        m_freed.wait(guard, [&] { return m_stop || (n - m_doneCount < N && m_bytesAhead < m_byteLimit); });
        return m_stop ? nullptr : &m_batches[n % N];
    }
    // For the filling thread after each row of a batch of `bytes` so far
    // (the batch holds a row at least): whether to hand it over now.
    bool handOverNow(size_t bytes) const
    {
        if (m_bytesAheadSeen.load(std::memory_order_relaxed) + bytes >= m_byteLimit) return true;
        const int64_t since = m_takerWaitingSince.load(std::memory_order_relaxed);
        return since != 0 && now() - since >= m_patience;
    }
    void handOver(size_t bytes)
    {
        {
            std::lock_guard<std::mutex> guard(m_mutex);
            m_bytes[m_filledCount % N] = bytes;
            m_bytesAhead += bytes;
            m_bytesAheadSeen.store(m_bytesAhead, std::memory_order_relaxed);
            ++m_filledCount;
        }
        m_filled.notify_one();
    }
    // For the filling thread, between rows.
    bool stopped() const { return m_stop.load(std::memory_order_relaxed); }

    // The oldest batch handed over and not given back; waits for one.
    Batch& current()
    {
        if (!m_holding) {
            std::unique_lock<std::mutex> guard(m_mutex);
            if (m_filledCount == m_doneCount) {
                m_takerWaitingSince.store(now(), std::memory_order_relaxed);
                m_filled.wait(guard, [&] { return m_filledCount > m_doneCount; });
                m_takerWaitingSince.store(0, std::memory_order_relaxed);
            }
            m_holding = true;
        }
        return m_batches[m_doneCount % N];
    }
    void giveBack()
    {
        {
            std::lock_guard<std::mutex> guard(m_mutex);
            m_bytesAhead -= m_bytes[m_doneCount % N];
            m_bytesAheadSeen.store(m_bytesAhead, std::memory_order_relaxed);
            ++m_doneCount;
        }
        m_holding = false;
        m_freed.notify_one();
    }

    // Wakes the filling thread from its wait for good.
    void stop()
    {
        {
            std::lock_guard<std::mutex> guard(m_mutex);
            m_stop = true;
        }
        m_freed.notify_all();
    }

private:
    // Never 0: a clock counting from the system's start.
    static int64_t now() { return std::chrono::steady_clock::now().time_since_epoch().count() | 1; }

    const size_t m_byteLimit;
    const int64_t m_patience;  // in steady_clock ticks
    std::array<Batch, N> m_batches;
    std::mutex m_mutex;
    std::condition_variable m_filled;
    std::condition_variable m_freed;
    // Guarded by m_mutex.
    size_t m_filledCount = 0;          // batches handed over so far
    size_t m_doneCount = 0;            // batches given back so far
    size_t m_bytesAhead = 0;           // bytes of those handed over and not given back
    std::array<size_t, N> m_bytes{};   // each batch's bytes as handed over
    // Hints for the filling thread between rows, written under the lock.
    std::atomic<size_t> m_bytesAheadSeen{0};
    std::atomic<int64_t> m_takerWaitingSince{0};  // now() when it began to wait; 0 while it does not
    std::atomic<bool> m_stop{false};
    bool m_holding = false;            // the taking thread holds batch m_doneCount
};

} // namespace rk
