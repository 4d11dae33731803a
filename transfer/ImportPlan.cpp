// The fixed table of slots. Every text stays exactly as the staging side
// expects it, double blanks and trailing blanks included.
#include "transfer/ImportPlan.h"

#include <algorithm>
#include <sstream>

#include "db/common/Ansi.h"

namespace rk::transfer {

const char* const kCurrentUserQuery = "SELECT * FROM CURRENTUSER";
const char* const kCurrentUserField = "ID";
const char* const kJobRecordInsert =
    "INSERT INTO IMPORT_RK5_INFO (DATUM, ZEIT, INFO, STATUS, JOB_ID) VALUES (current_date, current_time, :INFO, "
    "'T', :JOB_ID)";

ImportPlan buildImportPlan()
{
    return ImportPlan{{
        {"Regionen", "SELECT * FROM REGIONEN.DB WHERE NOT (REG_R IS NULL) AND NOT (REG_R='') ORDER BY POSNR",
         "IMPORT_RK5_REGIONEN",
         "INSERT INTO IMPORT_RK5_REGIONEN (REG_R,REGION,LAND) VALUES (:REG_R,:REGION,:LAND)"},
        {"Gebiete",
         "SELECT * FROM GEBIETE  LEFT OUTER JOIN GESTEINE ON GESTEINE.GesteinNr=GEBIETE.GesteinNr  ORDER BY REG_R, "
         "POSNR ",
         "IMPORT_RK5_GEBIETE",
         "INSERT INTO IMPORT_RK5_GEBIETE  (REG_R, REG_RG ,GEBIET, NAME2, SKALA, NOTIZ, GESTEIN)  VALUES (:REG_R, "
         ":REG_RG ,:GEBIET, :NAME2, :SKALA, :NOTIZ, :GESTEIN)"},
        {"Gipfel", "SELECT * FROM GIPFEL ORDER BY REG_RG, POSNR", "IMPORT_RK5_GIPFEL",
         "INSERT INTO IMPORT_RK5_GIPFEL  (REG_RGGNR, REG_RG, GIPFEL, QG, NOTIZ, NR, STATUS, TYP, KINDF, POSNR, "
         "SPERRDATAB, SPERRDATBIS, NAME2, H, B ) VALUES  (:REG_RGGNR, :REG_RG, :GIPFEL, :QG, :NOTIZ, :NR, :STATUS, "
         ":TYP, :KINDF, :POSNR, :SPERRDATAB, :SPERRDATBIS, :NAME2, :H, :B) "},
        {"Wege", "SELECT * FROM WEGE ORDER BY REG_RGGNR, POSNR", "IMPORT_RK5_WEGE",
         "INSERT INTO IMPORT_RK5_WEGE  (REG, REG_RGGNR, WEG, GRD, GRDOU, GRDRP, GRDSPRUNG, QW, SI, NOTIZ, C1, C2, A1, "
         "A2, N1, N2, S1, S2, CRUX, TIPP, ZIEL, EIGNUNGA, EIGNUNGV, EIGNUNGK, SONNE, SCHATTEN, TS, TL, EBDATUM, "
         "EBNAMENR, NR, STATUS, GRDO, WEGBESCHREIBUNG, POSNR, WERTUNGHEINI, WERTUNGKKF, NAME2, L, MSL, BWEG, NSL, "
         "TZUSTIEG, TABSTIEG, TKLETTEREI, EBTEXT) VALUES  (:REG, :REG_RGGNR, :WEG, :GRD, :GRDOU, :GRDRP, "
         ":GRDSPRUNG, :QW, :SI, :NOTIZ, :C1, :C2, :A1, :A2, :N1, :N2, :S1, :S2, :CRUX, :TIPP, :ZIEL, :EIGNUNGA, "
         ":EIGNUNGV, :EIGNUNGK, :SONNE, :SCHATTEN, :TS, :TL, :EBDATUM, :EBNAMENR, :NR, :STATUS, :GRDO, "
         ":WEGBESCHREIBUNG, :POSNR, :WERTUNGHEINI, :WERTUNGKKF, :NAME2, :L, :MSL, :BWEG, :NSL, :TZUSTIEG, "
         ":TABSTIEG, :TKLETTEREI, :EBTEXT)"},
        {"Begehungen", "SELECT * FROM BEGEHUNGEN ORDER BY DATUM, BEGNRTAG", "IMPORT_RK5_BEGEHUNGEN",
         "INSERT INTO IMPORT_RK5_BEGEHUNGEN  ( NR, REG, DATUM, ART, STIL, GRDBEG, V, ID, NOTIZ, VORSTEIGER, "
         "SEILSCHAFT, BEGNRTAG, S, BEGNR, X) VALUES ( :NR, :REG, :DATUM, :ART, :STIL, :GRDBEG, :V, :ID, :NOTIZ, "
         ":VORSTEIGER, :SEILSCHAFT, :BEGNRTAG, :S, :BEGNR, :X) "},
        {"Namensliste", "SELECT * FROM NAMENSLISTE", "IMPORT_RK5_NAMENSLISTE",
         "INSERT INTO IMPORT_RK5_NAMENSLISTE  (NR, NAME, VORNAME, NACHNAME,ID) VALUES  (:NR, :NAME, :VORNAME, "
         ":NACHNAME, :ID) "},
        {"Nutzer", "SELECT * FROM NUTZER", "IMPORT_RK5_NUTZER",
         "INSERT INTO IMPORT_RK5_NUTZER  (USERNR, NAME, VORNAME, SPITZNAME) VALUES  (:USERNR, :NAME, :VORNAME, "
         ":SPITZNAME) "},
        {"Tagesnotizen", "SELECT * FROM TAGESNOTIZ", "IMPORT_RK5_TAGESNOTIZ",
         "INSERT INTO IMPORT_RK5_TAGESNOTIZ  (NR, DATUM, ID, NOTIZ, NICHTDRUCKEN, TAGESTITEL) VALUES  (:NR, :DATUM, "
         ":ID, :NOTIZ, :NICHTDRUCKEN, :TAGESTITEL) "},
        {"Zettelwege", "SELECT * FROM ZETTELWEGE", "IMPORT_RK5_ZETTELWEGE",
         "INSERT INTO IMPORT_RK5_ZETTELWEGE  (NR, REG, NUTZER, JAHR, V, RP, OU, AKTUELL, TERMIN, NOTIZ ) VALUES  "
         "(:NR, :REG, :NUTZER, :JAHR, :V, :RP, :OU, :AKTUELL, :TERMIN, :NOTIZ) "},
        {"Erstbegeher", "SELECT * FROM EB", "IMPORT_RK5_EB",
         "INSERT INTO IMPORT_RK5_EB  (EBNR, NAME, VORNAME, GEB, GEST, NOTIZ ) VALUES  (:EBNR, :NAME, :VORNAME, :GEB, "
         ":GEST, :NOTIZ) "},
        {"Bilder", "SELECT * FROM BILDER", "IMPORT_RK5_BILDER",
         "INSERT INTO IMPORT_RK5_BILDER  ( NR, REG, DATEI, HINT, NOTIZ, TYP, TITEL) VALUES  (:NR, :REG, :DATEI, "
         ":HINT, :NOTIZ, :TYP, :TITEL) "},
        {},
        {},
    }};
}

std::vector<std::string> tablesOf(const std::string& sql)
{
    // The plan's statements name their tables plainly, without quotes or
    // table aliases: the word after each FROM and JOIN.
    std::vector<std::string> tables;
    std::istringstream words(sql);
    std::string word;
    bool tableNext = false;
    while (words >> word) {
        const std::string upper = upperAnsi(word);
        if (tableNext) {
            std::string name = upper.ends_with(".DB") ? upper.substr(0, upper.size() - 3) : upper;
            if (std::find(tables.begin(), tables.end(), name) == tables.end()) tables.push_back(std::move(name));
        }
        tableNext = upper == "FROM" || upper == "JOIN";
    }
    return tables;
}

std::vector<std::string> sourceTables(const ImportPlan& plan)
{
    std::vector<std::string> tables;
    const auto add = [&tables](const std::string& sql) {
        for (std::string& t : tablesOf(sql))
            if (std::find(tables.begin(), tables.end(), t) == tables.end()) tables.push_back(std::move(t));
    };
    for (const ImportSlot& slot : plan) add(slot.sourceSql);
    add(kCurrentUserQuery);
    return tables;
}

std::string purgeSql(const std::string& targetTable) { return "DELETE FROM " + targetTable; }

std::string currentUserMarkSql(int32_t userId)
{
    return "UPDATE IMPORT_RK5_NUTZER SET CU='T' WHERE USERNR=" + std::to_string(userId);
}

} // namespace rk::transfer
