// Writes Paradox tables (.DB, and .MB when blobs need one) for tests, the
// demo data generator and benchmarks. Rows are encoded and written block by
// block as they come, so a table of a million rows never sits in memory;
// finish() writes the header with the final counts.
//
//   ParadoxWriter w("/tmp/KUNDEN.DB", {{"ID", FieldType::Long}, {"Name", FieldType::Alpha, 30}});
//   w.addRow({int32_t(1), std::string("Müller")});   // texts in Windows-1252
//   w.finish();
//
// The table is written without a primary key (file type 2), one chained run
// of data blocks, blobs longer than the record's leader in the .MB file:
// small ones in sub-allocated blocks, larger ones in blocks of their own.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "db/common/Exception.h"
#include "db/common/FieldValue.h"
#include "db/paradox/reader/ParadoxTable.h"

namespace rk::tools::pxwrite {

using source::paradox::FieldType;

RK_DECLARE_ERROR(EPxWriteError, EDatabaseError);

struct Column {
    std::string name;  // Windows-1252
    FieldType type;
    // Alpha: characters (1..255); Bytes: bytes (1..255); blob kinds: bytes
    // in the record, 10 + leader (10..250, 0 means 10, memo 0 means 11);
    // BCD: decimals (0..32). Ignored for the fixed-size kinds.
    int size = 0;
};

struct WriterOptions {
    int version = 70;        // 30, 35, 40, 50 or 70
    int codePage = 1252;     // 0: none in the header (forced for 30 and 35)
    int blockSizeKb = 4;     // 1 to 32
    int subAllocateMax = 2048;  // blobs up to this length share sub-allocated .MB blocks
    std::string tableName;   // name stored in the header; default the file name
};

class ParadoxWriter {
public:
    ParadoxWriter(std::filesystem::path dbFile, std::vector<Column> columns, WriterOptions options = {});
    // Finishes the table when finish() was not called; errors are dropped.
    ~ParadoxWriter();
    ParadoxWriter(const ParadoxWriter&) = delete;
    ParadoxWriter& operator=(const ParadoxWriter&) = delete;

    // One value per column; monostate is blank. Accepted kinds: int32_t for
    // the integer kinds, double or int32_t for Number/Currency, bool for
    // Logical, BcdValue (or double / int32_t) for BCD, DateValue, TimeValue,
    // TimestampValue, std::string for Alpha, Bytes and the blob kinds.
    void addRow(std::span<const db::FieldValue> row);
    void addRow(std::initializer_list<db::FieldValue> row) { addRow(std::span(row.begin(), row.size())); }

    // Writes the last block and the header and closes the files.
    void finish();

    uint32_t rowCount() const { return m_rows; }

private:
    void openBlobFile();
    void encode(const Column& c, size_t column, const db::FieldValue& v, uint8_t* out);
    void encodeBlob(const Column& c, const std::string& bytes, uint8_t* out);
    uint32_t storeBlob(const std::string& bytes);
    void flushBlock(bool last);
    void flushSubBlock();
    std::vector<uint8_t> header() const;
    std::string toTable(const std::string& ansi) const;
    [[noreturn]] void fail(const std::string& what) const;

    std::filesystem::path m_dbPath, m_mbPath;
    std::vector<Column> m_columns;
    std::vector<int> m_sizes;
    WriterOptions m_options;
    int m_versionId = 12;
    int m_recordSize = 0;
    int m_blockSize = 0;
    size_t m_headerSize = 0;
    int m_dbFd = -1, m_mbFd = -1;
    std::vector<uint8_t> m_block;   // the data block being filled
    int m_inBlock = 0;
    unsigned m_blocks = 0;
    uint32_t m_rows = 0;
    int32_t m_maxAutoInc = 0;
    std::vector<uint8_t> m_pending;  // whole blocks waiting for one write
    size_t m_pendingAt = 0;
    uint64_t m_mbEnd = 0;
    std::vector<uint8_t> m_sub;      // the open sub-allocated block
    uint64_t m_subAt = 0;
    int m_subSlots = 0, m_subNext = 0;
    char m_fromAnsi[256] = {};
    bool m_finished = false;
};

} // namespace rk::tools::pxwrite
