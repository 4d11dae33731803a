// Read-only access to one Paradox table (.DB with its .MB blob file).
//
// Table::open() opens the file read-only, checks the header and builds an
// index of the data blocks reachable through the block chain; readRecord()
// then loads any record by its 0-based position in file order and value()
// decodes one field of it into a db::FieldValue. Nothing is ever written or
// created beside the source file. Every length, offset and count taken from
// the file is checked before use; a damaged or foreign file raises
// EParadoxError with a German text naming the file.
//
//   auto t = Table::open("/data/KUNDEN.DB");
//   for (uint32_t i = 0; i < t->recordCount(); ++i) {
//       t->readRecord(i);
//       db::FieldValue v = t->value(0);
//   }
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "db/common/Exception.h"
#include "db/common/FieldValue.h"
#include "db/paradox/reader/FieldType.h"

namespace rk::source::paradox {

// The kind a header's type byte stands for; nullopt for a byte no kind has.
std::optional<FieldType> fieldTypeOfCode(uint8_t code);

// "alpha", "date", "short", ... ; "unknown" for a value outside the enum.
const char* typeName(FieldType);

// True for the kinds whose data may live in the .MB file.
bool isBlobType(FieldType);

struct FieldInfo {
    std::string name;  // Windows-1252
    FieldType type;
    int size;          // bytes in the record (17 for BCD)
    int bcdScale = 0;  // BCD: number of decimals
};

struct OpenOptions {
    // The code page for files whose header names none and whose sort order
    // tells none either (the alias's CODEPAGE, else the OEM code page).
    int defaultCodePage = 850;
    // For tools: a code page that replaces the one the header names (0: the
    // header's), since mislabelled tables are common; and texts (field
    // names, Alpha, Memo) delivered as stored, in codePage(), rather than
    // converted to Windows-1252.
    int codePageOverride = 0;
    bool storedText = false;
};

// Where Table::codePage() comes from.
enum class CodePageSource {
    Option,     // OpenOptions::codePageOverride
    Header,     // the code page the header names
    SortOrder,  // the header names none; its sort order (language driver) tells
    Default     // OpenOptions::defaultCodePage
};

// Every message names the file.
RK_DECLARE_ERROR(EParadoxError, EDatabaseError);  // rk::EDatabaseError

namespace detail { class ByteSource; class BlobFile; }

class Table {
public:
    // Opens a .DB file; its .MB (same stem, extension in any letter case) is
    // opened too when the table has blob columns, and must then exist.
    static std::unique_ptr<Table> open(const std::filesystem::path& dbFile, const OpenOptions& = {});

    // Opens a table held in memory (the bytes are copied); `name` stands in
    // for the file name in messages. Without mbBytes a table with blob
    // columns fails as if its .MB were missing.
    static std::unique_ptr<Table> openMemory(const std::string& name, std::span<const uint8_t> dbBytes,
                                             std::optional<std::span<const uint8_t>> mbBytes,
                                             const OpenOptions& = {});

    ~Table();
    Table(const Table&) = delete;
    Table& operator=(const Table&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    // 30, 35, 40, 50 or 70 (3.0, 3.5, 4.x, 5.x, 7.x).
    int version() const { return m_version; }
    // The raw version byte of the header (3 to 12).
    int versionId() const { return m_versionId; }
    // Effective code page: OpenOptions::codePageOverride, else the header's,
    // else the one of the sort order the header names, else
    // OpenOptions::defaultCodePage.
    int codePage() const { return m_codePage; }
    CodePageSource codePageSource() const { return m_codePageSource; }
    // The sort order (language driver) the header names after the field
    // names, "ascii", "intl", "ANSIINTL", ...; empty when it names none.
    const std::string& sortOrder() const { return m_sortOrder; }
    // Texts as stored (OpenOptions::storedText) rather than Windows-1252.
    bool storedText() const { return m_storedText; }
    // Code page given in the header; 0 when the file has none.
    int headerCodePage() const { return m_headerCodePage; }
    int blockSize() const { return m_blockSize; }
    int recordSize() const { return m_recordSize; }
    const std::vector<FieldInfo>& fields() const { return m_fields; }

    // Records reachable through the block chain; open() refuses a table
    // whose header counts others.
    uint32_t recordCount() const { return m_recordCount; }

    // Random access in file order, 0-based; loads one record. Loading the
    // record that is loaded already reads nothing; reading in file order
    // reads a block at a time.
    void readRecord(uint32_t index);

    // Decodes one field of the loaded record; blob data comes from the .MB.
    db::FieldValue value(int field) const;
    // The same into `out`, reusing the storage of a text it holds: reading
    // row after row into the same fields allocates nothing for most kinds.
    void readValue(int field, db::FieldValue& out) const;

private:
    Table() = default;
    void parse();
    void chooseCodePage();
    void buildBlockIndex();
    void openBlobFile(const std::filesystem::path& dbFile);
    std::string convertText(const uint8_t* p, size_t n) const;
    [[noreturn]] void corrupt(const std::string& what) const;

    struct Block {
        size_t offset;   // first record's offset in the file
        uint32_t first;  // index of the block's first record
        uint32_t count;
    };

    std::filesystem::path m_path;
    std::string m_name;  // m_path as Windows-1252, for messages
    std::unique_ptr<detail::ByteSource> m_db;
    std::unique_ptr<detail::BlobFile> m_blobs;
    int m_version = 0;
    int m_versionId = 0;
    int m_codePage = 0;
    int m_headerCodePage = 0;
    CodePageSource m_codePageSource = CodePageSource::Default;
    std::string m_sortOrder;
    int m_defaultCodePage = 850;
    int m_codePageOverride = 0;
    bool m_storedText = false;
    int m_blockSize = 0;
    int m_recordSize = 0;
    size_t m_headerSize = 0;
    uint32_t m_recordCount = 0;
    std::vector<FieldInfo> m_fields;
    std::vector<size_t> m_fieldOffsets;
    std::vector<uint8_t> m_header;  // the first 64 KiB of the file, or all of it when shorter
    std::vector<Block> m_blocks;
    size_t m_lastBlock = 0;
    const uint8_t* m_record = nullptr;  // into m_held
    int64_t m_loaded = -1;              // index of the loaded record
    std::vector<uint8_t> m_held;        // records m_heldFirst .. m_heldFirst + m_heldCount - 1
    uint32_t m_heldFirst = 0;
    uint32_t m_heldCount = 0;
    bool m_hasBlobs = false;
    char m_toAnsi[256] = {};  // code page byte -> Windows-1252 byte
};

} // namespace rk::source::paradox
