// The demo tables; see DemoData.h. Each table has its own random stream, so
// a change to one table leaves the others as they were. The first rows of
// the larger tables are hand-picked edge cases (all blank, blanks around a
// word, a no-break space, numbers at the formatting limits, midnight, a
// memo of line breaks only); the rest is random but realistic.
#include "tools/demo/DemoData.h"

#include <cstring>

#include "db/common/Ansi.h"
#include "db/paradox/reader/CodePage.h"
#include "tools/demo/DemoCalendar.h"
#include "tools/demo/DemoTexts.h"

namespace rk::tools::demo {

using db::FieldValue;
using pxwrite::Column;
using source::paradox::FieldType;
using Row = std::vector<FieldValue>;

namespace {

constexpr uint64_t kSeed = 0x524B3556'41443241ULL;

// One table being written: the Paradox files and the manifest lines. Texts
// that the table's code page cannot hold are refused, so that the manifest
// always states what a reader gets back.
class TableOut {
public:
    TableOut(const std::filesystem::path& dir, std::string name, int version, int codePage,
             std::vector<Column> columns, Manifest& manifest, int blockSizeKb = 4)
        : m_name(std::move(name)), m_columns(std::move(columns)), m_manifest(manifest)
    {
        m_options.version = version;
        m_options.codePage = codePage;
        m_options.blockSizeKb = blockSizeKb;
        const int cp = version < 40 || codePage == 0 ? 850 : codePage;
        const auto to = source::paradox::detail::fromAnsiTable(cp);
        const auto back = source::paradox::detail::toAnsiTable(cp);
        if (!to || !back) throw Exception(rk::ansiFormat("Codepage %d nicht verfügbar", cp));
        for (int b = 0; b < 256; ++b)
            m_holds[b] = static_cast<unsigned char>((*back)[static_cast<unsigned char>((*to)[b])]) == b;
        m_writer = std::make_unique<pxwrite::ParadoxWriter>(dir / (m_name + ".DB"), m_columns, m_options);
        m_manifest.table(m_name, m_name + ".DB", m_options, m_columns);
    }

    void add(const Row& row)
    {
        for (size_t i = 0; i < row.size(); ++i) {
            const auto t = m_columns[i].type;
            if ((t == FieldType::Alpha || t == FieldType::Memo) && std::holds_alternative<std::string>(row[i]))
                for (unsigned char c : std::get<std::string>(row[i]))
                    if (!m_holds[c])
                        throw Exception(rk::ansiFormat("%s.%s: Zeichen %d fehlt in Codepage %d", m_name,
                                                       m_columns[i].name, int(c), m_options.codePage));
        }
        m_writer->addRow(row);
        m_manifest.row(m_name, m_columns, row);
    }

    uint32_t finish()
    {
        m_writer->finish();
        return m_writer->rowCount();
    }

    bool western() const { return m_options.codePage == 1252; }

private:
    std::string m_name;
    std::vector<Column> m_columns;
    Manifest& m_manifest;
    pxwrite::WriterOptions m_options;
    bool m_holds[256] = {};
    std::unique_ptr<pxwrite::ParadoxWriter> m_writer;
};

FieldValue text(const char* utf8) { return rk::ansi(utf8); }
FieldValue date(int y, int m, int d) { return db::DateValue{dayNumber(y, m, d)}; }
FieldValue timeOfDay(int h, int m, int s, int ms = 0) { return db::TimeValue{((h * 60 + m) * 60 + s) * 1000 + ms}; }
FieldValue stamp(int y, int mo, int d, int h, int mi, int s, int ms = 0)
{
    return db::TimestampValue{double(dayNumber(y, mo, d)) * 86400000.0 + double(((h * 60 + mi) * 60 + s) * 1000 + ms)};
}
FieldValue bcd(const char* decimal)
{
    db::BcdValue v;
    const char* p = decimal;
    if (*p == '-') { v.negative = true; ++p; }
    bool fraction = false;
    for (; *p; ++p) {
        if (*p == '.') { fraction = true; continue; }
        v.digits.push_back(static_cast<uint8_t>(*p - '0'));
        if (fraction) ++v.scale;
    }
    return v;
}

// Blank with the given chance, else the value; a macro so that the value
// draws its random numbers only after the chance, in a fixed order.
#define MAYBE(blankPercent, value) (r.chance(blankPercent) ? FieldValue{} : FieldValue{value})
FieldValue flag(DemoRandom& r) { return r.chance(15) ? FieldValue{} : FieldValue{r.chance(40)}; }
FieldValue randomDate(DemoRandom& r, int fromYear, int toYear)
{
    return date(r.range(fromYear, toYear), r.range(1, 12), r.range(1, 28));
}
FieldValue randomTime(DemoRandom& r)
{
    return timeOfDay(r.range(0, 23), r.range(0, 59), r.range(0, 59), r.chance(30) ? r.range(0, 999) : 0);
}
std::string threeDigits(int n)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%03d", n);
    return buf;
}

struct Area {
    std::string region, code;
};
struct Summit {
    std::string region, area, code;
};

std::vector<Column> wegeColumns()
{
    return {{"REG", FieldType::Alpha, 10},         {"REG_RGGNR", FieldType::Alpha, 30},
            {"WEG", FieldType::Alpha, 100},        {"GRD", FieldType::Alpha, 20},
            {"GRDOU", FieldType::Alpha, 20},       {"GRDRP", FieldType::Alpha, 20},
            {"GRDSPRUNG", FieldType::Alpha, 20},   {"QW", FieldType::Alpha, 10},
            {"SI", FieldType::Alpha, 10},          {"NOTIZ", FieldType::Memo, 40},
            {"C1", FieldType::Logical},            {"C2", FieldType::Logical},
            {"A1", FieldType::Logical},            {"A2", FieldType::Logical},
            {"N1", FieldType::Logical},            {"N2", FieldType::Logical},
            {"S1", FieldType::Logical},            {"S2", FieldType::Logical},
            {"CRUX", FieldType::Memo, 11},         {"TIPP", FieldType::FmtMemo, 10},
            {"ZIEL", FieldType::Alpha, 60},        {"EIGNUNGA", FieldType::Logical},
            {"EIGNUNGV", FieldType::Logical},      {"EIGNUNGK", FieldType::Logical},
            {"SONNE", FieldType::Logical},         {"SCHATTEN", FieldType::Logical},
            {"TS", FieldType::Time},               {"TL", FieldType::Number},
            {"EBDATUM", FieldType::Date},          {"EBNAMENR", FieldType::Long},
            {"NR", FieldType::AutoInc},            {"STATUS", FieldType::Short},
            {"GRDO", FieldType::Alpha, 20},        {"WEGBESCHREIBUNG", FieldType::Memo, 60},
            {"POSNR", FieldType::Long},            {"WERTUNGHEINI", FieldType::Bcd, 2},
            {"WERTUNGKKF", FieldType::Currency},   {"NAME2", FieldType::Alpha, 100},
            {"L", FieldType::Number},              {"MSL", FieldType::Short},
            {"BWEG", FieldType::Logical},          {"NSL", FieldType::Short},
            {"TZUSTIEG", FieldType::Time},         {"TABSTIEG", FieldType::Timestamp},
            {"TKLETTEREI", FieldType::Time},       {"EBTEXT", FieldType::Binary, 10}};
}

enum Wege { REG, REG_RGGNR, WEG, GRD, GRDOU, GRDRP, GRDSPRUNG, QW, SI, NOTIZ, C1, CRUX = 18, TIPP, ZIEL,
            EIGNUNGA, TS = 26, TL, EBDATUM, EBNAMENR, NR, STATUS, GRDO, WEGBESCHREIBUNG, POSNR, WERTUNGHEINI,
            WERTUNGKKF, NAME2, L, MSL, BWEG, NSL, TZUSTIEG, TABSTIEG, TKLETTEREI, EBTEXT, kWegeColumns };

// The hand-picked rows come first; `i` counts from 0.
Row wegeRow(DemoRandom& r, uint32_t i, const Summit& s, int posnr, int firstAscenders, bool western)
{
    Row v(kWegeColumns);
    v[REG] = s.region;
    v[REG_RGGNR] = s.code;
    v[NR] = static_cast<int32_t>(i + 1);
    if (i == 0) return v;  // every other column blank

    v[WEG] = routeName(r, western);
    v[GRD] = grade(r);
    v[GRDOU] = MAYBE(70, grade(r));
    v[GRDRP] = MAYBE(60, grade(r));
    v[GRDSPRUNG] = MAYBE(90, std::to_string(r.range(1, 4)));
    v[QW] = MAYBE(50, std::string(static_cast<size_t>(r.range(1, 3)), '*'));
    v[SI] = MAYBE(30, r.chance(50) ? std::string("II") : std::string("III"));
    v[NOTIZ] = MAYBE(40, memo(r, 4, western));
    for (int c = C1; c < C1 + 8; ++c) v[c] = flag(r);
    v[CRUX] = MAYBE(70, sentence(r, western));
    v[TIPP] = MAYBE(80, "{\\rtf1\\ansi\\deff0 " + sentence(r, western) + "\\par }");
    v[ZIEL] = MAYBE(70, summitName(r));
    for (int c = EIGNUNGA; c < EIGNUNGA + 5; ++c) v[c] = flag(r);
    v[TS] = MAYBE(30, randomTime(r));
    v[TL] = MAYBE(30, r.range(2, 160) / 2.0);
    v[EBDATUM] = MAYBE(10, randomDate(r, 1864, 2024));
    v[EBNAMENR] = MAYBE(20, r.range(1, firstAscenders));
    v[STATUS] = MAYBE(20, r.range(0, 3));
    v[GRDO] = MAYBE(80, grade(r));
    v[WEGBESCHREIBUNG] = MAYBE(50, memo(r, 6, western));
    v[POSNR] = posnr;
    v[WERTUNGHEINI] = MAYBE(40, bcd((std::to_string(r.range(0, 5)) + "." + std::to_string(r.range(10, 99))).c_str()));
    v[WERTUNGKKF] = MAYBE(40, r.range(0, 40) / 4.0);
    v[NAME2] = MAYBE(85, routeName(r, western));
    v[L] = MAYBE(20, r.range(10, 90) + r.range(0, 9) / 10.0);
    v[MSL] = MAYBE(30, r.range(0, 8));
    v[BWEG] = flag(r);
    v[NSL] = MAYBE(50, r.range(0, 5));
    v[TZUSTIEG] = MAYBE(40, timeOfDay(0, r.range(5, 90) % 60, 0));
    v[TABSTIEG] = MAYBE(60, stamp(r.range(1995, 2024), r.range(1, 12), r.range(1, 28), r.range(8, 20),
                                     r.range(0, 59), 0));
    v[TKLETTEREI] = MAYBE(40, timeOfDay(r.range(0, 3), r.range(0, 59), 0));
    if (r.chance(10)) {
        std::string bytes;
        for (int k = 0; k < r.range(1, 40); ++k) bytes += static_cast<char>(r.range(0, 255));
        v[EBTEXT] = bytes;
    }

    switch (i) {
    case 1:
        v[WEG] = text(" Wort ");
        v[GRD] = std::string("   ");
        v[GRDOU] = std::string("\t\r\n");
        v[GRDRP] = std::string("\xA0");
        v[L] = 0.5;
        v[TL] = -0.5;
        v[WERTUNGKKF] = 12.5;
        v[WERTUNGHEINI] = bcd("3.10");
        v[STATUS] = 0;
        v[TS] = timeOfDay(8, 5, 9, 750);
        v[TABSTIEG] = stamp(2003, 12, 24, 0, 0, 0);
        v[EBDATUM] = date(1899, 12, 30);
        break;
    case 2:
        v[L] = 1e-5;
        v[TL] = 1e15;
        v[WERTUNGKKF] = -7.25;
        v[WERTUNGHEINI] = bcd("-7.25");
        v[TABSTIEG] = stamp(1999, 12, 31, 0, 0, 0, 500);
        v[NOTIZ] = std::string("\r\n\r\n");
        v[CRUX] = std::string("\r\n");
        v[EBDATUM] = date(1899, 12, 31);
        break;
    case 3: {
        v[L] = 1.0 / 3.0;
        v[TL] = 2.0 / 3.0;
        v[WERTUNGKKF] = 0.0001;
        v[WERTUNGHEINI] = bcd("0.00");
        std::string longMemo;  // more than one sub-allocated blob
        for (int k = 0; k < 60; ++k) longMemo += sentence(r, western) + "\r\n";
        v[NOTIZ] = longMemo;
        v[EBDATUM] = date(1900, 1, 1);
        v[TS] = timeOfDay(0, 0, 0);
        break;
    }
    case 4:
        v[L] = 123456789012345.0;
        v[TL] = 0.0;
        v[WERTUNGKKF] = 0.0;
        v[EBDATUM] = date(2000, 2, 29);
        v[EBTEXT] = std::string("\0\x01\x80\xFF\0", 5);
        v[TIPP] = rk::ansi("{\\rtf1 Grüße\\par }");
        break;
    case 5:
        v[EBDATUM] = date(1864, 3, 1);
        v[TABSTIEG] = stamp(1870, 7, 14, 13, 5, 9);
        v[L] = 1234567.5;
        v[TL] = -1e-4;
        break;
    default: break;
    }
    return v;
}

// REGIONEN, GESTEINE, GEBIETE and GIPFEL; the summits for the routes.
void writeGeo(const std::filesystem::path& dir, const DemoCounts& n, Manifest& m, TableCounts& counts,
              std::vector<Summit>& summits)
{
    // REGIONEN: two rows without REG_R, which slot 1 skips.
    DemoRandom r(kSeed + 1);
    TableOut regionen(dir, "REGIONEN", 70, 1252,
                      {{"POSNR", FieldType::Short}, {"REG_R", FieldType::Alpha, 10},
                       {"REGION", FieldType::Alpha, 60}, {"LAND", FieldType::Alpha, 40}}, m);
    std::vector<std::string> regions;
    for (int i = 0, pos = 1; static_cast<int>(regions.size()) < n.regions; ++i, ++pos) {
        if (i == 2 || i == 5) {
            regionen.add({int32_t(pos), FieldValue{}, text(i == 2 ? "Ohne Kürzel" : "Sammelgebiet"), FieldValue{}});
            continue;
        }
        const RegionName& rn = regionName(static_cast<int>(regions.size()));
        regions.push_back(rn.code);
        regionen.add({int32_t(pos), std::string(rn.code), text(rn.name), i == 3 ? FieldValue{} : text(rn.country)});
    }
    counts.emplace_back("REGIONEN", regionen.finish());

    // GESTEINE with numbers 1..12; areas also point at 99, which has no row.
    TableOut gesteine(dir, "GESTEINE", 40, 437, {{"GesteinNr", FieldType::Short}, {"GESTEIN", FieldType::Alpha, 40}}, m);
    for (int k = 0; k < rockCount(); ++k) gesteine.add({int32_t(k + 1), rockName(k)});
    counts.emplace_back("GESTEINE", gesteine.finish());

    TableOut gebiete(dir, "GEBIETE", 50, 850,
                     {{"REG_R", FieldType::Alpha, 10}, {"REG_RG", FieldType::Alpha, 20}, {"POSNR", FieldType::Short},
                      {"GEBIET", FieldType::Alpha, 60}, {"NAME2", FieldType::Alpha, 60},
                      {"SKALA", FieldType::Alpha, 20}, {"NOTIZ", FieldType::Memo, 20},
                      {"GesteinNr", FieldType::Short}}, m);
    std::vector<Area> areas;
    static const char* scales[] = {"sächsisch", "UIAA", "französisch", "Fb"};
    for (int j = 0; j < n.areas; ++j) {
        const std::string& reg = regions[static_cast<size_t>(j) % regions.size()];
        const int inRegion = j / static_cast<int>(regions.size()) + 1;
        Area a{reg, reg + "-" + threeDigits(inRegion).substr(1)};
        FieldValue rock = int32_t(r.range(1, rockCount()));
        if (j == 1) rock = int32_t(99);
        if (j == 2) rock = FieldValue{};
        gebiete.add({a.region, a.code, int32_t(inRegion), areaName(j), MAYBE(70, areaName(j + 7)),
                     MAYBE(20, text(scales[r.range(0, 3)])), MAYBE(60, memo(r, 3, false)), rock});
        areas.push_back(a);
    }
    counts.emplace_back("GEBIETE", gebiete.finish());

    TableOut gipfel(dir, "GIPFEL", 70, 850,
                    {{"REG_RGGNR", FieldType::Alpha, 30}, {"REG_RG", FieldType::Alpha, 20},
                     {"GIPFEL", FieldType::Alpha, 60}, {"QG", FieldType::Alpha, 20}, {"NOTIZ", FieldType::Memo, 11},
                     {"NR", FieldType::Long}, {"STATUS", FieldType::Alpha, 20}, {"TYP", FieldType::Alpha, 20},
                     {"KINDF", FieldType::Logical}, {"POSNR", FieldType::Long}, {"SPERRDATAB", FieldType::Date},
                     {"SPERRDATBIS", FieldType::Date}, {"NAME2", FieldType::Alpha, 60}, {"H", FieldType::Number},
                     {"B", FieldType::Number}}, m);
    std::vector<int> perArea(areas.size(), 0);
    static const char* types[] = {"Turm", "Massiv", "Riff", "Wand", "Block"};
    for (int k = 0; k < n.summits; ++k) {
        const size_t ai = static_cast<size_t>(k) % areas.size();
        const int pos = ++perArea[ai];
        Summit s{areas[ai].region, areas[ai].code, areas[ai].code + "-" + threeDigits(pos)};
        summits.push_back(s);
        if (k == 0) {
            gipfel.add({s.code, s.area, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}});
            continue;
        }
        const bool closed = r.chance(10);
        const int year = r.range(2001, 2024);
        gipfel.add({s.code, s.area, summitName(r), MAYBE(50, std::string(static_cast<size_t>(r.range(1, 3)), '*')),
                    MAYBE(60, memo(r, 3, false)), int32_t(k + 1),
                    closed ? text("gesperrt") : MAYBE(50, text("frei")), text(types[r.range(0, 4)]),
                    FieldValue{r.chance(20)}, int32_t(pos), closed ? date(year, 2, 1) : FieldValue{},
                    closed ? date(year, 6, 30) : FieldValue{}, MAYBE(90, summitName(r)),
                    MAYBE(10, 120 + r.range(0, 8800) / 20.0), MAYBE(30, 50.85 + r.range(0, 999) / 10000.0)});
    }
    counts.emplace_back("GIPFEL", gipfel.finish());
}

// BEGEHUNGEN to BILDER and CURRENTUSER; route numbers lie in 1..10 * summits.
void writePeople(const std::filesystem::path& dir, const DemoCounts& n, Manifest& m, TableCounts& counts,
                 int summits)
{
    const int routes = summits;
    DemoRandom r(kSeed + 5);
    static const char* kinds[] = {"Vorstieg", "Nachstieg", "Solo", "Toprope", "Wechselführung"};
    static const char* styles[] = {"alles frei", "rotpunkt", "AF", "RP", "OU", "Hängen"};
    TableOut begehungen(dir, "BEGEHUNGEN", 70, 1252,
                        {{"NR", FieldType::Long}, {"REG", FieldType::Alpha, 10}, {"DATUM", FieldType::Date},
                         {"ART", FieldType::Alpha, 20}, {"STIL", FieldType::Alpha, 20},
                         {"GRDBEG", FieldType::Alpha, 20}, {"V", FieldType::Logical}, {"ID", FieldType::Long},
                         {"NOTIZ", FieldType::Memo, 11}, {"VORSTEIGER", FieldType::Alpha, 60},
                         {"SEILSCHAFT", FieldType::Alpha, 120}, {"BEGNRTAG", FieldType::Short},
                         {"S", FieldType::Logical}, {"BEGNR", FieldType::Long}, {"X", FieldType::Logical}}, m);
    for (int i = 0; i < n.ascents; ++i) {
        if (i == 0) {
            begehungen.add({int32_t(1), {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}});
            continue;
        }
        std::string team = firstName(r) + ' ' + lastName(r);
        for (int k = r.range(0, 3); k > 0; --k) team += ", " + firstName(r) + ' ' + lastName(r);
        begehungen.add({int32_t(i + 1), std::string(regionName(r.range(0, 7)).code), randomDate(r, 1975, 2024),
                        text(kinds[r.range(0, 4)]), MAYBE(30, text(styles[r.range(0, 5)])), MAYBE(20, grade(r)),
                        flag(r), int32_t(r.range(1, routes * 10)), MAYBE(60, memo(r, 3, true)),
                        MAYBE(10, firstName(r) + ' ' + lastName(r)), MAYBE(20, team), MAYBE(10, r.range(1, 5)),
                        flag(r), int32_t(i), flag(r)});
    }
    counts.emplace_back("BEGEHUNGEN", begehungen.finish());

    TableOut namen(dir, "NAMENSLISTE", 50, 437,
                   {{"NR", FieldType::AutoInc}, {"NAME", FieldType::Alpha, 100}, {"VORNAME", FieldType::Alpha, 40},
                    {"NACHNAME", FieldType::Alpha, 40}, {"ID", FieldType::Long}}, m);
    for (int i = 0; i < n.names; ++i) {
        const std::string first = firstName(r), last = lastName(r);
        namen.add({int32_t(i + 1), last + ", " + first, i == 1 ? FieldValue{} : FieldValue{first}, last,
                   i == 2 ? FieldValue{} : FieldValue{int32_t(r.range(1, n.users))}});
    }
    counts.emplace_back("NAMENSLISTE", namen.finish());

    TableOut nutzer(dir, "NUTZER", 70, 1252,
                    {{"USERNR", FieldType::Long}, {"NAME", FieldType::Alpha, 40}, {"VORNAME", FieldType::Alpha, 40},
                     {"SPITZNAME", FieldType::Alpha, 40}}, m);
    static const char* nicks[] = {"Hexe", "Bär", "Gämse", "Spinne", "Öhrchen", "Fuchs"};
    for (int i = 0; i < n.users; ++i)
        nutzer.add({int32_t(i + 1), lastName(r), firstName(r), i == 0 ? FieldValue{} : text(nicks[i % 6])});
    counts.emplace_back("NUTZER", nutzer.finish());

    TableOut tagesnotiz(dir, "TAGESNOTIZ", 70, 1252,
                        {{"NR", FieldType::Long}, {"DATUM", FieldType::Date}, {"ID", FieldType::Long},
                         {"NOTIZ", FieldType::Memo, 30}, {"NICHTDRUCKEN", FieldType::Logical},
                         {"TAGESTITEL", FieldType::Alpha, 100}}, m);
    for (int i = 0; i < n.dayNotes; ++i)
        tagesnotiz.add({int32_t(i + 1), i == 0 ? date(1899, 12, 30) : randomDate(r, 1980, 2024),
                        int32_t(r.range(1, n.users)), i == 1 ? FieldValue{std::string("\r\n\r\n\r\n")}
                                                             : MAYBE(10, memo(r, 8, true)),
                        flag(r), MAYBE(20, sentence(r, true))});
    counts.emplace_back("TAGESNOTIZ", tagesnotiz.finish());

    TableOut zettel(dir, "ZETTELWEGE", 50, 850,
                    {{"NR", FieldType::Long}, {"REG", FieldType::Alpha, 10}, {"NUTZER", FieldType::Long},
                     {"JAHR", FieldType::Short}, {"V", FieldType::Logical}, {"RP", FieldType::Logical},
                     {"OU", FieldType::Logical}, {"AKTUELL", FieldType::Logical}, {"TERMIN", FieldType::Timestamp},
                     {"NOTIZ", FieldType::Memo, 11}}, m);
    for (int i = 0; i < n.noteRoutes; ++i)
        zettel.add({int32_t(r.range(1, routes * 10)), std::string(regionName(r.range(0, 7)).code),
                    int32_t(r.range(1, n.users)), MAYBE(10, r.range(1990, 2025)), flag(r), flag(r), flag(r),
                    flag(r),
                    i == 0 ? stamp(2024, 5, 1, 0, 0, 0)
                           : MAYBE(30, stamp(r.range(2000, 2025), r.range(1, 12), r.range(1, 28), r.range(6, 18),
                                             r.range(0, 3) * 15, 0)),
                    MAYBE(50, memo(r, 2, false))});
    counts.emplace_back("ZETTELWEGE", zettel.finish());

    TableOut eb(dir, "EB", 50, 850,
                {{"EBNR", FieldType::Long}, {"NAME", FieldType::Alpha, 40}, {"VORNAME", FieldType::Alpha, 40},
                 {"GEB", FieldType::Date}, {"GEST", FieldType::Date}, {"NOTIZ", FieldType::Ole, 10}}, m);
    for (int i = 0; i < n.firstAscenders; ++i) {
        const int born = r.range(1840, 1995);
        std::string ole;
        if (r.chance(10)) {
            ole = std::string("\x01\x05\0\0\x02\0\0\0", 8) + "Paint.Picture";
            for (int k = r.range(8, 300); k > 0; --k) ole += static_cast<char>(r.range(0, 255));
        }
        eb.add({int32_t(i + 1), lastName(r), MAYBE(5, firstName(r)),
                i == 0 ? date(1851, 1, 1) : MAYBE(10, date(born, r.range(1, 12), r.range(1, 28))),
                born < 1940 ? MAYBE(20, date(born + r.range(40, 90), r.range(1, 12), r.range(1, 28))) : FieldValue{},
                ole.empty() ? FieldValue{} : FieldValue{ole}});
    }
    counts.emplace_back("EB", eb.finish());

    TableOut bilder(dir, "BILDER", 70, 1252,
                    {{"NR", FieldType::AutoInc}, {"REG", FieldType::Alpha, 10}, {"DATEI", FieldType::Alpha, 120},
                     {"HINT", FieldType::Alpha, 120}, {"NOTIZ", FieldType::Graphic, 10},
                     {"TYP", FieldType::Bytes, 4}, {"TITEL", FieldType::Alpha, 100}}, m);
    for (int i = 0; i < n.pictures; ++i) {
        std::string graphic;
        if (r.chance(30)) {
            graphic = "BM";
            for (int k = r.range(60, 3000); k > 0; --k) graphic += static_cast<char>(r.range(0, 255));
        }
        FieldValue typ = std::string(r.chance(50) ? "JPG" : "BMP") + '\0';
        if (i == 0) typ = std::string("A\0\0\0", 4);
        if (i == 1) typ = std::string(4, '\0');
        if (i == 2) typ = FieldValue{};
        const std::string reg = regionName(r.range(0, 7)).code;
        bilder.add({int32_t(i + 1), reg, rk::ansi("C:\\RK5\\Bilder\\") + reg + "_" + std::to_string(i + 1) + ".jpg",
                    MAYBE(40, sentence(r, true)), graphic.empty() ? FieldValue{} : FieldValue{graphic}, typ,
                    MAYBE(10, routeName(r, true))});
    }
    counts.emplace_back("BILDER", bilder.finish());

    TableOut current(dir, "CURRENTUSER", 70, 1252, {{"ID", FieldType::Long}}, m);
    current.add({int32_t(n.users >= 2 ? 2 : 1)});
    counts.emplace_back("CURRENTUSER", current.finish());
}

} // namespace

DemoCounts countsFor(DemoSize size)
{
    if (size == DemoSize::Large) return {50, 500, 5000, 50000, 20000, 2000, 10, 2000, 2000, 5000, 1000};
    return {8, 24, 120, 400, 200, 60, 4, 40, 30, 80, 25};
}

uint32_t writeWegeTable(const std::filesystem::path& dir, uint32_t rows, int summitCount, Manifest& manifest)
{
    std::vector<Summit> summits;
    for (int k = 0; k < summitCount; ++k) {
        const RegionName& rn = regionName(k % 50);
        const std::string area = std::string(rn.code) + "-" + threeDigits(k / 50 % 100).substr(1);
        summits.push_back({rn.code, area, area + "-" + threeDigits(k / 5000 + 1)});
    }
    std::filesystem::create_directories(dir);
    DemoRandom r(kSeed + 4);
    // Blocks are counted in 16 bits: big tables need bigger blocks.
    const int blockKb = rows <= 400000 ? 8 : rows <= 800000 ? 16 : 32;
    TableOut wege(dir, "WEGE", 70, 1252, wegeColumns(), manifest, blockKb);
    std::vector<int> perSummit(summits.size(), 0);
    for (uint32_t i = 0; i < rows; ++i) {
        const size_t si = i % summits.size();
        wege.add(wegeRow(r, i, summits[si], ++perSummit[si], 5000, true));
    }
    return wege.finish();
}

TableCounts writeDemoSet(const std::filesystem::path& dir, DemoSize size, Manifest& m)
{
    return writeDemoSet(dir, countsFor(size), m);
}

TableCounts writeDemoSet(const std::filesystem::path& dir, const DemoCounts& n, Manifest& m)
{
    if (n.regions < 1 || n.areas < 1 || n.summits < 1)
        throw Exception("Regionen, Gebiete und Gipfel brauchen je mindestens eine Zeile.");
    std::filesystem::create_directories(dir);
    TableCounts counts;
    std::vector<Summit> summits;
    writeGeo(dir, n, m, counts, summits);

    {
        DemoRandom r(kSeed + 4);
        TableOut wege(dir, "WEGE", 70, 1252, wegeColumns(), m, 8);
        std::vector<int> perSummit(summits.size(), 0);
        for (int i = 0; i < n.routes; ++i) {
            const size_t si = static_cast<size_t>(i) % summits.size();
            wege.add(wegeRow(r, static_cast<uint32_t>(i), summits[si], ++perSummit[si], n.firstAscenders, true));
        }
        counts.emplace_back("WEGE", wege.finish());
    }
    writePeople(dir, n, m, counts, static_cast<int>(summits.size()));
    return counts;
}

} // namespace rk::tools::demo
