// Reading the rows of an open result ahead, on a thread of its own, while
// the caller works on the current row. The transfer spends most of each row
// in the target's client library; the source's share (SQLite's step, the
// records and memos, their decoding) then runs beside it on a second core
// instead of after it. The order of the rows, their values and the row at
// which an error shows are those of reading one row at a time.
//
//   RowPrefetch ahead(fields.size(), [&](std::vector<db::FieldValue>& row) {
//       if (!step()) return false;
//       readInto(row);
//       return true;
//   });
//   while (ahead.next(fields)) use(fields);
//
// While the thread runs it is the only user of what `read` touches (the
// statement, its SQL connection, the readers); anyone else takes lock()
// first. The destructor stops the reading and waits for it.
#pragma once

#include <cstddef>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "db/common/BatchRing.h"
#include "db/common/FieldValue.h"

namespace rk::source::detail {

class RowPrefetch {
public:
    // Reads the next row into the values given (one per field, their
    // storage reused); false past the last row.
    using ReadRow = std::function<bool(std::vector<db::FieldValue>&)>;

    RowPrefetch(size_t fieldCount, ReadRow read);
    ~RowPrefetch();
    RowPrefetch(const RowPrefetch&) = delete;
    RowPrefetch& operator=(const RowPrefetch&) = delete;

    // The next row's values swapped into `fields` (the values they held go
    // back for reuse); false past the last row, with `fields` unchanged. An
    // error of the reading is thrown at the row where it happened, and
    // again at every later call.
    bool next(std::vector<db::Field>& fields);

    // Holds the reading between two rows.
    std::unique_lock<std::mutex> lock() { return std::unique_lock<std::mutex>(m_source); }

private:
    void run();

    struct Batch {
        std::vector<std::vector<db::FieldValue>> rows;
        size_t count = 0;
        bool last = false;          // no batch follows
        std::exception_ptr error;   // raised after `count` rows
    };
    // Rows pass in batches, so that the two threads meet once per batch,
    // not once per row.
    static constexpr size_t kBatches = 4;
    static constexpr size_t kBatchRows = 64;

    ReadRow m_read;
    size_t m_fieldCount;
    std::mutex m_source;
    BatchRing<Batch, kBatches> m_ring;
    // The caller's side: the current batch is read up to m_row.
    size_t m_row = 0;
    std::thread m_thread;
};

} // namespace rk::source::detail
