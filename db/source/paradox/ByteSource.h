// The bytes of one source file, mapped read-only, or a private copy of bytes
// held in memory (for the fuzzer and tests). The reader only ever looks at
// data()[0 .. size()); nothing here can write to the file.
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
    // Maps `file` with PROT_READ from a descriptor opened O_RDONLY. Throws
    // EParadoxError (German text naming `displayName`) when it cannot.
    static std::unique_ptr<ByteSource> mapFile(const std::filesystem::path& file, const std::string& displayName);
    static std::unique_ptr<ByteSource> copyOf(std::span<const uint8_t> bytes);

    ~ByteSource();
    ByteSource(const ByteSource&) = delete;
    ByteSource& operator=(const ByteSource&) = delete;

    const uint8_t* data() const { return m_data; }
    size_t size() const { return m_size; }

    // Tells the source that `bytes` at `at` (inside data()) were just read. A transfer
    // reads a large table in key order, all over the file, and every page it
    // touched would stay resident; past a limit the mapping's pages are
    // given back to the page cache (they fault in again when read, and every
    // pointer into the mapping stays valid).
    void noteRead(const uint8_t* at, size_t bytes) const;
    // Copies n bytes at offset (inside size()) to out. A mapped file is read
    // with pread, so reading records in key order all over a large file
    // leaves no pages of it resident.
    void readAt(size_t offset, size_t n, uint8_t* out) const;

    // Gives every resident page of the mapping back now.
    void releaseResident() const;

private:
    ByteSource() = default;
    const uint8_t* m_data = nullptr;
    size_t m_size = 0;
    void* m_map = nullptr;         // set when m_data points into a mapping
    int m_fd = -1;                 // kept open beside a mapping, for readAt
    std::string m_name;            // for messages
    mutable size_t m_readSinceRelease = 0;
    mutable size_t m_lastEnd = 0;
    std::vector<uint8_t> m_copy;   // set when the bytes are our own copy
};

// The file name as Windows-1252 for messages; characters without a
// Windows-1252 form become '?'.
std::string displayName(const std::filesystem::path& file);

} // namespace rk::source::paradox::detail
