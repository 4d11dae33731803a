// The Paradox table reader; see ParadoxTable.h.
//
// File layout, as far as the reader needs it. All integers in the header are
// little-endian. Data blocks are numbered from 1 and lie at
// headerSize + (n - 1) * blockSize; each starts with next block, previous
// block and the offset of its last record (-recordSize when empty), followed
// by the records. Field values are big-endian with the sign bit flipped so
// that bytes sort like values; an all-zero field is blank (for Bytes too).
#include "db/paradox/reader/ParadoxTable.h"

#include <algorithm>
#include <cstring>

#include "db/common/Ansi.h"
#include "db/paradox/reader/BlobFile.h"
#include "db/paradox/reader/ByteSource.h"
#include "db/paradox/reader/CodePage.h"

namespace rk::source::paradox {

namespace {

// Header offsets.
constexpr size_t kRecordSize = 0x00, kHeaderSize = 0x02, kFileType = 0x04, kMaxTableSize = 0x05;
constexpr size_t kNumRecords = 0x06, kFileBlocks = 0x0C, kFirstBlock = 0x0E, kNumFields = 0x21, kEncryption1 = 0x25;
constexpr size_t kVersionId = 0x39, kEncryption2 = 0x5C, kCodePage = 0x6A;
constexpr size_t kFieldInfoV3 = 0x58, kFieldInfoV4 = 0x78;
constexpr size_t kBlockHeader = 6;

uint16_t le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t le32(const uint8_t* p) { return static_cast<uint32_t>(p[0] | p[1] << 8 | p[2] << 16) | uint32_t(p[3]) << 24; }
uint16_t be16(const uint8_t* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }
uint32_t be32(const uint8_t* p) { return uint32_t(p[0]) << 24 | static_cast<uint32_t>(p[1] << 16 | p[2] << 8 | p[3]); }

bool allZero(const uint8_t* p, size_t n)
{
    for (size_t i = 0; i < n; ++i)
        if (p[i]) return false;
    return true;
}

// Positive doubles are stored with the sign bit set, negative ones with
// every bit inverted.
double decodeDouble(const uint8_t* p)
{
    uint64_t bits = 0;
    for (int i = 0; i < 8; ++i) bits = bits << 8 | p[i];
    bits = (bits & 0x8000000000000000ULL) ? bits & 0x7FFFFFFFFFFFFFFFULL : ~bits;
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

int versionFromId(int id)
{
    if (id == 3) return 30;
    if (id == 4) return 35;
    if (id >= 5 && id <= 9) return 40;
    if (id == 10 || id == 11) return 50;
    if (id == 12) return 70;
    return 0;
}

// What the reader knows of each kind beside its record bytes.
struct KindRow {
    FieldType kind;
    const char* name; // for tools and messages
    bool blob;        // its data may live in the .MB file
};
constexpr KindRow kKindRows[] = {
    {FieldType::Alpha, "alpha", false},     {FieldType::Date, "date", false},
    {FieldType::Short, "short", false},     {FieldType::Long, "long", false},
    {FieldType::Currency, "currency", false}, {FieldType::Number, "number", false},
    {FieldType::Logical, "logical", false}, {FieldType::Memo, "memo", true},
    {FieldType::Binary, "binary", true},    {FieldType::FmtMemo, "fmtmemo", true},
    {FieldType::Ole, "ole", true},          {FieldType::Graphic, "graphic", true},
    {FieldType::Time, "time", false},       {FieldType::Timestamp, "timestamp", false},
    {FieldType::AutoInc, "autoinc", false}, {FieldType::Bcd, "bcd", false},
    {FieldType::Bytes, "bytes", false},
};
static_assert(rowsFollowFieldTypes(kKindRows));

// Bytes a column of `type` takes in the record, or 0 when `declared` is not
// a possible size for it.
int recordBytes(FieldType type, int declared)
{
    switch (type) {
    case FieldType::Alpha:
    case FieldType::Bytes: return declared >= 1 ? declared : 0;
    case FieldType::Date:
    case FieldType::Long:
    case FieldType::Time:
    case FieldType::AutoInc: return declared == 4 ? 4 : 0;
    case FieldType::Short: return declared == 2 ? 2 : 0;
    case FieldType::Currency:
    case FieldType::Number:
    case FieldType::Timestamp: return declared == 8 ? 8 : 0;
    case FieldType::Logical: return declared == 1 ? 1 : 0;
    case FieldType::Bcd: return declared <= 32 ? 17 : 0;  // declared = decimals
    case FieldType::Memo:
    case FieldType::Binary:
    case FieldType::FmtMemo:
    case FieldType::Ole:
    case FieldType::Graphic: return declared >= 10 ? declared : 0;
    }
    return 0;
}

// The sort order's name: after the field names, a word per field (the
// field numbers), then the name, NUL-terminated. Files without one (3.0
// ones end with the field names) or with anything but a short ASCII word
// there have none.
std::string sortOrderName(const uint8_t* header, size_t headerSize, size_t at)
{
    constexpr size_t kMaxName = 32;
    std::string name;
    for (size_t i = at; i < headerSize && name.size() <= kMaxName; ++i) {
        if (header[i] == 0) return name;
        if (header[i] <= 0x20 || header[i] >= 0x7F) return {};
        name += static_cast<char>(header[i]);
    }
    return {};
}

} // namespace

std::optional<FieldType> fieldTypeOfCode(uint8_t code)
{
    const auto t = static_cast<FieldType>(code);
    if (placeOf(t) < 0) return std::nullopt;
    return t;
}

const char* typeName(FieldType t)
{
    const int place = placeOf(t);
    return place < 0 ? "unknown" : kKindRows[place].name;
}

bool isBlobType(FieldType t)
{
    const int place = placeOf(t);
    return place >= 0 && kKindRows[place].blob;
}

Table::~Table() = default;

std::unique_ptr<Table> Table::open(const std::filesystem::path& dbFile, const OpenOptions& options)
{
    std::unique_ptr<Table> t(new Table);
    t->m_path = dbFile;
    t->m_name = detail::displayName(dbFile);
    t->m_defaultCodePage = options.defaultCodePage;
    t->m_codePageOverride = options.codePageOverride;
    t->m_storedText = options.storedText;
    t->m_db = detail::ByteSource::openFile(dbFile, t->m_name);
    t->parse();
    if (t->m_hasBlobs) t->openBlobFile(dbFile);
    t->buildBlockIndex();
    return t;
}

std::unique_ptr<Table> Table::openMemory(const std::string& name, std::span<const uint8_t> dbBytes,
                                         std::optional<std::span<const uint8_t>> mbBytes,
                                         const OpenOptions& options)
{
    std::unique_ptr<Table> t(new Table);
    t->m_path = name;
    t->m_name = name;
    t->m_defaultCodePage = options.defaultCodePage;
    t->m_codePageOverride = options.codePageOverride;
    t->m_storedText = options.storedText;
    t->m_db = detail::ByteSource::copyOf(dbBytes, name);
    t->parse();
    if (t->m_hasBlobs) {
        std::string mbName = name;
        const auto dot = mbName.find_last_of('.');
        mbName = (dot == std::string::npos ? mbName : mbName.substr(0, dot)) + ".MB";
        if (!mbBytes)
            throw EParadoxError(rk::ansiFormat("Die Blob-Datei '%s' zur Tabelle '%s' fehlt.", mbName, name));
        t->m_blobs = std::make_unique<detail::BlobFile>(detail::ByteSource::copyOf(*mbBytes, mbName), mbName);
    }
    t->buildBlockIndex();
    return t;
}

void Table::corrupt(const std::string& what) const
{
    throw EParadoxError(rk::ansiFormat("Die Datei '%s' ist beschädigt: %s.", m_name, what));
}

void Table::parse()
{
    const size_t size = m_db->size();
    // The header is at most 64 KiB (its size is a 16-bit word).
    m_header = m_db->read(0, std::min<size_t>(size, 0x10000));
    const uint8_t* d = m_header.data();
    const auto foreign = [&] {
        throw EParadoxError(rk::ansiFormat("Die Datei '%s' ist keine Paradox-Tabelle.", m_name));
    };
    if (size < kFieldInfoV3) foreign();
    m_versionId = d[kVersionId];
    m_version = versionFromId(m_versionId);
    const int fileType = d[kFileType];
    const int maxTableSize = d[kMaxTableSize];
    if (m_version == 0 || (fileType != 0 && fileType != 2) || maxTableSize < 1 || maxTableSize > 32) foreign();

    m_recordSize = le16(d + kRecordSize);
    m_headerSize = le16(d + kHeaderSize);
    m_blockSize = maxTableSize * 1024;
    const int numFields = le16(d + kNumFields);
    if (m_headerSize > size) corrupt(rk::ansi("der Tabellenkopf reicht über das Dateiende hinaus"));
    if (numFields < 1 || numFields > 1024) corrupt(rk::ansiFormat("unmögliche Feldanzahl %d", numFields));
    if (m_recordSize < 1 || static_cast<size_t>(m_recordSize) + kBlockHeader > static_cast<size_t>(m_blockSize))
        corrupt(rk::ansiFormat("unmögliche Datensatzlänge %d", m_recordSize));

    const bool v4 = m_versionId >= 5;
    if (v4 && m_headerSize < kFieldInfoV4) corrupt(rk::ansi("der Tabellenkopf ist zu kurz"));
    const uint32_t encryption = v4 ? le32(d + kEncryption2) : le32(d + kEncryption1);
    if (encryption != 0)
        throw EParadoxError(rk::ansiFormat(
            "Die Datei '%s' ist kennwortgeschützt; verschlüsselte Tabellen werden nicht gelesen.", m_name));

    m_headerCodePage = v4 ? le16(d + kCodePage) : 0;
    // Field table: type and size per field, then a pointer to the table
    // name, a pointer per field name, the table name and the field names;
    // after them, from version 3.5 on, the sort order (sortOrderName()).
    const size_t info = v4 ? kFieldInfoV4 : kFieldInfoV3;
    const size_t tableNameLen = m_versionId >= 12 ? 261 : 79;
    size_t pos = info + size_t(numFields) * 2 + 4 + size_t(numFields) * 4 + tableNameLen;
    if (pos > m_headerSize) corrupt(rk::ansi("der Tabellenkopf ist zu kurz für die Feldbeschreibungen"));

    m_fields.reserve(numFields);
    m_fieldOffsets.reserve(numFields);
    size_t offset = 0;
    for (int i = 0; i < numFields; ++i) {
        const uint8_t type = d[info + 2 * i];
        const int declared = d[info + 2 * i + 1];
        const std::optional<FieldType> known = fieldTypeOfCode(type);
        if (!known) corrupt(rk::ansiFormat("unbekannter Feldtyp %d in Feld %d", type, i + 1));
        FieldInfo f{{}, *known, recordBytes(*known, declared)};
        if (f.size == 0) corrupt(rk::ansiFormat("unmögliche Feldgröße %d in Feld %d", declared, i + 1));
        if (f.type == FieldType::Bcd) f.bcdScale = declared;
        if (isBlobType(f.type)) m_hasBlobs = true;
        m_fieldOffsets.push_back(offset);
        offset += static_cast<size_t>(f.size);
        m_fields.push_back(std::move(f));
    }
    if (offset != static_cast<size_t>(m_recordSize))
        corrupt(rk::ansiFormat("die Feldgrößen (%d) passen nicht zur Datensatzlänge %d", int(offset), m_recordSize));

    for (int i = 0; i < numFields; ++i) {
        const void* end = std::memchr(d + pos, 0, m_headerSize - pos);
        if (!end) corrupt(rk::ansiFormat("der Name von Feld %d fehlt im Tabellenkopf", i + 1));
        const size_t n = static_cast<const uint8_t*>(end) - (d + pos);
        m_fields[i].name.assign(reinterpret_cast<const char*>(d + pos), n);
        pos += n + 1;
    }
    m_sortOrder = sortOrderName(d, m_headerSize, pos + size_t(numFields) * 2);
    chooseCodePage();
    for (FieldInfo& f : m_fields) f.name = convertText(reinterpret_cast<const uint8_t*>(f.name.data()), f.name.size());
}

void Table::chooseCodePage()
{
    const int sortOrderCodePage = detail::sortOrderCodePage(m_sortOrder);
    if (m_codePageOverride) {
        m_codePage = m_codePageOverride;
        m_codePageSource = CodePageSource::Option;
    } else if (m_headerCodePage) {
        m_codePage = m_headerCodePage;
        m_codePageSource = CodePageSource::Header;
    } else if (sortOrderCodePage) {
        m_codePage = sortOrderCodePage;
        m_codePageSource = CodePageSource::SortOrder;
    } else {
        m_codePage = m_defaultCodePage;
        m_codePageSource = CodePageSource::Default;
    }
    const auto table = detail::toAnsiTable(m_codePage);
    if (!table)
        throw EParadoxError(rk::ansiFormat("Die Datei '%s' verwendet die nicht unterstützte Codepage %d.",
                                           m_name, m_codePage));
    std::memcpy(m_toAnsi, table->data(), 256);
    if (m_storedText)
        for (int i = 0; i < 256; ++i) m_toAnsi[i] = static_cast<char>(i);
}

void Table::buildBlockIndex()
{
    const uint8_t* d = m_header.data();
    const size_t size = m_db->size();
    const size_t available = (size - m_headerSize + m_blockSize - 1) / m_blockSize;
    const unsigned fileBlocks = le16(d + kFileBlocks);
    unsigned next = fileBlocks == 0 ? 0 : le16(d + kFirstBlock);
    std::vector<bool> seen(available + 1, false);
    const size_t perBlock = (m_blockSize - kBlockHeader) / m_recordSize;
    uint64_t total = 0;
    while (next != 0) {
        if (next > available)
            corrupt(rk::ansiFormat("Datenblock %u liegt hinter dem Dateiende", next));
        if (seen[next]) corrupt(rk::ansiFormat("die Blockkette kehrt zu Block %u zurück", next));
        seen[next] = true;
        const size_t at = m_headerSize + size_t(next - 1) * m_blockSize;
        if (at + kBlockHeader > size) corrupt(rk::ansiFormat("Datenblock %u ist abgeschnitten", next));
        // Only the block's head: next block, previous block, last record's offset.
        uint8_t head[kBlockHeader];
        m_db->readAt(at, kBlockHeader, head);
        const int16_t lastOffset = static_cast<int16_t>(le16(head + 4));
        size_t count = 0;
        if (lastOffset >= 0) {
            if (lastOffset % m_recordSize != 0)
                corrupt(rk::ansiFormat("Datenblock %u hat eine ungültige Belegung", next));
            count = size_t(lastOffset / m_recordSize) + 1;
            if (count > perBlock) corrupt(rk::ansiFormat("Datenblock %u hat eine ungültige Belegung", next));
            if (at + kBlockHeader + count * m_recordSize > size)
                corrupt(rk::ansiFormat("Datenblock %u ist abgeschnitten", next));
        }
        if (count > 0) {
            m_blocks.push_back({at + kBlockHeader, static_cast<uint32_t>(total), static_cast<uint32_t>(count)});
            total += count;
        }
        next = le16(head);
    }
    // A chain cut short (a next pointer lost) or run into foreign blocks
    // reads as a valid table with other rows; the header's count tells.
    const uint32_t declared = le32(d + kNumRecords);
    if (total != declared)
        corrupt(rk::ansiFormat("die Blockkette enthält %llu Datensätze, der Tabellenkopf nennt %u",
                               static_cast<unsigned long long>(total), declared));
    m_recordCount = static_cast<uint32_t>(total);
}

void Table::openBlobFile(const std::filesystem::path& dbFile)
{
    // Beside the table, same stem, extension .MB in any letter case.
    std::filesystem::path mb = dbFile;
    mb.replace_extension(".MB");
    std::error_code ec;
    if (!std::filesystem::exists(mb, ec)) {
        const auto dir = dbFile.has_parent_path() ? dbFile.parent_path() : std::filesystem::path(".");
        const std::string wanted = lowerAscii(mb.filename().string());
        for (const auto& e : std::filesystem::directory_iterator(dir, ec)) {
            if (lowerAscii(e.path().filename().string()) == wanted) {
                mb = e.path();
                break;
            }
        }
    }
    const std::string mbName = detail::displayName(mb);
    if (!std::filesystem::exists(mb, ec))
        throw EParadoxError(rk::ansiFormat("Die Blob-Datei '%s' zur Tabelle '%s' fehlt.", mbName, m_name));
    m_blobs = std::make_unique<detail::BlobFile>(detail::ByteSource::openFile(mb, mbName), mbName);
}

void Table::readRecord(uint32_t index)
{
    if (index >= m_recordCount)
        throw EParadoxError(rk::ansiFormat("Die Datei '%s' hat keinen Datensatz %u.", m_name, index + 1));
    const size_t rs = static_cast<size_t>(m_recordSize);
    if (index >= m_heldFirst && index - m_heldFirst < m_heldCount) {
        m_record = m_held.data() + size_t(index - m_heldFirst) * rs;
        m_loaded = index;
        return;
    }
    // Sequential reading stays in the same or the next block.
    if (m_lastBlock >= m_blocks.size()) m_lastBlock = 0;
    const Block* b = &m_blocks[m_lastBlock];
    if (index < b->first || index >= b->first + b->count) {
        if (m_lastBlock + 1 < m_blocks.size() && index >= m_blocks[m_lastBlock + 1].first &&
            index < m_blocks[m_lastBlock + 1].first + m_blocks[m_lastBlock + 1].count) {
            ++m_lastBlock;
        } else {
            const auto it = std::upper_bound(m_blocks.begin(), m_blocks.end(), index,
                                             [](uint32_t i, const Block& blk) { return i < blk.first; });
            m_lastBlock = static_cast<size_t>(it - m_blocks.begin()) - 1;
        }
        b = &m_blocks[m_lastBlock];
    }
    // Reading in file order takes the rest of the block in one read; a jump
    // (key order over an unsorted file) takes only the record, so that
    // random reading copies no more than it uses.
    const bool sequential = m_loaded >= 0 && int64_t(index) == m_loaded + 1;
    const uint32_t count = sequential ? b->first + b->count - index : 1;
    m_record = nullptr;
    m_loaded = -1;
    m_heldCount = 0;
    m_held.resize(size_t(count) * rs);
    // A run in file order is read once and not again: past the pieces.
    if (sequential) m_db->readAt(b->offset + size_t(index - b->first) * rs, m_held.size(), m_held.data());
    else m_db->readCached(b->offset + size_t(index - b->first) * rs, m_held.size(), m_held.data());
    m_heldFirst = index;
    m_heldCount = count;
    m_record = m_held.data();
    m_loaded = index;
}

std::string Table::convertText(const uint8_t* p, size_t n) const
{
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) s[i] = m_toAnsi[p[i]];
    return s;
}

void Table::readValue(int field, db::FieldValue& out) const
{
    if (!m_record) throw std::logic_error("Table::readValue() before readRecord()");
    if (field < 0 || static_cast<size_t>(field) >= m_fields.size())
        throw std::out_of_range("Table::readValue(): no such field");
    const FieldInfo& f = m_fields[field];
    const uint8_t* p = m_record + m_fieldOffsets[field];
    switch (f.type) {
    case FieldType::Alpha: {
        const void* nul = std::memchr(p, 0, f.size);
        const size_t n = nul ? static_cast<const uint8_t*>(nul) - p : f.size;
        if (n == 0) {
            out = std::monostate{};
            return;
        }
        std::string* s = std::get_if<std::string>(&out);
        if (!s) s = &out.emplace<std::string>();
        s->resize(n);
        for (size_t i = 0; i < n; ++i) (*s)[i] = m_toAnsi[p[i]];
        return;
    }
    // The fixed-size kinds, assigned without a temporary variant.
    case FieldType::Short: {
        const uint16_t raw = be16(p);
        if (raw == 0) out = std::monostate{};
        else out = static_cast<int32_t>(static_cast<int16_t>(raw ^ 0x8000));
        return;
    }
    case FieldType::Long:
    case FieldType::AutoInc:
    case FieldType::Date:
    case FieldType::Time: {
        const uint32_t raw = be32(p);
        const auto v = static_cast<int32_t>(raw ^ 0x80000000U);
        if (raw == 0) out = std::monostate{};
        else if (f.type == FieldType::Date) out = db::DateValue{v};
        else if (f.type == FieldType::Time) out = db::TimeValue{v};
        else out = v;
        return;
    }
    case FieldType::Currency:
    case FieldType::Number:
    case FieldType::Timestamp:
        if (allZero(p, 8)) out = std::monostate{};
        else if (f.type == FieldType::Timestamp) out = db::TimestampValue{decodeDouble(p)};
        else out = decodeDouble(p);
        return;
    case FieldType::Logical:
        if (p[0] == 0) out = std::monostate{};
        else out = static_cast<uint8_t>(p[0] ^ 0x80) != 0;
        return;
    case FieldType::Memo:
    case FieldType::Binary:
    case FieldType::FmtMemo:
    case FieldType::Ole:
    case FieldType::Graphic: {
        // Leader (the first size-10 bytes of the blob), then the .MB
        // reference: offset (low byte: slot in the block), length, and a
        // modification number. Read into the text held already.
        const size_t leader = f.size - 10;
        const uint32_t ref = le32(p + leader);
        const uint32_t length = le32(p + leader + 4);
        if (length == 0) {
            out = std::monostate{};
            return;
        }
        if (length > leader && !m_blobs) corrupt(rk::ansi("Blob-Verweis ohne Blob-Datei"));
        std::string* s = std::get_if<std::string>(&out);
        if (!s) s = &out.emplace<std::string>();
        if (length <= leader) s->assign(reinterpret_cast<const char*>(p), length);
        else m_blobs->read(ref, length, *s);
        if (f.type == FieldType::Memo)
            for (char& c : *s) c = m_toAnsi[static_cast<unsigned char>(c)];
        return;
    }
    case FieldType::Bcd: {
        // Byte 0: bit 6 set for a value (clear when blank), bit 7 set for
        // positive values, low bits the decimals; the digits of a negative
        // value are stored inverted. 32 digits follow, the last bcdScale
        // of them after the decimal point.
        if ((p[0] & 0x40) == 0) {
            out = std::monostate{};
            return;
        }
        db::BcdValue& v = out.emplace<db::BcdValue>();
        v.negative = (p[0] & 0x80) == 0;
        v.scale = f.bcdScale;
        const uint8_t flip = v.negative ? 0x0F : 0x00;
        v.digits.reserve(32);
        for (int i = 0; i < 32; ++i) {
            const uint8_t byte = p[1 + i / 2];
            const uint8_t nib = (i % 2 == 0) ? byte >> 4 : byte & 0x0F;
            const uint8_t digit = nib ^ flip;
            if (v.digits.empty() && digit == 0 && i < 32 - f.bcdScale) continue;  // leading zeros
            v.digits.push_back(digit);
        }
        return;
    }
    case FieldType::Bytes: {
        if (allZero(p, static_cast<size_t>(f.size))) {
            out = std::monostate{};
            return;
        }
        std::string* s = std::get_if<std::string>(&out);
        if (!s) s = &out.emplace<std::string>();
        s->assign(reinterpret_cast<const char*>(p), f.size);
        return;
    }
    }
}

db::FieldValue Table::value(int field) const
{
    db::FieldValue v;
    readValue(field, v);
    return v;
}

} // namespace rk::source::paradox
