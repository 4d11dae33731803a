// Paradox table writer; see ParadoxWriter.h. The layout written here is the
// one the reader in db/paradox/reader expects; header bytes that readers do
// not interpret are set as real Paradox files of each version carry them.
#include "tools/pxwrite/ParadoxWriter.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "db/common/Ansi.h"
#include "db/paradox/reader/CodePage.h"

namespace rk::tools::pxwrite {

namespace {

constexpr size_t kBlockHeader = 6;
constexpr size_t kChunk = 4096;
constexpr size_t kSubData = 0x150;  // first data paragraph of a sub-allocated block
constexpr int kSubSlots = 64;

void put16(uint8_t* p, unsigned v) { p[0] = uint8_t(v); p[1] = uint8_t(v >> 8); }
void put32(uint8_t* p, uint32_t v) { for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i)); }
void putBe16(uint8_t* p, unsigned v) { p[0] = uint8_t(v >> 8); p[1] = uint8_t(v); }
void putBe32(uint8_t* p, uint32_t v) { for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (24 - 8 * i)); }

void putDouble(uint8_t* p, double d)
{
    uint64_t bits;
    std::memcpy(&bits, &d, sizeof bits);
    bits = (bits & 0x8000000000000000ULL) ? ~bits : bits | 0x8000000000000000ULL;
    for (int i = 0; i < 8; ++i) p[i] = uint8_t(bits >> (56 - 8 * i));
}

int versionId(int version)
{
    switch (version) {
    case 30: return 3;
    case 35: return 4;
    case 40: return 9;
    case 50: return 11;
    case 70: return 12;
    default: return 0;
    }
}

int fixedSize(FieldType t, int declared)
{
    switch (t) {
    case FieldType::Alpha:
    case FieldType::Bytes: return declared >= 1 && declared <= 255 ? declared : 0;
    case FieldType::Short: return 2;
    case FieldType::Date:
    case FieldType::Long:
    case FieldType::Time:
    case FieldType::AutoInc: return 4;
    case FieldType::Currency:
    case FieldType::Number:
    case FieldType::Timestamp: return 8;
    case FieldType::Logical: return 1;
    case FieldType::Bcd: return declared >= 0 && declared <= 32 ? 17 : 0;
    case FieldType::Memo:
        if (declared == 0) return 11;
        [[fallthrough]];
    case FieldType::Binary:
    case FieldType::FmtMemo:
    case FieldType::Ole:
    case FieldType::Graphic:
        if (declared == 0) return 10;
        return declared >= 10 && declared <= 250 ? declared : 0;
    }
    return 0;
}

void writeAll(int fd, const uint8_t* p, size_t n, uint64_t at, const std::filesystem::path& file)
{
    while (n > 0) {
        const ssize_t w = ::pwrite(fd, p, n, static_cast<off_t>(at));
        if (w < 0) {
            if (errno == EINTR) continue;
            throw EPxWriteError(rk::ansiFormat("Die Datei '%s' kann nicht geschrieben werden (Systemfehler %d).",
                                               file.string(), errno));
        }
        p += w;
        n -= static_cast<size_t>(w);
        at += static_cast<uint64_t>(w);
    }
}

} // namespace

ParadoxWriter::ParadoxWriter(std::filesystem::path dbFile, std::vector<Column> columns, WriterOptions options)
    : m_dbPath(std::move(dbFile)), m_columns(std::move(columns)), m_options(std::move(options))
{
    m_versionId = versionId(m_options.version);
    if (m_versionId == 0) fail(rk::ansiFormat("unbekannte Dateiversion %d", m_options.version));
    if (m_versionId < 5) m_options.codePage = 0;
    if (m_options.blockSizeKb < 1 || m_options.blockSizeKb > 32) fail(rk::ansi("Blockgröße außerhalb 1 bis 32 KB"));
    if (m_columns.empty() || m_columns.size() > 255) fail(rk::ansi("ungültige Spaltenanzahl"));
    if (m_options.tableName.empty()) m_options.tableName = m_dbPath.filename().string();

    const auto table = source::paradox::detail::fromAnsiTable(m_options.codePage ? m_options.codePage : 850);
    if (!table) fail(rk::ansiFormat("Codepage %d nicht verfügbar", m_options.codePage));
    std::memcpy(m_fromAnsi, table->data(), 256);

    bool blobs = false;
    for (const Column& c : m_columns) {
        const int size = fixedSize(c.type, c.size);
        if (size == 0) fail(rk::ansiFormat("ungültige Größe %d der Spalte '%s'", c.size, c.name));
        m_sizes.push_back(size);
        m_recordSize += size;
        blobs = blobs || source::paradox::isBlobType(c.type);
    }
    m_blockSize = m_options.blockSizeKb * 1024;
    if (m_recordSize + kBlockHeader > static_cast<size_t>(m_blockSize))
        fail(rk::ansiFormat("Datensatzlänge %d passt nicht in einen Block", m_recordSize));
    m_headerSize = header().size();
    m_block.assign(m_blockSize, 0);

    m_dbFd = ::open(m_dbPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (m_dbFd < 0) fail(rk::ansiFormat("kann nicht angelegt werden (Systemfehler %d)", errno));
    if (blobs) openBlobFile();
    m_pendingAt = m_headerSize;
}

void ParadoxWriter::openBlobFile()
{
    try {
        m_mbPath = m_dbPath;
        m_mbPath.replace_extension(m_dbPath.extension() == ".db" ? ".mb" : ".MB");
        m_mbFd = ::open(m_mbPath.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (m_mbFd < 0) fail(rk::ansiFormat("Blob-Datei kann nicht angelegt werden (Systemfehler %d)", errno));
        // Block 0: type 0, one chunk, and the bytes every real .MB header
        // carries up to 0x2F (byte 3 counts changes).
        static constexpr uint8_t kMbHead[] = {0x00, 0x01, 0x00, 0x01, 0x00, 0x82, 0x73, 0x02, 0x00, 0x29, 0x00, 0x00,
                                              0x10, 0x00, 0x10, 0x00, 0x10, 0x40, 0x00, 0x00, 0x08};
        std::vector<uint8_t> head(kChunk, 0);
        std::memcpy(head.data(), kMbHead, sizeof kMbHead);
        head[0x29] = 0xA1;
        head[0x2A] = 0x02;
        writeAll(m_mbFd, head.data(), head.size(), 0, m_mbPath);
        m_mbEnd = kChunk;
    } catch (...) {
        // The destructor does not run for a failed constructor.
        ::close(m_dbFd);
        m_dbFd = -1;
        if (m_mbFd >= 0) ::close(m_mbFd);
        m_mbFd = -1;
        throw;
    }
}

ParadoxWriter::~ParadoxWriter()
{
    try {
        finish();
    } catch (...) {
    }
    if (m_dbFd >= 0) ::close(m_dbFd);
    if (m_mbFd >= 0) ::close(m_mbFd);
}

void ParadoxWriter::fail(const std::string& what) const
{
    throw EPxWriteError(rk::ansiFormat("%s: %s", m_dbPath.string(), what));
}

std::string ParadoxWriter::toTable(const std::string& ansi) const
{
    std::string s(ansi.size(), '\0');
    for (size_t i = 0; i < ansi.size(); ++i) s[i] = m_fromAnsi[static_cast<unsigned char>(ansi[i])];
    return s;
}

void ParadoxWriter::addRow(std::span<const db::FieldValue> row)
{
    if (m_finished) fail("Zeile nach finish()");
    if (row.size() != m_columns.size())
        fail(rk::ansiFormat("Zeile mit %d statt %d Werten", int(row.size()), int(m_columns.size())));
    // A full block is written when the next row arrives, so the last block
    // of the chain is always known when its link is set.
    if (size_t(m_inBlock + 1) * m_recordSize + kBlockHeader > static_cast<size_t>(m_blockSize)) flushBlock(false);
    uint8_t* rec = m_block.data() + kBlockHeader + size_t(m_inBlock) * m_recordSize;
    std::memset(rec, 0, m_recordSize);
    uint8_t* p = rec;
    for (size_t i = 0; i < row.size(); ++i) {
        if (!db::isBlank(row[i])) encode(m_columns[i], i, row[i], p);
        p += m_sizes[i];
    }
    ++m_rows;
    ++m_inBlock;
}

void ParadoxWriter::encode(const Column& c, size_t column, const db::FieldValue& v, uint8_t* out)
{
    const int size = m_sizes[column];
    const auto wrong = [&] { fail(rk::ansiFormat("Wert falscher Art für Spalte '%s'", c.name)); };
    const auto* i32 = std::get_if<int32_t>(&v);
    const auto* dbl = std::get_if<double>(&v);
    const auto* str = std::get_if<std::string>(&v);
    switch (c.type) {
    case FieldType::Alpha: {
        if (!str) wrong();
        if (str->size() > static_cast<size_t>(size))
            fail(rk::ansiFormat("Text zu lang für Spalte '%s'", c.name));
        const std::string t = toTable(*str);
        std::memcpy(out, t.data(), t.size());
        break;
    }
    case FieldType::Bytes:
        if (!str) wrong();
        if (str->size() > static_cast<size_t>(size)) fail(rk::ansiFormat("Bytes zu lang für Spalte '%s'", c.name));
        std::memcpy(out, str->data(), str->size());
        break;
    case FieldType::Short:
        if (!i32) wrong();
        if (*i32 < -32768 || *i32 > 32767) fail(rk::ansiFormat("Wert %d zu groß für Spalte '%s'", *i32, c.name));
        putBe16(out, static_cast<uint16_t>(*i32) ^ 0x8000U);
        break;
    case FieldType::Long:
    case FieldType::AutoInc:
        if (!i32) wrong();
        putBe32(out, static_cast<uint32_t>(*i32) ^ 0x80000000U);
        if (c.type == FieldType::AutoInc && *i32 > m_maxAutoInc) m_maxAutoInc = *i32;
        break;
    case FieldType::Date:
        if (const auto* d = std::get_if<db::DateValue>(&v)) putBe32(out, static_cast<uint32_t>(d->days) ^ 0x80000000U);
        else wrong();
        break;
    case FieldType::Time:
        if (const auto* t = std::get_if<db::TimeValue>(&v)) putBe32(out, static_cast<uint32_t>(t->msecs) ^ 0x80000000U);
        else wrong();
        break;
    case FieldType::Timestamp:
        if (const auto* t = std::get_if<db::TimestampValue>(&v)) putDouble(out, t->msecs);
        else wrong();
        break;
    case FieldType::Currency:
    case FieldType::Number:
        if (dbl) putDouble(out, *dbl);
        else if (i32) putDouble(out, *i32);
        else wrong();
        break;
    case FieldType::Logical:
        if (const auto* b = std::get_if<bool>(&v)) out[0] = *b ? 0x81 : 0x80;
        else wrong();
        break;
    case FieldType::Bcd: {
        const int scale = c.size;
        db::BcdValue bcd;
        if (const auto* b = std::get_if<db::BcdValue>(&v)) {
            bcd = *b;
        } else if (dbl || i32) {
            char buf[400];
            std::snprintf(buf, sizeof buf, "%.*f", scale, dbl ? *dbl : double(*i32));
            bcd.negative = buf[0] == '-';
            for (const char* q = buf; *q; ++q)
                if (*q >= '0' && *q <= '9') bcd.digits.push_back(uint8_t(*q - '0'));
            bcd.scale = scale;
        } else {
            wrong();
        }
        // Align to the column's decimals: pad, or drop zero digits only.
        while (bcd.scale < scale) { bcd.digits.push_back(0); ++bcd.scale; }
        while (bcd.scale > scale) {
            if (bcd.digits.empty() || bcd.digits.back() != 0)
                fail(rk::ansiFormat("BCD-Wert mit zu vielen Dezimalen für Spalte '%s'", c.name));
            bcd.digits.pop_back();
            --bcd.scale;
        }
        if (bcd.digits.size() > 32) {
            const size_t extra = bcd.digits.size() - 32;
            for (size_t k = 0; k < extra; ++k)
                if (bcd.digits[k] != 0) fail(rk::ansiFormat("BCD-Wert zu groß für Spalte '%s'", c.name));
            bcd.digits.erase(bcd.digits.begin(), bcd.digits.begin() + static_cast<long>(extra));
        }
        uint8_t nibbles[32] = {};
        std::memcpy(nibbles + (32 - bcd.digits.size()), bcd.digits.data(), bcd.digits.size());
        out[0] = static_cast<uint8_t>((bcd.negative ? 0x40 : 0xC0) | scale);
        for (int k = 0; k < 16; ++k) {
            uint8_t byte = static_cast<uint8_t>((nibbles[2 * k] & 0x0F) << 4 | (nibbles[2 * k + 1] & 0x0F));
            out[1 + k] = bcd.negative ? static_cast<uint8_t>(~byte) : byte;
        }
        break;
    }
    case FieldType::Memo:
        if (!str) wrong();
        encodeBlob(c, toTable(*str), out);
        break;
    case FieldType::Binary:
    case FieldType::FmtMemo:
    case FieldType::Ole:
    case FieldType::Graphic:
        if (!str) wrong();
        encodeBlob(c, *str, out);
        break;
    }
}

void ParadoxWriter::encodeBlob(const Column& c, const std::string& bytes, uint8_t* out)
{
    const size_t leader = static_cast<size_t>(fixedSize(c.type, c.size)) - 10;
    if (bytes.empty()) return;  // stored as blank
    if (bytes.size() > 0xFFFFFFF0U) fail(rk::ansi("Blob zu groß"));
    std::memcpy(out, bytes.data(), std::min(leader, bytes.size()));
    uint32_t ref = 0;
    if (bytes.size() > leader) ref = storeBlob(bytes);
    put32(out + leader, ref);
    put32(out + leader + 4, static_cast<uint32_t>(bytes.size()));
    put16(out + leader + 8, ref ? 1 : 0);
}

uint32_t ParadoxWriter::storeBlob(const std::string& bytes)
{
    const size_t n = bytes.size();
    const size_t units = (n + 15) / 16;
    if (n <= static_cast<size_t>(m_options.subAllocateMax) && kSubData + units * 16 <= kChunk) {
        if (!m_sub.empty() && (m_subSlots == kSubSlots || size_t(m_subNext) + units * 16 > kChunk)) flushSubBlock();
        if (m_sub.empty()) {
            m_sub.assign(kChunk, 0);
            m_sub[0] = 3;
            put16(m_sub.data() + 1, 1);
            m_subAt = m_mbEnd;
            m_mbEnd += kChunk;
            m_subSlots = 0;
            m_subNext = static_cast<int>(kSubData);
        }
        const int slot = kSubSlots - 1 - m_subSlots++;  // Paradox hands out slots from 63 down
        uint8_t* s = m_sub.data() + 12 + slot * 5;
        s[0] = static_cast<uint8_t>(m_subNext / 16);
        s[1] = static_cast<uint8_t>(units);
        put16(s + 2, 1);
        s[4] = static_cast<uint8_t>(n % 16);
        std::memcpy(m_sub.data() + m_subNext, bytes.data(), n);
        m_subNext += static_cast<int>(units * 16);
        if (m_subAt > 0xFFFFFF00ULL) fail(rk::ansi("Blob-Datei zu groß"));
        return static_cast<uint32_t>(m_subAt) | static_cast<uint32_t>(slot);
    }
    const size_t chunks = (9 + n + kChunk - 1) / kChunk;
    if (chunks > 0xFFFF || m_mbEnd + chunks * kChunk > 0xFFFFFF00ULL) fail(rk::ansi("Blob-Datei zu groß"));
    std::vector<uint8_t> b(chunks * kChunk, 0);
    b[0] = 2;
    put16(b.data() + 1, static_cast<unsigned>(chunks));
    put32(b.data() + 3, static_cast<uint32_t>(n));
    put16(b.data() + 7, 1);
    std::memcpy(b.data() + 9, bytes.data(), n);
    const uint64_t at = m_mbEnd;
    writeAll(m_mbFd, b.data(), b.size(), at, m_mbPath);
    m_mbEnd += b.size();
    return static_cast<uint32_t>(at) | 0xFFU;
}

void ParadoxWriter::flushSubBlock()
{
    if (m_sub.empty()) return;
    writeAll(m_mbFd, m_sub.data(), m_sub.size(), m_subAt, m_mbPath);
    m_sub.clear();
}

void ParadoxWriter::flushBlock(bool last)
{
    if (m_inBlock > 0) {
        if (m_blocks == 0xFFFF) fail(rk::ansi("mehr als 65535 Datenblöcke; größere Blöcke wählen"));
        ++m_blocks;
        put16(m_block.data(), last ? 0 : m_blocks + 1);
        put16(m_block.data() + 2, m_blocks - 1);
        put16(m_block.data() + 4, static_cast<unsigned>((m_inBlock - 1) * m_recordSize));
        m_pending.insert(m_pending.end(), m_block.begin(), m_block.end());
        std::memset(m_block.data(), 0, m_block.size());
        m_inBlock = 0;
    }
    if (last || m_pending.size() >= (1u << 20)) {
        writeAll(m_dbFd, m_pending.data(), m_pending.size(), m_pendingAt, m_dbPath);
        m_pendingAt += m_pending.size();
        m_pending.clear();
    }
}

void ParadoxWriter::finish()
{
    if (m_finished) return;
    m_finished = true;
    flushBlock(true);
    if (m_mbFd >= 0) flushSubBlock();
    const std::vector<uint8_t> h = header();
    writeAll(m_dbFd, h.data(), h.size(), 0, m_dbPath);
    if (::close(m_dbFd) != 0) { m_dbFd = -1; fail(rk::ansi("Schließen fehlgeschlagen")); }
    m_dbFd = -1;
    if (m_mbFd >= 0) {
        const int fd = m_mbFd;
        m_mbFd = -1;
        if (::close(fd) != 0) fail(rk::ansi("Schließen der Blob-Datei fehlgeschlagen"));
    }
}

std::vector<uint8_t> ParadoxWriter::header() const
{
    const bool v4 = m_versionId >= 5;
    const size_t n = m_columns.size();
    std::vector<uint8_t> h(v4 ? 0x78 : 0x58, 0);
    put16(&h[0x00], static_cast<unsigned>(m_recordSize));
    h[0x04] = 2;  // table without primary key
    h[0x05] = static_cast<uint8_t>(m_options.blockSizeKb);
    put32(&h[0x06], m_rows);
    put16(&h[0x0A], m_blocks);
    put16(&h[0x0C], m_blocks);
    put16(&h[0x0E], m_blocks ? 1 : 0);
    put16(&h[0x10], m_blocks);
    put16(&h[0x21], static_cast<unsigned>(n));
    if (v4) { h[0x26] = 0xFF; h[0x28] = 0xFF; }
    h[0x39] = static_cast<uint8_t>(m_versionId);
    put16(&h[0x3A], m_blocks);
    h[0x3E] = 0x1F;
    h[0x3F] = 0x0F;
    put32(&h[0x49], static_cast<uint32_t>(m_maxAutoInc));
    if (v4) {
        h[0x56] = 0x20;
        put16(&h[0x58], 0x0100U | unsigned(m_versionId));
        put16(&h[0x5A], 0x0100U | unsigned(m_versionId));
        put16(&h[0x64], static_cast<unsigned>(n + 1));
        put16(&h[0x6A], static_cast<unsigned>(m_options.codePage));
        h[0x6C] = 1;
        h[0x6D] = 1;
    }
    for (size_t i = 0; i < n; ++i) {
        h.push_back(static_cast<uint8_t>(m_columns[i].type));
        h.push_back(static_cast<uint8_t>(m_columns[i].type == FieldType::Bcd ? m_columns[i].size : m_sizes[i]));
    }
    h.resize(h.size() + 4 + 4 * n, 0);  // pointers a running program keeps here
    std::string tableName = m_options.tableName.substr(0, m_versionId >= 12 ? 260 : 78);
    tableName.resize(m_versionId >= 12 ? 261 : 79, '\0');
    h.insert(h.end(), tableName.begin(), tableName.end());
    for (const Column& c : m_columns) {
        const std::string name = toTable(c.name);
        h.insert(h.end(), name.begin(), name.end());
        h.push_back(0);
    }
    if (v4) {
        for (size_t i = 0; i < n; ++i) { h.push_back(uint8_t(i + 1)); h.push_back(uint8_t((i + 1) >> 8)); }
        // No sort order for a header without code page: the reader would
        // take the code page from it, and such a table is for testing the
        // default the reader falls back on.
        const std::string sortOrder = m_options.codePage == 1252 ? "ANSIINTL" : m_options.codePage ? "ascii" : "";
        h.insert(h.end(), sortOrder.begin(), sortOrder.end());
        h.push_back(0);
        h.resize((h.size() + 2047) / 2048 * 2048, 0);
    }
    put16(&h[0x02], static_cast<unsigned>(h.size()));
    return h;
}

} // namespace rk::tools::pxwrite
