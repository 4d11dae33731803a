-- An example of the staging tables the successor product keeps in its
-- database: the eleven IMPORT_RK5_* tables with every column the transfer's
-- INSERTs name, the current-user flag CU, and the job records.
--
-- Types follow what arrives: INTEGER for long-integer source fields,
-- VARCHAR for texts and for numbers that arrive as locale text, DATE/TIME
-- where a date or time arrives, BLOB SUB_TYPE TEXT for memos, CHAR(1) for
-- logical flags ("T"/"F"). Character set ISO8859_1 (the database default).
--
-- Used by tools/create-staging-db.sh, the tests' FirebirdTestDatabase guard
-- and the benchmarks; statements end with ";" and contain none inside.

CREATE TABLE IMPORT_RK5_REGIONEN (
  REG_R      VARCHAR(10),
  REGION     VARCHAR(80),
  LAND       VARCHAR(80)
);

CREATE TABLE IMPORT_RK5_GEBIETE (
  REG_R      VARCHAR(10),
  REG_RG     VARCHAR(20),
  GEBIET     VARCHAR(80),
  NAME2      VARCHAR(80),
  SKALA      VARCHAR(20),
  NOTIZ      BLOB SUB_TYPE TEXT,
  GESTEIN    VARCHAR(80)
);

CREATE TABLE IMPORT_RK5_GIPFEL (
  REG_RGGNR   VARCHAR(30),
  REG_RG      VARCHAR(20),
  GIPFEL      VARCHAR(80),
  QG          VARCHAR(20),
  NOTIZ       BLOB SUB_TYPE TEXT,
  NR          INTEGER,
  STATUS      VARCHAR(20),
  TYP         VARCHAR(20),
  KINDF       CHAR(1),
  POSNR       INTEGER,
  SPERRDATAB  DATE,
  SPERRDATBIS DATE,
  NAME2       VARCHAR(80),
  H           VARCHAR(20),
  B           VARCHAR(20)
);

CREATE TABLE IMPORT_RK5_WEGE (
  REG             VARCHAR(10),
  REG_RGGNR       VARCHAR(30),
  WEG             VARCHAR(120),
  GRD             VARCHAR(20),
  GRDOU           VARCHAR(20),
  GRDRP           VARCHAR(20),
  GRDSPRUNG       VARCHAR(20),
  QW              VARCHAR(20),
  SI              VARCHAR(20),
  NOTIZ           BLOB SUB_TYPE TEXT,
  C1              CHAR(1),
  C2              CHAR(1),
  A1              CHAR(1),
  A2              CHAR(1),
  N1              CHAR(1),
  N2              CHAR(1),
  S1              CHAR(1),
  S2              CHAR(1),
  CRUX            BLOB SUB_TYPE TEXT,
  TIPP            BLOB SUB_TYPE TEXT,
  ZIEL            VARCHAR(80),
  EIGNUNGA        CHAR(1),
  EIGNUNGV        CHAR(1),
  EIGNUNGK        CHAR(1),
  SONNE           CHAR(1),
  SCHATTEN        CHAR(1),
  TS              VARCHAR(20),
  TL              VARCHAR(20),
  EBDATUM         DATE,
  EBNAMENR        INTEGER,
  NR              INTEGER,
  STATUS          VARCHAR(20),
  GRDO            VARCHAR(20),
  WEGBESCHREIBUNG BLOB SUB_TYPE TEXT,
  POSNR           INTEGER,
  WERTUNGHEINI    VARCHAR(20),
  WERTUNGKKF      VARCHAR(20),
  NAME2           VARCHAR(120),
  L               VARCHAR(20),
  MSL             VARCHAR(20),
  BWEG            CHAR(1),
  NSL             VARCHAR(20),
  TZUSTIEG        VARCHAR(20),
  TABSTIEG        VARCHAR(20),
  TKLETTEREI      VARCHAR(20),
  EBTEXT          BLOB SUB_TYPE TEXT
);

CREATE TABLE IMPORT_RK5_BEGEHUNGEN (
  NR          INTEGER,
  REG         VARCHAR(10),
  DATUM       DATE,
  ART         VARCHAR(20),
  STIL        VARCHAR(20),
  GRDBEG      VARCHAR(20),
  V           CHAR(1),
  ID          INTEGER,
  NOTIZ       BLOB SUB_TYPE TEXT,
  VORSTEIGER  VARCHAR(80),
  SEILSCHAFT  VARCHAR(255),
  BEGNRTAG    INTEGER,
  S           CHAR(1),
  BEGNR       INTEGER,
  X           CHAR(1)
);

CREATE TABLE IMPORT_RK5_NAMENSLISTE (
  NR        INTEGER,
  NAME      VARCHAR(120),
  VORNAME   VARCHAR(60),
  NACHNAME  VARCHAR(60),
  ID        INTEGER
);

CREATE TABLE IMPORT_RK5_NUTZER (
  USERNR     INTEGER,
  NAME       VARCHAR(60),
  VORNAME    VARCHAR(60),
  SPITZNAME  VARCHAR(60),
  CU         CHAR(1)
);

CREATE TABLE IMPORT_RK5_TAGESNOTIZ (
  NR            INTEGER,
  DATUM         DATE,
  ID            INTEGER,
  NOTIZ         BLOB SUB_TYPE TEXT,
  NICHTDRUCKEN  CHAR(1),
  TAGESTITEL    VARCHAR(120)
);

CREATE TABLE IMPORT_RK5_ZETTELWEGE (
  NR       INTEGER,
  REG      VARCHAR(10),
  NUTZER   INTEGER,
  JAHR     INTEGER,
  V        CHAR(1),
  RP       CHAR(1),
  OU       CHAR(1),
  AKTUELL  CHAR(1),
  TERMIN   DATE,
  NOTIZ    BLOB SUB_TYPE TEXT
);

CREATE TABLE IMPORT_RK5_EB (
  EBNR     INTEGER,
  NAME     VARCHAR(60),
  VORNAME  VARCHAR(60),
  GEB      VARCHAR(20),
  GEST     VARCHAR(20),
  NOTIZ    BLOB SUB_TYPE TEXT
);

CREATE TABLE IMPORT_RK5_BILDER (
  NR     INTEGER,
  REG    VARCHAR(10),
  DATEI  VARCHAR(255),
  HINT   VARCHAR(255),
  NOTIZ  BLOB SUB_TYPE TEXT,
  TYP    VARCHAR(20),
  TITEL  VARCHAR(120)
);

CREATE TABLE IMPORT_RK5_INFO (
  DATUM   DATE,
  ZEIT    TIME,
  INFO    VARCHAR(255),
  STATUS  CHAR(1),
  JOB_ID  VARCHAR(32)
);
