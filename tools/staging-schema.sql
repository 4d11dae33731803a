-- An example of the staging tables the successor product keeps in its
-- database: the eleven IMPORT_RK5_* tables with every column the transfer's
-- INSERTs name, the current-user flag CU, and the job records.
--
-- Types follow what arrives: INTEGER for long-integer source fields,
-- VARCHAR for texts and for numbers that arrive as locale text (32
-- characters hold every number form: 15 digits, sign, mark and exponent, or
-- a BCD value's 19 digits with sign and mark), DATE/TIME
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
  REG_RG     VARCHAR(32),
  GEBIET     VARCHAR(80),
  NAME2      VARCHAR(80),
  SKALA      VARCHAR(32),
  NOTIZ      BLOB SUB_TYPE TEXT,
  GESTEIN    VARCHAR(80)
);

CREATE TABLE IMPORT_RK5_GIPFEL (
  REG_RGGNR   VARCHAR(30),
  REG_RG      VARCHAR(32),
  GIPFEL      VARCHAR(80),
  QG          VARCHAR(20),
  NOTIZ       BLOB SUB_TYPE TEXT,
  NR          INTEGER,
  STATUS      VARCHAR(32),
  TYP         VARCHAR(32),
  KINDF       CHAR(1),
  POSNR       INTEGER,
  SPERRDATAB  DATE,
  SPERRDATBIS DATE,
  NAME2       VARCHAR(80),
  H           VARCHAR(32),
  B           VARCHAR(32)
);

CREATE TABLE IMPORT_RK5_WEGE (
  REG             VARCHAR(10),
  REG_RGGNR       VARCHAR(30),
  WEG             VARCHAR(120),
  GRD             VARCHAR(32),
  GRDOU           VARCHAR(32),
  GRDRP           VARCHAR(32),
  GRDSPRUNG       VARCHAR(32),
  QW              VARCHAR(32),
  SI              VARCHAR(32),
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
  TS              VARCHAR(32),
  TL              VARCHAR(32),
  EBDATUM         DATE,
  EBNAMENR        INTEGER,
  NR              INTEGER,
  STATUS          VARCHAR(32),
  GRDO            VARCHAR(32),
  WEGBESCHREIBUNG BLOB SUB_TYPE TEXT,
  POSNR           INTEGER,
  WERTUNGHEINI    VARCHAR(32),
  WERTUNGKKF      VARCHAR(32),
  NAME2           VARCHAR(120),
  L               VARCHAR(32),
  MSL             VARCHAR(32),
  BWEG            CHAR(1),
  NSL             VARCHAR(32),
  TZUSTIEG        VARCHAR(32),
  TABSTIEG        VARCHAR(32),
  TKLETTEREI      VARCHAR(32),
  EBTEXT          BLOB SUB_TYPE TEXT
);

CREATE TABLE IMPORT_RK5_BEGEHUNGEN (
  NR          INTEGER,
  REG         VARCHAR(10),
  DATUM       DATE,
  ART         VARCHAR(32),
  STIL        VARCHAR(32),
  GRDBEG      VARCHAR(32),
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
  GEB      VARCHAR(32),
  GEST     VARCHAR(32),
  NOTIZ    BLOB SUB_TYPE TEXT
);

CREATE TABLE IMPORT_RK5_BILDER (
  NR     INTEGER,
  REG    VARCHAR(10),
  DATEI  VARCHAR(255),
  HINT   VARCHAR(255),
  NOTIZ  BLOB SUB_TYPE TEXT,
  TYP    VARCHAR(32),
  TITEL  VARCHAR(120)
);

CREATE TABLE IMPORT_RK5_INFO (
  DATUM   DATE,
  ZEIT    TIME,
  INFO    VARCHAR(255),
  STATUS  CHAR(1),
  JOB_ID  VARCHAR(32)
);
