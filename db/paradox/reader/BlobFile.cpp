// Blob lookup in .MB files; see BlobFile.h.
#include "db/paradox/reader/BlobFile.h"

#include <algorithm>

#include "db/common/Ansi.h"
#include "db/paradox/reader/ParadoxTable.h"

namespace rk::source::paradox::detail {

namespace {
constexpr size_t kChunk = 4096;
constexpr size_t kSingleHead = 9;        // type, chunks, length, modification number
constexpr size_t kSlotTable = 12;        // slots start after the block's head
constexpr size_t kSlots = 64, kSlotSize = 5;

uint16_t le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t le32(const uint8_t* p) { return static_cast<uint32_t>(p[0] | p[1] << 8 | p[2] << 16) | uint32_t(p[3]) << 24; }
} // namespace

BlobFile::BlobFile(std::unique_ptr<ByteSource> bytes, std::string name)
    : m_bytes(std::move(bytes)), m_name(std::move(name))
{
    uint8_t type = 0xFF;
    if (m_bytes->size() >= 1) m_bytes->readAt(0, 1, &type);
    if (type != 0)
        throw EParadoxError(rk::ansiFormat("Die Datei '%s' ist keine Paradox-Blob-Datei.", m_name));
}

void BlobFile::corrupt(const std::string& what) const
{
    throw EParadoxError(rk::ansiFormat("Die Datei '%s' ist beschädigt: %s.", m_name, what));
}

const uint8_t* BlobFile::chunk(size_t block) const
{
    if (m_chunkAt != block) {
        m_chunkAt = 0;
        m_chunk.resize(std::min(kChunk, m_bytes->size() - block));
        m_bytes->readCached(block, m_chunk.size(), m_chunk.data());
        m_chunkAt = block;
    }
    return m_chunk.data();
}

void BlobFile::read(uint32_t ref, uint32_t length, std::string& out) const
{
    // Everything is read with pread: a file cut short while it is open gives
    // the reader's error for bytes that are gone, never a bus error.
    const size_t size = m_bytes->size();
    const size_t block = ref & 0xFFFFFF00U;
    const unsigned slot = ref & 0xFFU;
    if (block == 0 || block + kSlotTable > size)
        corrupt(rk::ansiFormat("Blob-Verweis %u zeigt hinter das Dateiende", block));
    const uint8_t* b = chunk(block);

    if (slot == 0xFF) {
        if (b[0] != 2) corrupt(rk::ansiFormat("Block bei %u ist kein Blob-Block", block));
        const size_t span = size_t(le16(b + 1)) * kChunk;
        const uint32_t stored = le32(b + 3);
        if (stored != length)
            corrupt(rk::ansiFormat("Blob bei %u ist %u Bytes lang, der Datensatz nennt %u", block, stored, length));
        if (kSingleHead + size_t(length) > span || block + kSingleHead + length > size)
            corrupt(rk::ansiFormat("Blob bei %u ist abgeschnitten", block));
        if (kSingleHead + size_t(length) <= m_chunk.size()) {
            out.assign(reinterpret_cast<const char*>(b + kSingleHead), length);
            return;
        }
        out.resize(length);
        m_bytes->readCached(block + kSingleHead, length, reinterpret_cast<uint8_t*>(out.data()));
        return;
    }

    if (b[0] != 3) corrupt(rk::ansiFormat("Block bei %u ist kein unterteilter Blob-Block", block));
    if (slot >= kSlots) corrupt(rk::ansiFormat("Blob-Verweis auf Platz %u in Block %u", slot, block));
    if (block + kSlotTable + (slot + 1) * kSlotSize > size)
        corrupt(rk::ansiFormat("Blob-Verweis %u zeigt hinter das Dateiende", block));
    const uint8_t* s = b + kSlotTable + slot * kSlotSize;
    const size_t start = size_t(s[0]) * 16;
    const size_t units = s[1];
    if (units == 0 || length > units * 16 || length <= (units - 1) * 16)
        corrupt(rk::ansiFormat("Blob auf Platz %u in Block %u hat nicht die Länge %u", slot, block, length));
    if (start < kSlotTable + kSlots * kSlotSize || start + length > kChunk || block + start + length > size)
        corrupt(rk::ansiFormat("Blob auf Platz %u in Block %u liegt außerhalb des Blocks", slot, block));
    out.assign(reinterpret_cast<const char*>(b + start), length);
}

} // namespace rk::source::paradox::detail
