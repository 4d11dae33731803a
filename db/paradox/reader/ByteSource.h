// The bytes of one source file, read with pread from a descriptor opened
// O_RDONLY, or a private copy of bytes held in memory (for the fuzzer and
// tests). Nothing here can write to the file. The file is never mapped:
// another program may cut it short while it is open, and a read past its
// new end must give an error, not a bus error.
//
// readCached() serves small reads from 8 KiB pieces of the file: reading a
// table in key order jumps between the same few hundred places of an
// unsorted file (a record here, its memo there), and one system call per
// jump cost more than all the decoding. A piece holds the bytes the file
// had when it was first read; bytes it never had still raise the error.
// While reads seldom come back to a piece (records in an order far from
// the file's over a file much larger than the pieces), a miss reads only
// the bytes asked for.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace rk::source::paradox::detail {

class ByteSource {
public:
    // Opens `file` for reading. Throws EParadoxError (German text naming
    // `displayName`) when it cannot.
    static std::unique_ptr<ByteSource> openFile(const std::filesystem::path& file, const std::string& displayName);
    static std::unique_ptr<ByteSource> copyOf(std::span<const uint8_t> bytes, const std::string& displayName);

    ~ByteSource();
    ByteSource(const ByteSource&) = delete;
    ByteSource& operator=(const ByteSource&) = delete;

    // The size when the file was opened.
    size_t size() const { return m_size; }

    // Copies n bytes at offset to out. Bytes that are no longer there (the
    // file shrank, or the range lies past size()) raise EParadoxError:
    // "Die Datei '...' kann nicht gelesen werden (Systemfehler N)."
    void readAt(size_t offset, size_t n, uint8_t* out) const;
    // The same through the pieces (for records and blobs, read again and
    // again; what open() checks is read with readAt, as it is then).
    void readCached(size_t offset, size_t n, uint8_t* out) const;
    std::vector<uint8_t> read(size_t offset, size_t n) const;

private:
    ByteSource() = default;
    [[noreturn]] void unreadable(int err) const;
    struct Piece {
        size_t index = SIZE_MAX;  // piece number in the file; SIZE_MAX: empty
        size_t length = 0;        // bytes read, less than a piece at the end
        std::unique_ptr<uint8_t[]> bytes;
    };
    const Piece& piece(size_t index) const;
    // The piece if it is held, else nothing (no reading).
    const Piece* heldPiece(size_t index) const;
    size_t m_size = 0;
    int m_fd = -1;                 // set for a file
    std::string m_name;            // for messages
    std::vector<uint8_t> m_copy;   // set when the bytes are our own copy
    mutable std::vector<Piece> m_pieces;  // direct-mapped by piece number
    // Recent misses outweighing hits (up by one per miss, down by two per
    // hit); from kMissScoreDirect on, misses are read directly.
    static constexpr unsigned kMissScoreMax = 32, kMissScoreDirect = 16;
    mutable unsigned m_missScore = 0;
    mutable unsigned m_directReads = 0;
};

// The file name as Windows-1252 for messages; characters without a
// Windows-1252 form become '?'.
std::string displayName(const std::filesystem::path& file);

} // namespace rk::source::paradox::detail
