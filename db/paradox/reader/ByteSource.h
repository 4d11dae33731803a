// The bytes of one source file, read with pread from a descriptor opened
// O_RDONLY, or a private copy of bytes held in memory (for the fuzzer and
// tests). Nothing here can write to the file. The file is never mapped:
// another program may cut it short while it is open, and a read past its
// new end must give an error, not a bus error.
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
    std::vector<uint8_t> read(size_t offset, size_t n) const;

private:
    ByteSource() = default;
    [[noreturn]] void unreadable(int err) const;
    size_t m_size = 0;
    int m_fd = -1;                 // set for a file
    std::string m_name;            // for messages
    std::vector<uint8_t> m_copy;   // set when the bytes are our own copy
};

// The file name as Windows-1252 for messages; characters without a
// Windows-1252 form become '?'.
std::string displayName(const std::filesystem::path& file);

} // namespace rk::source::paradox::detail
