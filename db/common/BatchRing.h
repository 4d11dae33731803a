// The hand-over of batches from a thread that fills them to the thread that
// takes them, through a ring of N: the filling thread is at most N batches
// ahead, and the two threads meet once per batch, not once per row. Only
// the filling thread touches a batch between its being given back and its
// being handed over; only the taking thread between the two the other way.
//
//   BatchRing<Batch, 4> ring;
//   // filling thread                        // taking thread
//   for (size_t n = 0;; ++n) {               Batch& b = ring.current();   // waits
//       Batch* b = ring.toFill(n);           ... read b ...
//       if (!b) return;   // stopped         ring.giveBack();
//       fill(*b);
//       ring.handOver();
//   }
//   ring.stop();   // before joining the filling thread
#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <mutex>

namespace rk {

template <class Batch, size_t N>
class BatchRing {
public:
    std::array<Batch, N>& batches() { return m_batches; }

    // The batch for the n-th hand-over (counted from 0) once it is free;
    // nothing once stop() was called.
    Batch* toFill(size_t n)
    {
        std::unique_lock<std::mutex> guard(m_mutex);
        m_freed.wait(guard, [&] { return m_stop || n - m_doneCount < N; });
        return m_stop ? nullptr : &m_batches[n % N];
    }
    void handOver()
    {
        {
            std::lock_guard<std::mutex> guard(m_mutex);
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
            m_filled.wait(guard, [&] { return m_filledCount > m_doneCount; });
            m_holding = true;
        }
        return m_batches[m_doneCount % N];
    }
    void giveBack()
    {
        {
            std::lock_guard<std::mutex> guard(m_mutex);
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
    std::array<Batch, N> m_batches;
    std::mutex m_mutex;
    std::condition_variable m_filled;
    std::condition_variable m_freed;
    size_t m_filledCount = 0;  // batches handed over so far
    size_t m_doneCount = 0;    // batches given back so far
    std::atomic<bool> m_stop{false};
    bool m_holding = false;    // the taking thread holds batch m_doneCount
};

} // namespace rk
