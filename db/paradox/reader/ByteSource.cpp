// Read-only access to a source file; see ByteSource.h.
#include "db/paradox/reader/ByteSource.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "db/common/Ansi.h"
#include "db/paradox/reader/ParadoxTable.h"

namespace rk::source::paradox::detail {

namespace {

// Closes the descriptor on every error path.
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

std::unique_ptr<ByteSource> ByteSource::openFile(const std::filesystem::path& file, const std::string& name)
{
    Fd fd{::open(file.c_str(), O_RDONLY | O_CLOEXEC)};
    if (fd.fd < 0) openFailed(name, errno);
    struct stat st {};
    if (::fstat(fd.fd, &st) != 0) openFailed(name, errno);
    if (!S_ISREG(st.st_mode))
        throw EParadoxError(rk::ansiFormat("Die Datei '%s' ist keine gewöhnliche Datei.", name));

    std::unique_ptr<ByteSource> src(new ByteSource);
    src->m_size = static_cast<size_t>(st.st_size);
    src->m_name = name;
    src->m_fd = fd.fd;
    fd.fd = -1;
    return src;
}

std::unique_ptr<ByteSource> ByteSource::copyOf(std::span<const uint8_t> bytes, const std::string& name)
{
    std::unique_ptr<ByteSource> src(new ByteSource);
    src->m_copy.assign(bytes.begin(), bytes.end());
    src->m_size = src->m_copy.size();
    src->m_name = name;
    return src;
}

void ByteSource::unreadable(int err) const
{
    throw EParadoxError(rk::ansiFormat("Die Datei '%s' kann nicht gelesen werden (Systemfehler %d).", m_name, err));
}

namespace {
constexpr size_t kPieceSize = 8192;
// 4 MiB at most per open file. Direct mapping is enough: the places a key
// order visits lie at strides that rarely share a slot.
constexpr size_t kPieceSlots = 512;
} // namespace

void ByteSource::readCached(size_t offset, size_t n, uint8_t* out) const
{
    // Large reads (a run of records in file order, a long blob) go straight
    // to the file.
    if (m_fd < 0 || n > kPieceSize) return readAt(offset, n, out);
    // Pieces pay off while reads come back to bytes read before. Records in
    // an order far from the file's (a large table in key order) seldom do,
    // and then every piece costs a copy of 8 KiB for a few hundred bytes:
    // while most of the recent reads missed, a miss reads just the bytes
    // asked for, and every sixteenth still fills its piece, so that reads
    // coming near each other again are noticed.
    const bool hit = m_pieces.size() == kPieceSlots && heldPiece(offset / kPieceSize) &&
                     heldPiece((offset + n - 1) / kPieceSize);
    if (hit) {
        m_missScore = m_missScore > 2 ? m_missScore - 2 : 0;
    } else {
        if (m_missScore < kMissScoreMax) ++m_missScore;
        if (m_missScore >= kMissScoreDirect && ++m_directReads % 16 != 0) return readAt(offset, n, out);
    }
    while (n > 0) {
        const Piece& p = piece(offset / kPieceSize);
        const size_t at = offset % kPieceSize;
        // The file ended (or shrank) before the bytes asked for.
        if (at >= p.length) unreadable(EIO);
        const size_t take = std::min(n, p.length - at);
        std::memcpy(out, p.bytes.get() + at, take);
        out += take;
        offset += take;
        n -= take;
    }
}

const ByteSource::Piece* ByteSource::heldPiece(size_t index) const
{
    const Piece& p = m_pieces[index % kPieceSlots];
    return p.index == index ? &p : nullptr;
}

const ByteSource::Piece& ByteSource::piece(size_t index) const
{
    if (m_pieces.empty()) m_pieces.resize(kPieceSlots);
    Piece& p = m_pieces[index % kPieceSlots];
    if (p.index == index) return p;
    if (!p.bytes) p.bytes = std::make_unique<uint8_t[]>(kPieceSize);
    p.index = SIZE_MAX;
    const size_t start = index * kPieceSize;
    const size_t want = start < m_size ? std::min(kPieceSize, m_size - start) : 0;
    size_t done = 0;
    while (done < want) {
        const ssize_t got = ::pread(m_fd, p.bytes.get() + done, want - done, static_cast<off_t>(start + done));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) unreadable(errno);
        if (got == 0) break;  // the file is shorter now than when it was opened
        done += static_cast<size_t>(got);
    }
    p.length = done;
    p.index = index;
    return p;
}

void ByteSource::readAt(size_t offset, size_t n, uint8_t* out) const
{
    if (m_fd < 0) {
        if (offset > m_size || n > m_size - offset) unreadable(EIO);
        if (n) std::memcpy(out, m_copy.data() + offset, n);
        return;
    }
    size_t done = 0;
    while (done < n) {
        const ssize_t got = ::pread(m_fd, out + done, n - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) continue;
        // The file shrank or failed under us: a clear error instead of reading past its end.
        if (got <= 0) unreadable(got < 0 ? errno : EIO);
        done += static_cast<size_t>(got);
    }
}

std::vector<uint8_t> ByteSource::read(size_t offset, size_t n) const
{
    std::vector<uint8_t> out(n);
    readAt(offset, n, out.data());
    return out;
}

ByteSource::~ByteSource()
{
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
