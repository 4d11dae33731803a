// Code page names and iconv-built code page tables; see CodePage.h.
#include "db/paradox/reader/CodePage.h"

#include <iconv.h>

#include "db/common/Ansi.h"

namespace rk::source::paradox::detail {

namespace {

struct Named {
    int codePage;
    const char* name;
};

// Windows code page numbers that iconv does not know as "CP<number>".
constexpr Named kIconvNames[] = {
    {1051, "HP-ROMAN8"},         {10000, "MACINTOSH"},        {10007, "MAC-CYRILLIC"},
    {10017, "MAC-UK"},           {10029, "MAC-CENTRALEUROPE"}, {10079, "MAC-IS"},
    {20127, "ASCII"},            {20866, "KOI8-R"},           {21866, "KOI8-U"},
    {28591, "ISO-8859-1"},       {28592, "ISO-8859-2"},       {28593, "ISO-8859-3"},
    {28594, "ISO-8859-4"},       {28595, "ISO-8859-5"},       {28596, "ISO-8859-6"},
    {28597, "ISO-8859-7"},       {28598, "ISO-8859-8"},       {28599, "ISO-8859-9"},
    {28603, "ISO-8859-13"},      {28605, "ISO-8859-15"},
};

// The language drivers of Paradox tables by the name their header stores:
// those of the DOS versions (the only ones a 3.x table can name), the
// Windows ones that keep a DOS sort order over Windows-1252, and HP Roman-8.
constexpr Named kSortOrders[] = {
    {437, "ascii"},     {437, "intl"},      {850, "intl850"},   {865, "nordan"},    {865, "nordan40"},
    {437, "swedfin"},   {437, "spanish"},   {866, "cyrr"},      {852, "czech"},     {852, "hun852dc"},
    {737, "grcp437"},   {861, "iceland"},   {862, "hebrew"},    {1252, "ANSIINTL"}, {1252, "ANSII850"},
    {1252, "ANSINOR4"}, {1252, "ANSISPAN"}, {1252, "ANSISWFN"}, {1051, "BLROM800"},
};

std::optional<ByteTable> buildTable(int codePage, bool toAnsi)
{
    ByteTable table{};
    if (codePage == 1252) {
        for (int i = 0; i < 256; ++i) table[i] = static_cast<char>(i);
        return table;
    }
    if (codePage <= 0 || codePage > 65535) return std::nullopt;
    const std::string other = iconvName(codePage);
    iconv_t cd = toAnsi ? iconv_open("WINDOWS-1252", other.c_str()) : iconv_open(other.c_str(), "WINDOWS-1252");
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    for (int i = 0; i < 256; ++i) {
        char in = static_cast<char>(i);
        char out[8];
        char* inp = &in;
        char* outp = out;
        size_t inLeft = 1, outLeft = sizeof out;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);  // reset shift state between bytes
        const size_t r = iconv(cd, &inp, &inLeft, &outp, &outLeft);
        table[i] = (r != static_cast<size_t>(-1) && inLeft == 0 && outp - out == 1) ? out[0] : '?';
    }
    iconv_close(cd);
    return table;
}

} // namespace

std::string iconvName(int codePage)
{
    for (const Named& n : kIconvNames)
        if (n.codePage == codePage) return n.name;
    return "CP" + std::to_string(codePage);
}

int sortOrderCodePage(std::string_view name)
{
    for (const Named& n : kSortOrders)
        if (upperAnsi(name) == upperAnsi(n.name)) return n.codePage;
    return 0;
}

std::optional<ByteTable> toAnsiTable(int codePage) { return buildTable(codePage, true); }
std::optional<ByteTable> fromAnsiTable(int codePage) { return buildTable(codePage, false); }

} // namespace rk::source::paradox::detail
