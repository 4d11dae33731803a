// The rows of a slot read and mapped ahead of the run, on a thread of their
// own: each row of the open source query becomes the target's parameter
// values (the rules of assignParamFromField), packed into batches that the
// run takes row by row and executes. The run's own thread is then left
// with what the bare client loop does as well: binding the values and
// executing the statement. Rows pass in compact batches (the values' texts
// side by side in one buffer), so that little memory travels between the
// two processor cores per row. A batch is handed over whole (64 rows) while
// the run is busy, and with the rows there are once the run has waited a
// millisecond, so that a slow source never keeps the run from its events
// much longer than a row takes. What is read ahead is bounded in bytes over all batches, so that a
// slot of long memos holds a few of them at a time, not a ringful.
//
// Each batch is mapped in the regional formats current when it was begun,
// and the run binds its rows in the same set (formats()): a change of the
// settings applies from the next batch, and a date text is always read back
// in the form it was written in.
//
//   MappedRows rows(source, {"ID", "NAME"});   // the first row is looked up by name
//   while (auto values = rows.next()) statement.executeRow(*values, rows.formats());
//
// The order of the rows, their values and the row at which an error shows
// are those of reading and mapping one row at a time: an error of reading
// or mapping is thrown by the next() that would have given that row, and
// again at every later call. While the thread runs it is the only user of
// the source query; the destructor stops it and waits for it, so the query
// is the caller's again afterwards. Given the slot's table and key fields, an
// error of reading or mapping carries its place line (see RowPlace.h).
//
// With two or more processor cores allowed, the reading thread keeps to the
// last of them and the caller's thread to the others while the rows last
// (the caller's own setting comes back with the destructor): otherwise the
// system puts the reading thread on the caller's core while the caller
// waits for the disk, and the caller goes on with its caches spoilt, which
// cost a tenth of the time with forced writes on a machine of two cores.
#pragma once

#include <chrono>
#include <cstddef>
#include <exception>
#include <memory>
#include <optional>
#include <sched.h>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "db/common/BatchRing.h"
#include "db/common/Exception.h"
#include "db/common/ParamValue.h"
#include "locale/LocaleFormats.h"
#include "transfer/TransferPorts.h"

namespace rk::transfer {

class MappedRows {
public:
    // Starts reading at the query's current row; `names` are the parameters'
    // names, each read from the field of that name.
    // `table` and `keyFields` make the place line of an error.
    MappedRows(SourceQuery& source, std::vector<std::string> names, std::string table = {},
               std::vector<std::string> keyFields = {});
    ~MappedRows();
    MappedRows(const MappedRows&) = delete;
    MappedRows& operator=(const MappedRows&) = delete;

    // The next row's values, one per name, valid until the next call;
    // nothing past the last row.
    std::optional<std::span<const db::ParamView>> next();
    // The regional formats the row last given by next() was mapped in; as
    // long as that row's values are valid.
    const locale::LocaleFormats& formats() const { return *m_rowFormats; }

    // Bytes of text read ahead, over all batches, before the reading waits
    // (a single row may pass it alone).
    static constexpr size_t kReadAheadBytes = size_t(4) << 20;

    // The record number (0-based, -1 unknown) of the row next() gave last.
    int64_t recordIndex() const { return m_lastRecord; }

private:
    void run(std::optional<int> core);
    struct Batch;
    void fill(Batch& batch);
    void placeError(rk::Exception& error, const std::string& field, bool rowRead);

    struct Batch {
        struct TextAt {
            size_t offset, length;
        };
        std::vector<db::ParamView> values;  // kBatchRows rows of names.size() values
        std::vector<TextAt> textAt;         // where each value's text lies in `texts`
        std::vector<int64_t> records;       // each row's record number
        std::string texts;
        std::shared_ptr<const locale::LocaleFormats> formats;  // the set the rows were mapped in
        size_t count = 0;
        bool last = false;          // no batch follows
        std::exception_ptr error;   // raised after `count` rows
    };
    // Sixteen batches ahead ride out the moments the reading thread is not
    // scheduled; the byte bound keeps them to a few MiB.
    static constexpr size_t kBatches = 16;
    static constexpr size_t kBatchRows = 64;
    // A batch's text buffer keeps its room up to this for the next filling;
    // one that held more (long memos) is freed when given back.
    static constexpr size_t kKeptTextBytes = kReadAheadBytes / kBatches;

    SourceQuery& m_source;
    const std::vector<std::string> m_names;
    std::vector<const db::Field*> m_fields;  // looked up in the first row
    const std::string m_table;
    const std::vector<std::string> m_keyFields;
    int64_t m_rowsRead = 0;  // by the reading thread
    std::string m_scratch;

    // A run waiting for rows gets those there are after a millisecond.
    BatchRing<Batch, kBatches> m_ring{kReadAheadBytes, std::chrono::milliseconds(1)};
    // The caller's side: the current batch is read up to m_row.
    size_t m_row = 0;
    const locale::LocaleFormats* m_rowFormats = nullptr;
    int64_t m_lastRecord = -1;
    std::thread m_thread;
    // The caller's allowed cores before, when they were split.
    std::optional<cpu_set_t> m_callerCores;
};

} // namespace rk::transfer
