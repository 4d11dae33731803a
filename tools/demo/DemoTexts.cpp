// Word lists for the demo data; see DemoTexts.h. Literals are UTF-8 and pass
// through rk::ansi() once.
#include "tools/demo/DemoTexts.h"

#include <vector>

#include "db/common/Ansi.h"

namespace rk::tools::demo {

namespace {

using Words = std::vector<std::string>;

Words ansiWords(std::initializer_list<const char*> utf8)
{
    Words out;
    for (const char* w : utf8) out.push_back(rk::ansi(w));
    return out;
}

const RegionName kRegions[50] = {
    {"SSW", "Sächsische Schweiz", "Deutschland"}, {"BSW", "Böhmische Schweiz", "Tschechien"},
    {"ZGB", "Zittauer Gebirge", "Deutschland"}, {"ERZ", "Erzgebirge", "Deutschland"},
    {"FJU", "Frankenjura", "Deutschland"}, {"PFZ", "Südpfalz", "Deutschland"},
    {"ALG", "Allgäuer Alpen", "Deutschland"}, {"WTS", "Wettersteingebirge", "Deutschland"},
    {"DOL", "Dolomiten", "Italien"}, {"GES", "Gesäuse", "Österreich"},
    {"WIL", "Wilder Kaiser", "Österreich"}, {"RAT", "Rätikon", "Schweiz"},
    {"GLA", "Glarner Alpen", "Schweiz"}, {"HAR", "Harz", "Deutschland"},
    {"THU", "Thüringer Wald", "Deutschland"}, {"ODW", "Odenwald", "Deutschland"},
    {"DAH", "Dahner Felsenland", "Deutschland"}, {"IFE", "Ith und Hils", "Deutschland"},
    {"WES", "Weserbergland", "Deutschland"}, {"EIF", "Nordeifel", "Deutschland"},
    {"DON", "Oberes Donautal", "Deutschland"}, {"SCH", "Schwäbische Alb", "Deutschland"},
    {"BAY", "Bayerischer Wald", "Deutschland"}, {"FIC", "Fichtelgebirge", "Deutschland"},
    {"ADR", "Adršpach", "Tschechien"}, {"TEP", "Teplitzer Felsen", "Tschechien"},
    {"LAB", "Labské údolí", "Tschechien"}, {"JIZ", "Isergebirge", "Tschechien"},
    {"RIE", "Riesengebirge", "Polen"}, {"HEU", "Heuscheuer", "Polen"},
    {"TAT", "Hohe Tatra", "Slowakei"}, {"JUL", "Julische Alpen", "Slowenien"},
    {"KAR", "Karwendel", "Österreich"}, {"STU", "Stubaier Alpen", "Österreich"},
    {"OTZ", "Ötztaler Alpen", "Österreich"}, {"ZIL", "Zillertaler Alpen", "Österreich"},
    {"BER", "Berchtesgadener Alpen", "Deutschland"}, {"TAN", "Tannheimer Berge", "Österreich"},
    {"MEN", "Mendelgebirge", "Italien"}, {"ARC", "Arco", "Italien"},
    {"VER", "Verdon", "Frankreich"}, {"CHA", "Chamonix", "Frankreich"},
    {"FON", "Fontainebleau", "Frankreich"}, {"MAR", "Calanques", "Frankreich"},
    {"ELB", "Elbsandstein Süd", "Deutschland"}, {"LAU", "Lausitzer Bergland", "Deutschland"},
    {"MUL", "Muldental", "Deutschland"}, {"TOR", "Torgauer Heide", "Deutschland"},
    {"KIR", "Kirnitzschtal", "Deutschland"}, {"POL", "Polenztal", "Deutschland"},
};

const Words& areas()
{
    static const Words w = ansiWords({"Schrammsteine", "Affensteine", "Bielatal", "Rathen", "Schmilka",
                                      "Großer Zschand", "Kleiner Zschand", "Wehlener Gebiet", "Brandgebiet",
                                      "Gebiet der Steine", "Hinterhermsdorf", "Erzgebirgsgrenzgebiet",
                                      "Rauenstein", "Pfaffenstein", "Gohrisch", "Papststein", "Kaiserkrone",
                                      "Zirkelstein", "Lilienstein", "Königstein", "Bärenstein", "Rauschengrund",
                                      "Höllengrund", "Amselgrund", "Uttewalder Grund", "Lößnitzgrund"});
    return w;
}

const Words& summitStems()
{
    static const Words w = ansiWords({"Turm", "Wand", "Nadel", "Kegel", "Horn", "Stein", "Kopf", "Spitze",
                                      "Wächter", "Mönch", "Falkenstein", "Riff", "Zinne", "Köpfe", "Säule",
                                      "Bärfangkegel", "Höllenhund", "Rübezahl", "Vorgipfel", "Eule"});
    return w;
}

const Words& summitPrefixes()
{
    static const Words w = ansiWords({"Großer", "Kleiner", "Hinterer", "Vorderer", "Alter", "Südlicher",
                                      "Nördlicher", "Schöner", "Dürrer", "Hoher", "Müllers", "Fröhlicher"});
    return w;
}

const Words& routeWords()
{
    static const Words w = ansiWords({"Alter Weg", "Südriß", "Nordwestkante", "Talseite", "Weg der Jugend",
                                      "Schusterweg", "Ostverschneidung", "Frühlingsweg", "Genußweg", "Überfall",
                                      "Westkamin", "Direkte Südwand", "Gratweg", "Böse Kante", "Königsweg",
                                      "Hängebauch", "Schöne Aussicht", "Verschneidung", "Rißweg", "Mückentanz"});
    return w;
}

const Words& westernRouteWords()
{
    static const Words w = ansiWords({"„Letzter Gruß“", "Für 5 € Dank", "Weg … ohne Ende", "‚Tür zu‘",
                                      "Œdipus", "Šlapka"});
    return w;
}

const Words& grades()
{
    static const Words w = ansiWords({"I", "II", "III", "IV", "V", "VI", "VIIa", "VIIb", "VIIc", "VIIIa",
                                      "VIIIb", "VIIIc", "IXa", "IXb", "IXc", "Xa", "Xb", "Xc", "XIa", "7a"});
    return w;
}

const Words& firstNames()
{
    static const Words w = ansiWords({"Jürgen", "Günter", "Bärbel", "Jörg", "Ute", "Björn", "Käthe",
                                      "Hans-Jörg", "Renée", "Sören", "Annegret", "Maximilian", "Heinz", "Gisela",
                                      "Rüdiger", "Hannelore", "Oskar", "Agnès", "Fritz", "Liselotte"});
    return w;
}

const Words& lastNames()
{
    static const Words w = ansiWords({"Müller", "Schröder", "Weiß", "Krüger", "Größler", "Bäßler", "Fröhlich",
                                      "Köhler", "Schäfer", "Strauß", "Hübner", "Lößnitz", "Meißner", "Dülfer",
                                      "Fehrmann", "Perry-Smith", "Wünsche", "Jäger", "Böhm", "Hanisch"});
    return w;
}

const Words& rocks()
{
    static const Words w = ansiWords({"Sandstein", "Quarzsandstein", "Granit", "Gneis", "Kalkstein",
                                      "Dolomit", "Porphyr", "Basalt", "Phonolith", "Grauwacke", "Quarzit",
                                      "Konglomerat"});
    return w;
}

const Words& sentences()
{
    static const Words w = ansiWords({"Vom Gipfelbuch über die Südseite absteigen.",
                                      "Nach Regen lange naß, erst ab Mittag trocken.",
                                      "Einstieg am großen Baum, 3 m links der Höhle.",
                                      "Ring schlecht: Vorsicht beim Überhang!",
                                      "Schöne Kletterei an griffigem Sandstein, Schlingen für Sanduhren mitnehmen.",
                                      "Abseilöse östlich, 25 m.", "Zustieg über den Fremdenweg, 20 min.",
                                      "Brutzeit der Wanderfalken: gesperrt vom 1.2. bis 30.6.",
                                      "Mit Günter und Käthe bei 30 °C geklettert.",
                                      "Griff ausgebrochen - jetzt deutlich schwerer.",
                                      "Übergang zum Nachbargipfel möglich (Sprung, 2 m).",
                                      "Erstbegehung im Winter; Weg à la Dülfer."});
    return w;
}

const Words& westernSentences()
{
    static const Words w = ansiWords({"„Sehr lohnend“ – sagt der Führer…", "Kosten für Ringe: 12 € je Stück.",
                                      "Name nach Œuvre von ‚Šimon‘ benannt."});
    return w;
}

} // namespace

const RegionName& regionName(int index) { return kRegions[index % 50]; }

std::string areaName(int index)
{
    const Words& w = areas();
    std::string name = w[static_cast<size_t>(index) % w.size()];
    if (index >= static_cast<int>(w.size())) name += ' ' + std::to_string(index / w.size() + 1);
    return name;
}

std::string summitName(DemoRandom& r)
{
    if (r.chance(40)) return r.pick(summitStems());
    return r.pick(summitPrefixes()) + ' ' + r.pick(summitStems());
}

std::string routeName(DemoRandom& r, bool western)
{
    if (western && r.chance(8)) return r.pick(westernRouteWords());
    std::string s = r.pick(routeWords());
    if (r.chance(25)) s += rk::ansi(" (Variante)");
    return s;
}

std::string grade(DemoRandom& r) { return r.pick(grades()); }
std::string firstName(DemoRandom& r) { return r.pick(firstNames()); }
std::string lastName(DemoRandom& r) { return r.pick(lastNames()); }
std::string rockName(int index) { return rocks()[static_cast<size_t>(index) % rocks().size()]; }
int rockCount() { return static_cast<int>(rocks().size()); }

std::string sentence(DemoRandom& r, bool western)
{
    if (western && r.chance(15)) return r.pick(westernSentences());
    return r.pick(sentences());
}

std::string memo(DemoRandom& r, int maxLines, bool western)
{
    const int lines = r.range(1, maxLines);
    std::string s;
    for (int i = 0; i < lines; ++i) {
        if (i) s += r.chance(20) ? "\r\n\r\n" : "\r\n";
        s += sentence(r, western);
    }
    return s;
}

} // namespace rk::tools::demo
