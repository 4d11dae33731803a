// Read-only mapping of a source file; see ByteSource.h.
#include "db/source/paradox/ByteSource.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "db/common/Ansi.h"
#include "db/source/paradox/ParadoxTable.h"

namespace rk::source::paradox::detail {

namespace {

// Closes the descriptor on every path; the mapping outlives it.
struct Fd {
    int fd;
    ~Fd() { if (fd >= 0) ::close(fd); }
};

[[noreturn]] void openFailed(const std::string& name, int err)
{
    if (err == ENOENT || err == ENOTDIR)
        throw EParadoxError(rk::ansiFormat("Die Datei '%s' wurde nicht gefunden.", name));
    if (err == EACCES || err == EPERM)
        throw EParadoxError(rk::ansiFormat("Keine Leseberechtigung für die Datei '%s'.", name));
    throw EParadoxError(rk::ansiFormat("Die Datei '%s' kann nicht gelesen werden (Systemfehler %d).", name, err));
}

} // namespace

std::unique_ptr<ByteSource> ByteSource::mapFile(const std::filesystem::path& file, const std::string& name)
{
    Fd fd{::open(file.c_str(), O_RDONLY | O_CLOEXEC)};
    if (fd.fd < 0) openFailed(name, errno);
    struct stat st {};
    if (::fstat(fd.fd, &st) != 0) openFailed(name, errno);
    if (!S_ISREG(st.st_mode))
        throw EParadoxError(rk::ansiFormat("Die Datei '%s' ist keine gewöhnliche Datei.", name));

    std::unique_ptr<ByteSource> src(new ByteSource);
    src->m_size = static_cast<size_t>(st.st_size);
    if (src->m_size == 0) return src;  // mmap refuses length 0; the parser reports the short file
    void* p = ::mmap(nullptr, src->m_size, PROT_READ, MAP_PRIVATE, fd.fd, 0);
    if (p == MAP_FAILED) openFailed(name, errno);
    src->m_map = p;
    src->m_data = static_cast<const uint8_t*>(p);
    src->m_fd = fd.fd;
    src->m_name = name;
    fd.fd = -1;
    return src;
}

std::unique_ptr<ByteSource> ByteSource::copyOf(std::span<const uint8_t> bytes)
{
    std::unique_ptr<ByteSource> src(new ByteSource);
    src->m_copy.assign(bytes.begin(), bytes.end());
    src->m_data = src->m_copy.data();
    src->m_size = src->m_copy.size();
    return src;
}

void ByteSource::noteRead(const uint8_t* at, size_t bytes) const
{
    // A read far from the previous one faults in a whole window of pages
    // around it (measured: up to a few hundred KiB); a read next to it adds
    // only its own bytes.
    constexpr size_t kFarRead = size_t(256) << 10;
    constexpr size_t kResidentLimit = size_t(48) << 20;
    // A file no larger than the limit cannot hold more than that resident.
    if (!m_map || m_size <= kResidentLimit) return;
    const size_t offset = static_cast<size_t>(at - m_data);
    const size_t distance = offset > m_lastEnd ? offset - m_lastEnd : m_lastEnd - offset;
    m_readSinceRelease += distance < kFarRead ? bytes : kFarRead;
    m_lastEnd = offset + bytes;
    if (m_readSinceRelease >= kResidentLimit) releaseResident();
}

void ByteSource::releaseResident() const
{
    m_readSinceRelease = 0;
    // A private mapping that was never written: dropping its pages loses
    // nothing, they are read from the file again on the next access.
    if (m_map) ::madvise(m_map, m_size, MADV_DONTNEED);
}

void ByteSource::readAt(size_t offset, size_t n, uint8_t* out) const
{
    if (m_fd < 0) {
        std::memcpy(out, m_data + offset, n);
        return;
    }
    size_t done = 0;
    while (done < n) {
        const ssize_t got = ::pread(m_fd, out + done, n - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) continue;
        // The file shrank or failed under us: a clear error instead of reading past its end.
        if (got <= 0)
            throw EParadoxError(rk::ansiFormat("Die Datei '%s' kann nicht gelesen werden (Systemfehler %d).", m_name,
                                               got < 0 ? errno : EIO));
        done += static_cast<size_t>(got);
    }
}

ByteSource::~ByteSource()
{
    if (m_map) ::munmap(m_map, m_size);
    if (m_fd >= 0) ::close(m_fd);
}

std::string displayName(const std::filesystem::path& file)
{
    const std::string s = file.string();
    try {
        return rk::ansi(s);
    } catch (const std::invalid_argument&) {
        std::string out;
        for (unsigned char c : s) out += c < 0x80 ? static_cast<char>(c) : '?';
        return out;
    }
}

} // namespace rk::source::paradox::detail
