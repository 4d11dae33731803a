// The .MB file beside a table: blobs too long for their record's leader.
//
// The file is a sequence of 4 KB blocks. Block 0 is the header (type 0). A
// blob is either alone in a run of blocks (type 2: type, block count, length,
// modification number, then the data) or one of up to 64 small blobs in a
// sub-allocated block (type 3: a 12-byte head, then 64 five-byte slots of
// data offset / 16, length in 16-byte units, modification number and
// length modulo 16). A record refers to a blob by the block's file offset
// with the slot number in the low byte, 0xFF for a single blob.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "db/paradox/reader/ByteSource.h"

namespace rk::source::paradox::detail {

class BlobFile {
public:
    // Throws EParadoxError when the bytes do not begin with a blob header.
    BlobFile(std::unique_ptr<ByteSource> bytes, std::string name);

    // The `length` bytes the record's reference `ref` names, into `out`
    // (its storage reused); a reference that does not fit the file raises
    // EParadoxError naming the file.
    void read(uint32_t ref, uint32_t length, std::string& out) const;

    const std::string& name() const { return m_name; }

private:
    [[noreturn]] void corrupt(const std::string& what) const;
    // The 4 KB block at `block` (less at the end of the file), read once for
    // all the blobs it holds: a row's memos and those of the next rows
    // mostly share one sub-allocated block.
    const uint8_t* chunk(size_t block) const;
    std::unique_ptr<ByteSource> m_bytes;
    std::string m_name;
    mutable std::vector<uint8_t> m_chunk;
    mutable size_t m_chunkAt = 0;  // 0: none (block 0 is the header, never a blob)
};

} // namespace rk::source::paradox::detail
