SET NAMES UTF8;
-- The October statistics without reading every student. Each student's part in it is a
-- handful of dated changes: counted from the enrolment, no longer from the leaving day, a
-- status from its decision until the day after its end, a leaver among the year's leavers
-- for a year. The database keeps their sums per class (an archived student: per last grade)
-- and day, so the school as of a day is the sum of the changes up to that day.
--   table_okt_valtozas_bizalmas  what each writing transaction changed, as +/- rows of
--                                its own written by triggers: writers never touch each
--                                other's rows, so they never wait for each other
--   table_okt_napi_bizalmas      the committed changes, one row a class and day
--   table_okt_alap_bizalmas      their sums up to the base day (1 October of the program's
--                                school year): the usual day reads no day rows at all
-- The fold moves the first into the other two. A grade on the day is the class history's:
-- the students moved since are looked up one by one, as before. The tables hold counts of
-- the sensitive statuses by class and day, read only through the statistics.
-- Safe to run again: the counts are taken from the students only where there are none yet.

SET TERM ^;
EXECUTE BLOCK AS
BEGIN
    IF (NOT EXISTS (SELECT 1 FROM rdb$relations WHERE rdb$relation_name = 'TABLE_OKT_VALTOZAS_BIZALMAS')) THEN
        EXECUTE STATEMENT '
        CREATE TABLE table_okt_valtozas_bizalmas (
            szelet           BIGINT NOT NULL,
            fajta            CHAR(1) NOT NULL,
            hova             INTEGER NOT NULL,
            datum            DATE NOT NULL,
            letszam          INTEGER DEFAULT 0 NOT NULL,
            lany             INTEGER DEFAULT 0 NOT NULL,
            nincs_megadva    INTEGER DEFAULT 0 NOT NULL,
            sni              INTEGER DEFAULT 0 NOT NULL,
            sni_lany         INTEGER DEFAULT 0 NOT NULL,
            btmn             INTEGER DEFAULT 0 NOT NULL,
            btmn_lany        INTEGER DEFAULT 0 NOT NULL,
            hh               INTEGER DEFAULT 0 NOT NULL,
            hh_lany          INTEGER DEFAULT 0 NOT NULL,
            hhh              INTEGER DEFAULT 0 NOT NULL,
            hhh_lany         INTEGER DEFAULT 0 NOT NULL,
            kulfoldi         INTEGER DEFAULT 0 NOT NULL,
            kulfoldi_lany    INTEGER DEFAULT 0 NOT NULL,
            egyeni           INTEGER DEFAULT 0 NOT NULL,
            egyeni_lany      INTEGER DEFAULT 0 NOT NULL,
            bejaro           INTEGER DEFAULT 0 NOT NULL,
            bejaro_lany      INTEGER DEFAULT 0 NOT NULL,
            kollegista       INTEGER DEFAULT 0 NOT NULL,
            kollegista_lany  INTEGER DEFAULT 0 NOT NULL,
            CONSTRAINT pk_okt_valtozas PRIMARY KEY (szelet, fajta, hova, datum)
        )';
    IF (NOT EXISTS (SELECT 1 FROM rdb$relations WHERE rdb$relation_name = 'TABLE_OKT_NAPI_BIZALMAS')) THEN
        EXECUTE STATEMENT '
        CREATE TABLE table_okt_napi_bizalmas (
            fajta            CHAR(1) NOT NULL,
            hova             INTEGER NOT NULL,
            datum            DATE NOT NULL,
            letszam          INTEGER DEFAULT 0 NOT NULL,
            lany             INTEGER DEFAULT 0 NOT NULL,
            nincs_megadva    INTEGER DEFAULT 0 NOT NULL,
            sni              INTEGER DEFAULT 0 NOT NULL,
            sni_lany         INTEGER DEFAULT 0 NOT NULL,
            btmn             INTEGER DEFAULT 0 NOT NULL,
            btmn_lany        INTEGER DEFAULT 0 NOT NULL,
            hh               INTEGER DEFAULT 0 NOT NULL,
            hh_lany          INTEGER DEFAULT 0 NOT NULL,
            hhh              INTEGER DEFAULT 0 NOT NULL,
            hhh_lany         INTEGER DEFAULT 0 NOT NULL,
            kulfoldi         INTEGER DEFAULT 0 NOT NULL,
            kulfoldi_lany    INTEGER DEFAULT 0 NOT NULL,
            egyeni           INTEGER DEFAULT 0 NOT NULL,
            egyeni_lany      INTEGER DEFAULT 0 NOT NULL,
            bejaro           INTEGER DEFAULT 0 NOT NULL,
            bejaro_lany      INTEGER DEFAULT 0 NOT NULL,
            kollegista       INTEGER DEFAULT 0 NOT NULL,
            kollegista_lany  INTEGER DEFAULT 0 NOT NULL,
            CONSTRAINT pk_okt_napi PRIMARY KEY (fajta, hova, datum)
        )';
    -- the days between the base day and the day asked about
    IF (NOT EXISTS (SELECT 1 FROM rdb$indices WHERE rdb$index_name = 'IX_OKT_NAPI_DATUM')) THEN
        EXECUTE STATEMENT 'CREATE INDEX ix_okt_napi_datum ON table_okt_napi_bizalmas (datum)';
    IF (NOT EXISTS (SELECT 1 FROM rdb$relations WHERE rdb$relation_name = 'TABLE_OKT_ALAP_BIZALMAS')) THEN
        EXECUTE STATEMENT '
        CREATE TABLE table_okt_alap_bizalmas (
            fajta            CHAR(1) NOT NULL,
            hova             INTEGER NOT NULL,
            letszam          INTEGER DEFAULT 0 NOT NULL,
            lany             INTEGER DEFAULT 0 NOT NULL,
            nincs_megadva    INTEGER DEFAULT 0 NOT NULL,
            sni              INTEGER DEFAULT 0 NOT NULL,
            sni_lany         INTEGER DEFAULT 0 NOT NULL,
            btmn             INTEGER DEFAULT 0 NOT NULL,
            btmn_lany        INTEGER DEFAULT 0 NOT NULL,
            hh               INTEGER DEFAULT 0 NOT NULL,
            hh_lany          INTEGER DEFAULT 0 NOT NULL,
            hhh              INTEGER DEFAULT 0 NOT NULL,
            hhh_lany         INTEGER DEFAULT 0 NOT NULL,
            kulfoldi         INTEGER DEFAULT 0 NOT NULL,
            kulfoldi_lany    INTEGER DEFAULT 0 NOT NULL,
            egyeni           INTEGER DEFAULT 0 NOT NULL,
            egyeni_lany      INTEGER DEFAULT 0 NOT NULL,
            bejaro           INTEGER DEFAULT 0 NOT NULL,
            bejaro_lany      INTEGER DEFAULT 0 NOT NULL,
            kollegista       INTEGER DEFAULT 0 NOT NULL,
            kollegista_lany  INTEGER DEFAULT 0 NOT NULL,
            CONSTRAINT pk_okt_alap PRIMARY KEY (fajta, hova)
        )';
    -- The base day, and a number each fold raises: a reader that sees it change meanwhile
    -- reads again. Its row exists once the counts are filled.
    IF (NOT EXISTS (SELECT 1 FROM rdb$relations WHERE rdb$relation_name = 'TABLE_OKT_ALAPNAP')) THEN
        EXECUTE STATEMENT '
        CREATE TABLE table_okt_alapnap (
            id          SMALLINT NOT NULL,
            nap         DATE NOT NULL,
            osszevonas  BIGINT DEFAULT 0 NOT NULL,
            CONSTRAINT pk_okt_alapnap PRIMARY KEY (id),
            CONSTRAINT ck_okt_alapnap_id CHECK (id = 0)
        )';
    IF (NOT EXISTS (SELECT 1 FROM rdb$generators WHERE rdb$generator_name = 'GEN_OKTOBERI_VALTOZAS')) THEN
        EXECUTE STATEMENT 'CREATE SEQUENCE gen_oktoberi_valtozas';
    -- the statistics' sums on their way, some of them one student's
    IF (NOT EXISTS (SELECT 1 FROM rdb$relations WHERE rdb$relation_name = 'TMP_OKTOBERI_BIZALMAS')) THEN
        EXECUTE STATEMENT '
        CREATE GLOBAL TEMPORARY TABLE tmp_oktoberi_bizalmas (
            fajta            CHAR(1) NOT NULL,
            hova             INTEGER NOT NULL,
            letszam          INTEGER,
            lany             INTEGER,
            nincs_megadva    INTEGER,
            sni              INTEGER,
            sni_lany         INTEGER,
            btmn             INTEGER,
            btmn_lany        INTEGER,
            hh               INTEGER,
            hh_lany          INTEGER,
            hhh              INTEGER,
            hhh_lany         INTEGER,
            kulfoldi         INTEGER,
            kulfoldi_lany    INTEGER,
            egyeni           INTEGER,
            egyeni_lany      INTEGER,
            bejaro           INTEGER,
            bejaro_lany      INTEGER,
            kollegista       INTEGER,
            kollegista_lany  INTEGER
        ) ON COMMIT DELETE ROWS';
    -- the class moves after a day, without the enrolments, leavings and graduations that
    -- every student has and that move no one
    IF (NOT EXISTS (SELECT 1 FROM rdb$indices WHERE rdb$index_name = 'IX_OSZTALY_TORTENET_ATHELYEZES')) THEN
        EXECUTE STATEMENT 'CREATE INDEX ix_osztaly_tortenet_athelyezes ON table_osztaly_tortenet
            COMPUTED BY (IIF(esemeny IN (''beiratkozás'', ''nyilvántartásban'', ''kilépés'', ''végzett''), NULL, mikor))';
END^
SET TERM ;^
COMMIT;

SET TERM ^;

-- One student's part in the statistics as dated changes, for each of its records (the
-- registry's, the archive's): fajta 'T' counts the student in a class (hova: its id, 0 for
-- none) or, archived, in its last grade (hova: minus the grade); fajta 'K' counts a leaver
-- by reason (hova). The school as of a day is the sum of the changes dated up to it. What
-- counts is what the statistics always meant: enrolled on or before the day (no date: from
-- before any day), a leaver until the day it left, a status from its decision (none: from
-- before) to its end (none: open), HH with the HHH ones, a leaver within the year after.
-- Each change: +1 or -1 (d) to the columns whose bits maszk sets, in the order of the
-- statistics' columns (1 letszam, 2 lany, 4 nincs_megadva, 8 sni, 16 sni_lany, ...); a
-- fact's girls' column is the next bit.
CREATE OR ALTER PROCEDURE PRC_OKTOBERI_ESEMENYEK (diak_id INTEGER)
RETURNS (fajta CHAR(1), hova INTEGER, datum DATE, d INTEGER, maszk INTEGER)
AS
    -- the earlier end of two, an empty one being open
    DECLARE FUNCTION elobb (x DATE, y DATE) RETURNS DATE
    AS
    BEGIN
        RETURN IIF(x IS NULL, y, IIF(y IS NULL, x, MINVALUE(x, y)));
    END
    DECLARE mindig DATE = DATE '0001-01-01';
    DECLARE nem CHAR(1);
    DECLARE kezdet DATE;
    DECLARE l SMALLINT;
    DECLARE tag INTEGER;
    DECLARE v_sni SMALLINT; DECLARE v_sni_kelte DATE; DECLARE v_sni_ervenyes DATE;
    DECLARE v_btmn SMALLINT; DECLARE v_btmn_kelte DATE; DECLARE v_btmn_ervenyes DATE;
    DECLARE v_hh SMALLINT; DECLARE v_hh_kelte DATE; DECLARE v_hh_ervenyes DATE;
    DECLARE v_hhh SMALLINT; DECLARE v_hhh_kelte DATE; DECLARE v_hhh_ervenyes DATE;
    DECLARE osztaly INTEGER;
    DECLARE kilepes DATE;
    DECLARE ok SMALLINT;
    DECLARE k SMALLINT;
    DECLARE veg DATE;
    -- spans [tol, ig): no ig, open
    DECLARE tag_tol DATE; DECLARE tag_ig DATE;
    DECLARE tol DATE; DECLARE ig DATE;
    DECLARE hh_tol DATE; DECLARE hh_ig DATE;
    DECLARE hhh_tol DATE; DECLARE hhh_ig DATE;
BEGIN
    SELECT nem, jogviszony_kezdete,
           IIF(TRIM(COALESCE(allampolgarsag, '')) <> '' AND POSITION('magyar' IN LOWER(allampolgarsag)) = 0, 2048, 0)
           + IIF(egyeni_munkarend = 1, 8192, 0) + IIF(bejaro = 1, 32768, 0) + IIF(kollegista = 1, 131072, 0)
      FROM table_diak_adat WHERE diak_id = :diak_id
      INTO :nem, :kezdet, :tag;
    l = IIF(nem = 'L', 1, 0);
    tag = 1 + 2 * l + IIF(nem IS NULL, 4, 0) + COALESCE(tag, 0) * (1 + 2 * l);
    SELECT sni, sni_kelte, sni_ervenyes, btmn, btmn_kelte, btmn_ervenyes,
           hh, hh_kelte, hh_ervenyes, hhh, hhh_kelte, hhh_ervenyes
      FROM table_diak_bizalmas WHERE diak_id = :diak_id
      INTO :v_sni, :v_sni_kelte, :v_sni_ervenyes, :v_btmn, :v_btmn_kelte, :v_btmn_ervenyes,
           :v_hh, :v_hh_kelte, :v_hh_ervenyes, :v_hhh, :v_hhh_kelte, :v_hhh_ervenyes;
    FOR SELECT COALESCE(osztaly_ID, 0), CAST(NULL AS DATE), CAST(NULL AS SMALLINT)
          FROM table_diak WHERE id = :diak_id
        UNION ALL
        SELECT -COALESCE(utolso_osztaly_szam, 0), kilepes_datum, kilepes_ok
          FROM table_diak_archiv WHERE id = :diak_id
        INTO :osztaly, :kilepes, :ok DO
    BEGIN
        fajta = 'T';
        hova = osztaly;
        tag_tol = COALESCE(kezdet, mindig);
        tag_ig = kilepes;
        IF (tag_ig IS NULL OR tag_ig > tag_tol) THEN
        BEGIN
            datum = tag_tol; d = 1; maszk = tag;
            SUSPEND;
            IF (tag_ig IS NOT NULL) THEN
            BEGIN
                datum = tag_ig; d = -1;
                SUSPEND;
            END
            -- each status within the enrolment
            hh_tol = NULL;
            hhh_tol = NULL;
            k = IIF(v_sni = 1 OR v_btmn = 1 OR v_hh = 1 OR v_hhh = 1, 1, 5);
            WHILE (k <= 4) DO
            BEGIN
                IF (DECODE(k, 1, v_sni, 2, v_btmn, 3, v_hh, v_hhh) = 1) THEN
                BEGIN
                    tol = MAXVALUE(COALESCE(DECODE(k, 1, v_sni_kelte, 2, v_btmn_kelte, 3, v_hh_kelte, v_hhh_kelte),
                                            mindig), tag_tol);
                    veg = DECODE(k, 1, v_sni_ervenyes, 2, v_btmn_ervenyes, 3, v_hh_ervenyes, v_hhh_ervenyes);
                    ig = elobb(IIF(veg >= DATE '9999-12-31', NULL, DATEADD(1 DAY TO veg)), tag_ig);
                    IF (ig IS NULL OR ig > tol) THEN
                    BEGIN
                        -- HHH counts in HH too
                        maszk = DECODE(k, 1, 8 + 16 * l, 2, 32 + 64 * l, 3, 128 + 256 * l, 640 + 1280 * l);
                        datum = tol; d = 1;
                        SUSPEND;
                        IF (ig IS NOT NULL) THEN
                        BEGIN
                            datum = ig; d = -1;
                            SUSPEND;
                        END
                        IF (k = 3) THEN BEGIN hh_tol = tol; hh_ig = ig; END
                        IF (k = 4) THEN BEGIN hhh_tol = tol; hhh_ig = ig; END
                    END
                END
                k = k + 1;
            END
            -- a day both hold counts in HH once: their common span comes off
            IF (hh_tol IS NOT NULL AND hhh_tol IS NOT NULL) THEN
            BEGIN
                tol = MAXVALUE(hh_tol, hhh_tol);
                ig = elobb(hh_ig, hhh_ig);
                IF (ig IS NULL OR ig > tol) THEN
                BEGIN
                    datum = tol; d = -1; maszk = 128 + 256 * l;
                    SUSPEND;
                    IF (ig IS NOT NULL) THEN
                    BEGIN
                        datum = ig; d = 1;
                        SUSPEND;
                    END
                END
            END
        END
        -- among the leavers of the year before a day: left after the same day a year earlier
        IF (kilepes IS NOT NULL) THEN
        BEGIN
            fajta = 'K';
            hova = ok;
            maszk = 1 + 2 * l + IIF(nem IS NULL, 4, 0);
            datum = kilepes; d = 1;
            SUSPEND;
            IF (kilepes < DATE '9998-12-31') THEN
            BEGIN
                datum = DATEADD(1 YEAR TO kilepes);
                IF (DATEADD(-1 YEAR TO datum) < kilepes) THEN datum = DATEADD(1 DAY TO datum);
                d = -1;
                SUSPEND;
            END
        END
    END
END^

-- The same summed a day, its columns spelled out: what the fill and the statistics read.
CREATE OR ALTER PROCEDURE PRC_OKTOBERI_TANULO (diak_id INTEGER)
RETURNS (
    fajta CHAR(1), hova INTEGER, datum DATE,
    letszam INTEGER, lany INTEGER, nincs_megadva INTEGER,
    sni INTEGER, sni_lany INTEGER, btmn INTEGER, btmn_lany INTEGER,
    hh INTEGER, hh_lany INTEGER, hhh INTEGER, hhh_lany INTEGER,
    kulfoldi INTEGER, kulfoldi_lany INTEGER, egyeni INTEGER, egyeni_lany INTEGER,
    bejaro INTEGER, bejaro_lany INTEGER, kollegista INTEGER, kollegista_lany INTEGER)
AS
BEGIN
    FOR SELECT fajta, hova, datum, SUM(d * BIN_AND(maszk, 1)), SUM(d * BIN_AND(BIN_SHR(maszk, 1), 1)),
               SUM(d * BIN_AND(BIN_SHR(maszk, 2), 1)), SUM(d * BIN_AND(BIN_SHR(maszk, 3), 1)),
               SUM(d * BIN_AND(BIN_SHR(maszk, 4), 1)), SUM(d * BIN_AND(BIN_SHR(maszk, 5), 1)),
               SUM(d * BIN_AND(BIN_SHR(maszk, 6), 1)), SUM(d * BIN_AND(BIN_SHR(maszk, 7), 1)),
               SUM(d * BIN_AND(BIN_SHR(maszk, 8), 1)), SUM(d * BIN_AND(BIN_SHR(maszk, 9), 1)),
               SUM(d * BIN_AND(BIN_SHR(maszk, 10), 1)), SUM(d * BIN_AND(BIN_SHR(maszk, 11), 1)),
               SUM(d * BIN_AND(BIN_SHR(maszk, 12), 1)), SUM(d * BIN_AND(BIN_SHR(maszk, 13), 1)),
               SUM(d * BIN_AND(BIN_SHR(maszk, 14), 1)), SUM(d * BIN_AND(BIN_SHR(maszk, 15), 1)),
               SUM(d * BIN_AND(BIN_SHR(maszk, 16), 1)), SUM(d * BIN_AND(BIN_SHR(maszk, 17), 1)),
               SUM(d * BIN_AND(BIN_SHR(maszk, 18), 1))
          FROM PRC_OKTOBERI_ESEMENYEK(:diak_id)
         GROUP BY fajta, hova, datum
          INTO :fajta, :hova, :datum, :letszam, :lany, :nincs_megadva, :sni, :sni_lany, :btmn, :btmn_lany,
               :hh, :hh_lany, :hhh, :hhh_lany, :kulfoldi, :kulfoldi_lany, :egyeni, :egyeni_lany,
               :bejaro, :bejaro_lany, :kollegista, :kollegista_lany DO
        SUSPEND;
END^

-- Adds (elojel 1) or takes off (-1) a student's part in the transaction's own change rows:
-- one row a class and day however many students it touches, never another's row.
CREATE OR ALTER PROCEDURE PRC_OKTOBERI_KIIR (diak_id INTEGER, elojel INTEGER)
AS
    -- named after the transaction number, which a commit retaining renews
    DECLARE kulcs VARCHAR(40);
    DECLARE szelet BIGINT;
    DECLARE f CHAR(1);
    DECLARE h INTEGER;
    DECLARE nap DATE;
    DECLARE d INTEGER;
    DECLARE m INTEGER;
BEGIN
    IF (diak_id IS NULL) THEN EXIT;
    FOR SELECT fajta, hova, datum, d, maszk FROM PRC_OKTOBERI_ESEMENYEK(:diak_id) INTO :f, :h, :nap, :d, :m DO
    BEGIN
        IF (szelet IS NULL) THEN
        BEGIN
            kulcs = 'KORVANA_OKTOBERI_' || CURRENT_TRANSACTION;
            szelet = FN_SAJAT_JEL(kulcs);
            IF (szelet IS NULL) THEN
            BEGIN
                szelet = GEN_ID(gen_oktoberi_valtozas, 1);
                EXECUTE PROCEDURE PRC_SAJAT_JEL(:kulcs, :szelet);
            END
        END
        d = d * elojel;
        UPDATE table_okt_valtozas_bizalmas SET
               letszam = letszam + :d * BIN_AND(:m, 1),
               lany = lany + :d * BIN_AND(BIN_SHR(:m, 1), 1),
               nincs_megadva = nincs_megadva + :d * BIN_AND(BIN_SHR(:m, 2), 1),
               sni = sni + :d * BIN_AND(BIN_SHR(:m, 3), 1),
               sni_lany = sni_lany + :d * BIN_AND(BIN_SHR(:m, 4), 1),
               btmn = btmn + :d * BIN_AND(BIN_SHR(:m, 5), 1),
               btmn_lany = btmn_lany + :d * BIN_AND(BIN_SHR(:m, 6), 1),
               hh = hh + :d * BIN_AND(BIN_SHR(:m, 7), 1),
               hh_lany = hh_lany + :d * BIN_AND(BIN_SHR(:m, 8), 1),
               hhh = hhh + :d * BIN_AND(BIN_SHR(:m, 9), 1),
               hhh_lany = hhh_lany + :d * BIN_AND(BIN_SHR(:m, 10), 1),
               kulfoldi = kulfoldi + :d * BIN_AND(BIN_SHR(:m, 11), 1),
               kulfoldi_lany = kulfoldi_lany + :d * BIN_AND(BIN_SHR(:m, 12), 1),
               egyeni = egyeni + :d * BIN_AND(BIN_SHR(:m, 13), 1),
               egyeni_lany = egyeni_lany + :d * BIN_AND(BIN_SHR(:m, 14), 1),
               bejaro = bejaro + :d * BIN_AND(BIN_SHR(:m, 15), 1),
               bejaro_lany = bejaro_lany + :d * BIN_AND(BIN_SHR(:m, 16), 1),
               kollegista = kollegista + :d * BIN_AND(BIN_SHR(:m, 17), 1),
               kollegista_lany = kollegista_lany + :d * BIN_AND(BIN_SHR(:m, 18), 1)
         WHERE szelet = :szelet AND fajta = :f AND hova = :h AND datum = :nap;
        -- none yet, or a rolled-back savepoint took it
        IF (ROW_COUNT = 0) THEN
            INSERT INTO table_okt_valtozas_bizalmas (szelet, fajta, hova, datum, letszam, lany, nincs_megadva,
                   sni, sni_lany, btmn, btmn_lany, hh, hh_lany, hhh, hhh_lany, kulfoldi, kulfoldi_lany,
                   egyeni, egyeni_lany, bejaro, bejaro_lany, kollegista, kollegista_lany)
            VALUES (:szelet, :f, :h, :nap, :d * BIN_AND(:m, 1), :d * BIN_AND(BIN_SHR(:m, 1), 1),
                    :d * BIN_AND(BIN_SHR(:m, 2), 1), :d * BIN_AND(BIN_SHR(:m, 3), 1),
                    :d * BIN_AND(BIN_SHR(:m, 4), 1), :d * BIN_AND(BIN_SHR(:m, 5), 1),
                    :d * BIN_AND(BIN_SHR(:m, 6), 1), :d * BIN_AND(BIN_SHR(:m, 7), 1),
                    :d * BIN_AND(BIN_SHR(:m, 8), 1), :d * BIN_AND(BIN_SHR(:m, 9), 1),
                    :d * BIN_AND(BIN_SHR(:m, 10), 1), :d * BIN_AND(BIN_SHR(:m, 11), 1),
                    :d * BIN_AND(BIN_SHR(:m, 12), 1), :d * BIN_AND(BIN_SHR(:m, 13), 1),
                    :d * BIN_AND(BIN_SHR(:m, 14), 1), :d * BIN_AND(BIN_SHR(:m, 15), 1),
                    :d * BIN_AND(BIN_SHR(:m, 16), 1), :d * BIN_AND(BIN_SHR(:m, 17), 1),
                    :d * BIN_AND(BIN_SHR(:m, 18), 1));
    END
END^

-- Every write to a student's records, whoever makes it: the student's part as it was comes
-- off before, as it is goes on after. The first runs last before the write and the second
-- first after it, so that what other triggers write meanwhile (the student's data rows
-- made or removed with the student) counts through their own triggers, once.
CREATE OR ALTER TRIGGER trg_diak_okt_elotte FOR table_diak
ACTIVE BEFORE INSERT OR UPDATE OR DELETE POSITION 32000
AS
BEGIN
    IF (UPDATING AND NEW.id = OLD.id AND NEW.osztaly_ID IS NOT DISTINCT FROM OLD.osztaly_ID) THEN EXIT;
    IF (NOT INSERTING) THEN EXECUTE PROCEDURE PRC_OKTOBERI_KIIR(OLD.id, -1);
    IF (NOT DELETING AND NEW.id IS DISTINCT FROM OLD.id) THEN EXECUTE PROCEDURE PRC_OKTOBERI_KIIR(NEW.id, -1);
END^

CREATE OR ALTER TRIGGER trg_diak_okt_utana FOR table_diak
ACTIVE AFTER INSERT OR UPDATE OR DELETE POSITION 1
AS
BEGIN
    IF (UPDATING AND NEW.id = OLD.id AND NEW.osztaly_ID IS NOT DISTINCT FROM OLD.osztaly_ID) THEN EXIT;
    IF (NOT INSERTING) THEN EXECUTE PROCEDURE PRC_OKTOBERI_KIIR(OLD.id, 1);
    IF (NOT DELETING AND NEW.id IS DISTINCT FROM OLD.id) THEN EXECUTE PROCEDURE PRC_OKTOBERI_KIIR(NEW.id, 1);
END^

CREATE OR ALTER TRIGGER trg_diak_archiv_okt_elotte FOR table_diak_archiv
ACTIVE BEFORE INSERT OR UPDATE OR DELETE POSITION 32000
AS
BEGIN
    IF (UPDATING AND NEW.id = OLD.id AND NEW.kilepes_datum IS NOT DISTINCT FROM OLD.kilepes_datum
        AND NEW.kilepes_ok IS NOT DISTINCT FROM OLD.kilepes_ok
        AND NEW.utolso_osztaly_szam IS NOT DISTINCT FROM OLD.utolso_osztaly_szam) THEN EXIT;
    IF (NOT INSERTING) THEN EXECUTE PROCEDURE PRC_OKTOBERI_KIIR(OLD.id, -1);
    IF (NOT DELETING AND NEW.id IS DISTINCT FROM OLD.id) THEN EXECUTE PROCEDURE PRC_OKTOBERI_KIIR(NEW.id, -1);
END^

CREATE OR ALTER TRIGGER trg_diak_archiv_okt_utana FOR table_diak_archiv
ACTIVE AFTER INSERT OR UPDATE OR DELETE POSITION 1
AS
BEGIN
    IF (UPDATING AND NEW.id = OLD.id AND NEW.kilepes_datum IS NOT DISTINCT FROM OLD.kilepes_datum
        AND NEW.kilepes_ok IS NOT DISTINCT FROM OLD.kilepes_ok
        AND NEW.utolso_osztaly_szam IS NOT DISTINCT FROM OLD.utolso_osztaly_szam) THEN EXIT;
    IF (NOT INSERTING) THEN EXECUTE PROCEDURE PRC_OKTOBERI_KIIR(OLD.id, 1);
    IF (NOT DELETING AND NEW.id IS DISTINCT FROM OLD.id) THEN EXECUTE PROCEDURE PRC_OKTOBERI_KIIR(NEW.id, 1);
END^

CREATE OR ALTER TRIGGER trg_diak_adat_okt_elotte FOR table_diak_adat
ACTIVE BEFORE INSERT OR UPDATE OR DELETE POSITION 32000
AS
BEGIN
    IF (UPDATING AND NEW.diak_id = OLD.diak_id AND NEW.nem IS NOT DISTINCT FROM OLD.nem
        AND NEW.jogviszony_kezdete IS NOT DISTINCT FROM OLD.jogviszony_kezdete
        AND NEW.allampolgarsag IS NOT DISTINCT FROM OLD.allampolgarsag
        AND NEW.egyeni_munkarend = OLD.egyeni_munkarend AND NEW.bejaro = OLD.bejaro
        AND NEW.kollegista = OLD.kollegista) THEN EXIT;
    IF (NOT INSERTING) THEN EXECUTE PROCEDURE PRC_OKTOBERI_KIIR(OLD.diak_id, -1);
    IF (NOT DELETING AND NEW.diak_id IS DISTINCT FROM OLD.diak_id) THEN
        EXECUTE PROCEDURE PRC_OKTOBERI_KIIR(NEW.diak_id, -1);
END^

CREATE OR ALTER TRIGGER trg_diak_adat_okt_utana FOR table_diak_adat
ACTIVE AFTER INSERT OR UPDATE OR DELETE POSITION 1
AS
BEGIN
    IF (UPDATING AND NEW.diak_id = OLD.diak_id AND NEW.nem IS NOT DISTINCT FROM OLD.nem
        AND NEW.jogviszony_kezdete IS NOT DISTINCT FROM OLD.jogviszony_kezdete
        AND NEW.allampolgarsag IS NOT DISTINCT FROM OLD.allampolgarsag
        AND NEW.egyeni_munkarend = OLD.egyeni_munkarend AND NEW.bejaro = OLD.bejaro
        AND NEW.kollegista = OLD.kollegista) THEN EXIT;
    IF (NOT INSERTING) THEN EXECUTE PROCEDURE PRC_OKTOBERI_KIIR(OLD.diak_id, 1);
    IF (NOT DELETING AND NEW.diak_id IS DISTINCT FROM OLD.diak_id) THEN
        EXECUTE PROCEDURE PRC_OKTOBERI_KIIR(NEW.diak_id, 1);
END^

CREATE OR ALTER TRIGGER trg_diak_bizalmas_okt_elotte FOR table_diak_bizalmas
ACTIVE BEFORE INSERT OR UPDATE OR DELETE POSITION 32000
AS
BEGIN
    IF (UPDATING AND NEW.diak_id = OLD.diak_id
        AND NEW.sni = OLD.sni AND NEW.sni_kelte IS NOT DISTINCT FROM OLD.sni_kelte
        AND NEW.sni_ervenyes IS NOT DISTINCT FROM OLD.sni_ervenyes
        AND NEW.btmn = OLD.btmn AND NEW.btmn_kelte IS NOT DISTINCT FROM OLD.btmn_kelte
        AND NEW.btmn_ervenyes IS NOT DISTINCT FROM OLD.btmn_ervenyes
        AND NEW.hh = OLD.hh AND NEW.hh_kelte IS NOT DISTINCT FROM OLD.hh_kelte
        AND NEW.hh_ervenyes IS NOT DISTINCT FROM OLD.hh_ervenyes
        AND NEW.hhh = OLD.hhh AND NEW.hhh_kelte IS NOT DISTINCT FROM OLD.hhh_kelte
        AND NEW.hhh_ervenyes IS NOT DISTINCT FROM OLD.hhh_ervenyes) THEN EXIT;
    IF (NOT INSERTING) THEN EXECUTE PROCEDURE PRC_OKTOBERI_KIIR(OLD.diak_id, -1);
    IF (NOT DELETING AND NEW.diak_id IS DISTINCT FROM OLD.diak_id) THEN
        EXECUTE PROCEDURE PRC_OKTOBERI_KIIR(NEW.diak_id, -1);
END^

CREATE OR ALTER TRIGGER trg_diak_bizalmas_okt_utana FOR table_diak_bizalmas
ACTIVE AFTER INSERT OR UPDATE OR DELETE POSITION 1
AS
BEGIN
    IF (UPDATING AND NEW.diak_id = OLD.diak_id
        AND NEW.sni = OLD.sni AND NEW.sni_kelte IS NOT DISTINCT FROM OLD.sni_kelte
        AND NEW.sni_ervenyes IS NOT DISTINCT FROM OLD.sni_ervenyes
        AND NEW.btmn = OLD.btmn AND NEW.btmn_kelte IS NOT DISTINCT FROM OLD.btmn_kelte
        AND NEW.btmn_ervenyes IS NOT DISTINCT FROM OLD.btmn_ervenyes
        AND NEW.hh = OLD.hh AND NEW.hh_kelte IS NOT DISTINCT FROM OLD.hh_kelte
        AND NEW.hh_ervenyes IS NOT DISTINCT FROM OLD.hh_ervenyes
        AND NEW.hhh = OLD.hhh AND NEW.hhh_kelte IS NOT DISTINCT FROM OLD.hhh_kelte
        AND NEW.hhh_ervenyes IS NOT DISTINCT FROM OLD.hhh_ervenyes) THEN EXIT;
    IF (NOT INSERTING) THEN EXECUTE PROCEDURE PRC_OKTOBERI_KIIR(OLD.diak_id, 1);
    IF (NOT DELETING AND NEW.diak_id IS DISTINCT FROM OLD.diak_id) THEN
        EXECUTE PROCEDURE PRC_OKTOBERI_KIIR(NEW.diak_id, 1);
END^

-- Moves the committed change rows into the day rows and, up to the base day, into the base,
-- each only if this fold deleted it: a row another transaction holds is not its to add.
-- The base day follows the program's school year (1 October of it), the base with it.
-- Folds when more than legalabb rows wait or the base day is behind; two folds at once meet
-- on the base day's row, where the later one fails at once (nowait) and its caller gives up.
CREATE OR ALTER PROCEDURE PRC_OKTOBERI_OSSZEVONAS (legalabb INTEGER = 0)
AS
    DECLARE uj DATE;
    DECLARE regi DATE;
    DECLARE tol DATE;
    DECLARE ig DATE;
    DECLARE e INTEGER;
    DECLARE s BIGINT; DECLARE f CHAR(1); DECLARE h INTEGER; DECLARE d DATE; DECLARE semmi SMALLINT;
    DECLARE c1 INTEGER; DECLARE c2 INTEGER; DECLARE c3 INTEGER; DECLARE c4 INTEGER; DECLARE c5 INTEGER;
    DECLARE c6 INTEGER; DECLARE c7 INTEGER; DECLARE c8 INTEGER; DECLARE c9 INTEGER; DECLARE c10 INTEGER;
    DECLARE c11 INTEGER; DECLARE c12 INTEGER; DECLARE c13 INTEGER; DECLARE c14 INTEGER; DECLARE c15 INTEGER;
    DECLARE c16 INTEGER; DECLARE c17 INTEGER; DECLARE c18 INTEGER; DECLARE c19 INTEGER;
BEGIN
    uj = CAST(FN_AKTUALIS_TANEV(CURRENT_DATE) || '-10-01' AS DATE);
    SELECT nap FROM table_okt_alapnap WHERE id = 0 INTO :regi;
    -- the upgrade fills the sums before there is anything to fold
    IF (regi IS NULL) THEN EXIT;
    IF (regi = uj AND (SELECT COUNT(*) FROM table_okt_valtozas_bizalmas) <= COALESCE(legalabb, 0)) THEN EXIT;
    UPDATE table_okt_alapnap SET nap = :uj, osszevonas = osszevonas + 1 WHERE id = 0
    RETURNING OLD.nap INTO :regi;
    IF (regi <> uj) THEN
    BEGIN
        e = IIF(uj > regi, 1, -1);
        tol = MINVALUE(regi, uj);
        ig = MAXVALUE(regi, uj);
        MERGE INTO table_okt_alap_bizalmas a
        USING (SELECT fajta, hova, SUM(letszam) letszam, SUM(lany) lany, SUM(nincs_megadva) nincs_megadva,
                      SUM(sni) sni, SUM(sni_lany) sni_lany, SUM(btmn) btmn, SUM(btmn_lany) btmn_lany,
                      SUM(hh) hh, SUM(hh_lany) hh_lany, SUM(hhh) hhh, SUM(hhh_lany) hhh_lany,
                      SUM(kulfoldi) kulfoldi, SUM(kulfoldi_lany) kulfoldi_lany, SUM(egyeni) egyeni,
                      SUM(egyeni_lany) egyeni_lany, SUM(bejaro) bejaro, SUM(bejaro_lany) bejaro_lany,
                      SUM(kollegista) kollegista, SUM(kollegista_lany) kollegista_lany
                 FROM table_okt_napi_bizalmas WHERE datum > :tol AND datum <= :ig
                GROUP BY fajta, hova) n
           ON a.fajta = n.fajta AND a.hova = n.hova
         WHEN MATCHED THEN UPDATE SET
              letszam = a.letszam + :e * n.letszam, lany = a.lany + :e * n.lany,
              nincs_megadva = a.nincs_megadva + :e * n.nincs_megadva,
              sni = a.sni + :e * n.sni, sni_lany = a.sni_lany + :e * n.sni_lany,
              btmn = a.btmn + :e * n.btmn, btmn_lany = a.btmn_lany + :e * n.btmn_lany,
              hh = a.hh + :e * n.hh, hh_lany = a.hh_lany + :e * n.hh_lany,
              hhh = a.hhh + :e * n.hhh, hhh_lany = a.hhh_lany + :e * n.hhh_lany,
              kulfoldi = a.kulfoldi + :e * n.kulfoldi, kulfoldi_lany = a.kulfoldi_lany + :e * n.kulfoldi_lany,
              egyeni = a.egyeni + :e * n.egyeni, egyeni_lany = a.egyeni_lany + :e * n.egyeni_lany,
              bejaro = a.bejaro + :e * n.bejaro, bejaro_lany = a.bejaro_lany + :e * n.bejaro_lany,
              kollegista = a.kollegista + :e * n.kollegista, kollegista_lany = a.kollegista_lany + :e * n.kollegista_lany
         WHEN NOT MATCHED THEN INSERT (fajta, hova, letszam, lany, nincs_megadva, sni, sni_lany, btmn, btmn_lany,
              hh, hh_lany, hhh, hhh_lany, kulfoldi, kulfoldi_lany, egyeni, egyeni_lany, bejaro, bejaro_lany,
              kollegista, kollegista_lany)
              VALUES (n.fajta, n.hova, :e * n.letszam, :e * n.lany, :e * n.nincs_megadva, :e * n.sni,
                      :e * n.sni_lany, :e * n.btmn, :e * n.btmn_lany, :e * n.hh, :e * n.hh_lany, :e * n.hhh,
                      :e * n.hhh_lany, :e * n.kulfoldi, :e * n.kulfoldi_lany, :e * n.egyeni, :e * n.egyeni_lany,
                      :e * n.bejaro, :e * n.bejaro_lany, :e * n.kollegista, :e * n.kollegista_lany);
    END
    FOR SELECT szelet, fajta, hova, datum, letszam, lany, nincs_megadva, sni, sni_lany, btmn, btmn_lany,
               hh, hh_lany, hhh, hhh_lany, kulfoldi, kulfoldi_lany, egyeni, egyeni_lany, bejaro, bejaro_lany,
               kollegista, kollegista_lany,
               IIF(letszam = 0 AND lany = 0 AND nincs_megadva = 0 AND sni = 0 AND sni_lany = 0 AND btmn = 0
                   AND btmn_lany = 0 AND hh = 0 AND hh_lany = 0 AND hhh = 0 AND hhh_lany = 0 AND kulfoldi = 0
                   AND kulfoldi_lany = 0 AND egyeni = 0 AND egyeni_lany = 0 AND bejaro = 0 AND bejaro_lany = 0
                   AND kollegista = 0 AND kollegista_lany = 0, 1, 0)
          FROM table_okt_valtozas_bizalmas
          INTO :s, :f, :h, :d, :c1, :c2, :c3, :c4, :c5, :c6, :c7, :c8, :c9, :c10, :c11, :c12, :c13, :c14, :c15,
               :c16, :c17, :c18, :c19, :semmi DO
    BEGIN
        DELETE FROM table_okt_valtozas_bizalmas WHERE szelet = :s AND fajta = :f AND hova = :h AND datum = :d;
        IF (ROW_COUNT > 0 AND semmi = 0) THEN
        BEGIN
            UPDATE table_okt_napi_bizalmas SET
                   letszam = letszam + :c1, lany = lany + :c2, nincs_megadva = nincs_megadva + :c3,
                   sni = sni + :c4, sni_lany = sni_lany + :c5, btmn = btmn + :c6, btmn_lany = btmn_lany + :c7,
                   hh = hh + :c8, hh_lany = hh_lany + :c9, hhh = hhh + :c10, hhh_lany = hhh_lany + :c11,
                   kulfoldi = kulfoldi + :c12, kulfoldi_lany = kulfoldi_lany + :c13,
                   egyeni = egyeni + :c14, egyeni_lany = egyeni_lany + :c15,
                   bejaro = bejaro + :c16, bejaro_lany = bejaro_lany + :c17,
                   kollegista = kollegista + :c18, kollegista_lany = kollegista_lany + :c19
             WHERE fajta = :f AND hova = :h AND datum = :d;
            IF (ROW_COUNT = 0) THEN
                INSERT INTO table_okt_napi_bizalmas (fajta, hova, datum, letszam, lany, nincs_megadva,
                       sni, sni_lany, btmn, btmn_lany, hh, hh_lany, hhh, hhh_lany, kulfoldi, kulfoldi_lany,
                       egyeni, egyeni_lany, bejaro, bejaro_lany, kollegista, kollegista_lany)
                VALUES (:f, :h, :d, :c1, :c2, :c3, :c4, :c5, :c6, :c7, :c8, :c9, :c10, :c11, :c12, :c13, :c14,
                        :c15, :c16, :c17, :c18, :c19);
            IF (d <= uj) THEN
            BEGIN
                UPDATE table_okt_alap_bizalmas SET
                       letszam = letszam + :c1, lany = lany + :c2, nincs_megadva = nincs_megadva + :c3,
                       sni = sni + :c4, sni_lany = sni_lany + :c5, btmn = btmn + :c6, btmn_lany = btmn_lany + :c7,
                       hh = hh + :c8, hh_lany = hh_lany + :c9, hhh = hhh + :c10, hhh_lany = hhh_lany + :c11,
                       kulfoldi = kulfoldi + :c12, kulfoldi_lany = kulfoldi_lany + :c13,
                       egyeni = egyeni + :c14, egyeni_lany = egyeni_lany + :c15,
                       bejaro = bejaro + :c16, bejaro_lany = bejaro_lany + :c17,
                       kollegista = kollegista + :c18, kollegista_lany = kollegista_lany + :c19
                 WHERE fajta = :f AND hova = :h;
                IF (ROW_COUNT = 0) THEN
                    INSERT INTO table_okt_alap_bizalmas (fajta, hova, letszam, lany, nincs_megadva,
                           sni, sni_lany, btmn, btmn_lany, hh, hh_lany, hhh, hhh_lany, kulfoldi, kulfoldi_lany,
                           egyeni, egyeni_lany, bejaro, bejaro_lany, kollegista, kollegista_lany)
                    VALUES (:f, :h, :c1, :c2, :c3, :c4, :c5, :c6, :c7, :c8, :c9, :c10, :c11, :c12, :c13, :c14,
                            :c15, :c16, :c17, :c18, :c19);
            END
        END
        WHEN GDSCODE lock_conflict, GDSCODE update_conflict, GDSCODE deadlock DO
        BEGIN
            -- held or taken by another transaction: not this fold's to add
        END
    END
    -- what cancelled out goes
    DELETE FROM table_okt_napi_bizalmas
     WHERE letszam = 0 AND lany = 0 AND nincs_megadva = 0 AND sni = 0 AND sni_lany = 0 AND btmn = 0
       AND btmn_lany = 0 AND hh = 0 AND hh_lany = 0 AND hhh = 0 AND hhh_lany = 0 AND kulfoldi = 0
       AND kulfoldi_lany = 0 AND egyeni = 0 AND egyeni_lany = 0 AND bejaro = 0 AND bejaro_lany = 0
       AND kollegista = 0 AND kollegista_lany = 0;
    DELETE FROM table_okt_alap_bizalmas
     WHERE letszam = 0 AND lany = 0 AND nincs_megadva = 0 AND sni = 0 AND sni_lany = 0 AND btmn = 0
       AND btmn_lany = 0 AND hh = 0 AND hh_lany = 0 AND hhh = 0 AND hhh_lany = 0 AND kulfoldi = 0
       AND kulfoldi_lany = 0 AND egyeni = 0 AND egyeni_lany = 0 AND bejaro = 0 AND bejaro_lany = 0
       AND kollegista = 0 AND kollegista_lany = 0;
END^

-- The school as of a day (the statistics of 1 October): per grade the students and the
-- girls, each status, foreign citizens, individual schedule, commuters and boarders with
-- their girls; then the leavers of the year before the day by reason. As of means as of:
-- a student who left after the day counts, one enrolled after it does not; the grade is the
-- class history's on that day; a status counts when decided on or before the day and still
-- holding then. A student with no sex recorded is never a boy: counted apart.
-- The sums come from the kept counts; only the students moved to another grade since the
-- day are read one by one, and only when the history says so.
CREATE OR ALTER PROCEDURE PRC_OKTOBERI_STATISZTIKA (nap DATE)
RETURNS (
    sor VARCHAR(80), letszam INTEGER, lany INTEGER, nincs_megadva INTEGER,
    sni INTEGER, sni_lany INTEGER, btmn INTEGER, btmn_lany INTEGER,
    hh INTEGER, hh_lany INTEGER, hhh INTEGER, hhh_lany INTEGER,
    kulfoldi INTEGER, kulfoldi_lany INTEGER, egyeni INTEGER, egyeni_lany INTEGER,
    bejaro INTEGER, bejaro_lany INTEGER, kollegista INTEGER, kollegista_lany INTEGER)
AS
    DECLARE evfolyam INTEGER;
    DECLARE rend INTEGER;
    DECLARE ok SMALLINT;
    DECLARE veg TIMESTAMP;
    DECLARE id INTEGER;
    DECLARE akkor INTEGER;
    DECLARE alapnap DATE;
    DECLARE jel BIGINT;
    DECLARE ujra INTEGER = 0;
BEGIN
    IF (nap IS NULL) THEN
        EXCEPTION ex_korvana '\A statisztika napja nem lehet üres!\';
    -- The sums up to the day: the base day's, plus or minus the days between, plus what no
    -- fold has moved yet. A fold that commits meanwhile moves rows between them: read again.
    WHILE (1 = 1) DO
    BEGIN
        DELETE FROM tmp_oktoberi_bizalmas;
        alapnap = NULL;
        jel = NULL;
        SELECT nap, osszevonas FROM table_okt_alapnap WHERE id = 0 INTO :alapnap, :jel;
        IF (alapnap IS NULL) THEN
            INSERT INTO tmp_oktoberi_bizalmas
            SELECT fajta, hova, letszam, lany, nincs_megadva, sni, sni_lany, btmn, btmn_lany, hh, hh_lany, hhh,
                   hhh_lany, kulfoldi, kulfoldi_lany, egyeni, egyeni_lany, bejaro, bejaro_lany, kollegista,
                   kollegista_lany
              FROM table_okt_napi_bizalmas WHERE datum <= :nap;
        ELSE
        BEGIN
            INSERT INTO tmp_oktoberi_bizalmas
            SELECT fajta, hova, letszam, lany, nincs_megadva, sni, sni_lany, btmn, btmn_lany, hh, hh_lany, hhh,
                   hhh_lany, kulfoldi, kulfoldi_lany, egyeni, egyeni_lany, bejaro, bejaro_lany, kollegista,
                   kollegista_lany
              FROM table_okt_alap_bizalmas;
            IF (nap > alapnap) THEN
                INSERT INTO tmp_oktoberi_bizalmas
                SELECT fajta, hova, letszam, lany, nincs_megadva, sni, sni_lany, btmn, btmn_lany, hh, hh_lany,
                       hhh, hhh_lany, kulfoldi, kulfoldi_lany, egyeni, egyeni_lany, bejaro, bejaro_lany, kollegista,
                       kollegista_lany
                  FROM table_okt_napi_bizalmas WHERE datum > :alapnap AND datum <= :nap;
            ELSE IF (nap < alapnap) THEN
                INSERT INTO tmp_oktoberi_bizalmas
                SELECT fajta, hova, -letszam, -lany, -nincs_megadva, -sni, -sni_lany, -btmn, -btmn_lany, -hh,
                       -hh_lany, -hhh, -hhh_lany, -kulfoldi, -kulfoldi_lany, -egyeni, -egyeni_lany, -bejaro,
                       -bejaro_lany, -kollegista, -kollegista_lany
                  FROM table_okt_napi_bizalmas WHERE datum > :nap AND datum <= :alapnap;
        END
        INSERT INTO tmp_oktoberi_bizalmas
        SELECT fajta, hova, letszam, lany, nincs_megadva, sni, sni_lany, btmn, btmn_lany, hh, hh_lany, hhh,
               hhh_lany, kulfoldi, kulfoldi_lany, egyeni, egyeni_lany, bejaro, bejaro_lany, kollegista,
               kollegista_lany
          FROM table_okt_valtozas_bizalmas WHERE datum <= :nap;
        IF (ujra >= 3 OR (SELECT osszevonas FROM table_okt_alapnap WHERE id = 0) IS NOT DISTINCT FROM jel) THEN
            LEAVE;
        ujra = ujra + 1;
    END
    -- A student's grade is the one now unless the class history moved the student since the
    -- day: the last row before the day, else the first (enrolled before the history began).
    -- Such a student's part as of the day goes from the grade now to that one.
    veg = DATEADD(1 DAY TO CAST(nap AS TIMESTAMP));
    FOR SELECT DISTINCT t.diak_id FROM table_osztaly_tortenet t
        WHERE IIF(t.esemeny IN ('beiratkozás', 'nyilvántartásban', 'kilépés', 'végzett'), NULL, t.mikor) >= :veg
        INTO :id DO
    BEGIN
        akkor = COALESCE(
            (SELECT FIRST 1 t.osztaly_szam FROM table_osztaly_tortenet t
              WHERE t.diak_id = :id AND t.mikor < :veg ORDER BY t.diak_id DESC, t.mikor DESC),
            (SELECT FIRST 1 t.osztaly_szam FROM table_osztaly_tortenet t WHERE t.diak_id = :id ORDER BY t.diak_id, t.mikor));
        INSERT INTO tmp_oktoberi_bizalmas
        SELECT 'T', IIF(z.y = 1, e.hova, -COALESCE(:akkor, 0)),
               z.s * e.letszam, z.s * e.lany, z.s * e.nincs_megadva, z.s * e.sni, z.s * e.sni_lany, z.s * e.btmn,
               z.s * e.btmn_lany, z.s * e.hh, z.s * e.hh_lany, z.s * e.hhh, z.s * e.hhh_lany, z.s * e.kulfoldi,
               z.s * e.kulfoldi_lany, z.s * e.egyeni, z.s * e.egyeni_lany, z.s * e.bejaro, z.s * e.bejaro_lany,
               z.s * e.kollegista, z.s * e.kollegista_lany
          FROM PRC_OKTOBERI_TANULO(:id) e
         CROSS JOIN (SELECT 1 y, -1 s FROM rdb$database UNION ALL SELECT 2, 1 FROM rdb$database) z
         WHERE e.fajta = 'T' AND e.datum <= :nap
           AND IIF(e.hova > 0, (SELECT o.osztaly_szam FROM table_osztaly o WHERE o.id = e.hova), NULLIF(-e.hova, 0))
               IS DISTINCT FROM :akkor;
    END
    FOR SELECT g, MIN(IIF(g IS NULL, 1, 0)), SUM(letszam), SUM(lany), SUM(nincs_megadva), SUM(sni), SUM(sni_lany),
               SUM(btmn), SUM(btmn_lany), SUM(hh), SUM(hh_lany), SUM(hhh), SUM(hhh_lany), SUM(kulfoldi),
               SUM(kulfoldi_lany), SUM(egyeni), SUM(egyeni_lany), SUM(bejaro), SUM(bejaro_lany), SUM(kollegista),
               SUM(kollegista_lany)
        FROM (SELECT IIF(t.hova > 0, o.osztaly_szam, NULLIF(-t.hova, 0)) g, t.*
                FROM tmp_oktoberi_bizalmas t LEFT JOIN table_osztaly o ON o.id = t.hova
               WHERE t.fajta = 'T')
        GROUP BY g
        HAVING SUM(letszam) > 0
        ORDER BY 2, 1
        INTO :evfolyam, :rend, :letszam, :lany, :nincs_megadva, :sni, :sni_lany, :btmn, :btmn_lany, :hh, :hh_lany,
             :hhh, :hhh_lany, :kulfoldi, :kulfoldi_lany, :egyeni, :egyeni_lany, :bejaro, :bejaro_lany,
             :kollegista, :kollegista_lany DO
    BEGIN
        sor = IIF(evfolyam IS NULL, 'osztály nélkül', evfolyam || '. évfolyam');
        SUSPEND;
    END
    -- the leavers since the same day a year before, by reason
    sni = NULL; sni_lany = NULL; btmn = NULL; btmn_lany = NULL; hh = NULL; hh_lany = NULL; hhh = NULL;
    hhh_lany = NULL; kulfoldi = NULL; kulfoldi_lany = NULL; egyeni = NULL; egyeni_lany = NULL;
    bejaro = NULL; bejaro_lany = NULL; kollegista = NULL; kollegista_lany = NULL;
    FOR SELECT hova, SUM(letszam), SUM(lany), SUM(nincs_megadva) FROM tmp_oktoberi_bizalmas
        WHERE fajta = 'K'
        GROUP BY hova HAVING SUM(letszam) > 0 ORDER BY hova
        INTO :ok, :letszam, :lany, :nincs_megadva DO
    BEGIN
        sor = 'kilépett: ' || FN_KILEPES_OKA(ok);
        SUSPEND;
    END
END^

SET TERM ;^
COMMIT;

-- The counts, once: every student in one snapshot, less the change rows that snapshot
-- already sees, since those count through their own rows (the triggers are on from here).
SET TRANSACTION SNAPSHOT;
SET TERM ^;
EXECUTE BLOCK AS
    DECLARE nap DATE;
BEGIN
    IF (EXISTS (SELECT 1 FROM table_okt_alapnap)) THEN EXIT;
    nap = CAST(FN_AKTUALIS_TANEV(CURRENT_DATE) || '-10-01' AS DATE);
    INSERT INTO table_okt_napi_bizalmas (fajta, hova, datum, letszam, lany, nincs_megadva, sni, sni_lany,
           btmn, btmn_lany, hh, hh_lany, hhh, hhh_lany, kulfoldi, kulfoldi_lany, egyeni, egyeni_lany, bejaro,
           bejaro_lany, kollegista, kollegista_lany)
    SELECT fajta, hova, datum, SUM(letszam), SUM(lany), SUM(nincs_megadva), SUM(sni), SUM(sni_lany), SUM(btmn),
           SUM(btmn_lany), SUM(hh), SUM(hh_lany), SUM(hhh), SUM(hhh_lany), SUM(kulfoldi), SUM(kulfoldi_lany),
           SUM(egyeni), SUM(egyeni_lany), SUM(bejaro), SUM(bejaro_lany), SUM(kollegista), SUM(kollegista_lany)
      FROM (SELECT e.fajta, e.hova, e.datum, e.letszam, e.lany, e.nincs_megadva, e.sni, e.sni_lany, e.btmn,
                   e.btmn_lany, e.hh, e.hh_lany, e.hhh, e.hhh_lany, e.kulfoldi, e.kulfoldi_lany, e.egyeni,
                   e.egyeni_lany, e.bejaro, e.bejaro_lany, e.kollegista, e.kollegista_lany
              FROM (SELECT id FROM table_diak UNION SELECT id FROM table_diak_archiv) x
              LEFT JOIN PRC_OKTOBERI_TANULO(x.id) e ON 1 = 1
             WHERE e.fajta IS NOT NULL
            UNION ALL
            SELECT fajta, hova, datum, -letszam, -lany, -nincs_megadva, -sni, -sni_lany, -btmn, -btmn_lany, -hh,
                   -hh_lany, -hhh, -hhh_lany, -kulfoldi, -kulfoldi_lany, -egyeni, -egyeni_lany, -bejaro,
                   -bejaro_lany, -kollegista, -kollegista_lany
              FROM table_okt_valtozas_bizalmas) v
     GROUP BY fajta, hova, datum
    HAVING SUM(ABS(letszam) + ABS(lany) + ABS(nincs_megadva) + ABS(sni) + ABS(sni_lany) + ABS(btmn)
               + ABS(btmn_lany) + ABS(hh) + ABS(hh_lany) + ABS(hhh) + ABS(hhh_lany) + ABS(kulfoldi)
               + ABS(kulfoldi_lany) + ABS(egyeni) + ABS(egyeni_lany) + ABS(bejaro) + ABS(bejaro_lany)
               + ABS(kollegista) + ABS(kollegista_lany)) > 0;
    INSERT INTO table_okt_alap_bizalmas (fajta, hova, letszam, lany, nincs_megadva, sni, sni_lany, btmn,
           btmn_lany, hh, hh_lany, hhh, hhh_lany, kulfoldi, kulfoldi_lany, egyeni, egyeni_lany, bejaro,
           bejaro_lany, kollegista, kollegista_lany)
    SELECT fajta, hova, SUM(letszam), SUM(lany), SUM(nincs_megadva), SUM(sni), SUM(sni_lany), SUM(btmn),
           SUM(btmn_lany), SUM(hh), SUM(hh_lany), SUM(hhh), SUM(hhh_lany), SUM(kulfoldi), SUM(kulfoldi_lany),
           SUM(egyeni), SUM(egyeni_lany), SUM(bejaro), SUM(bejaro_lany), SUM(kollegista), SUM(kollegista_lany)
      FROM table_okt_napi_bizalmas WHERE datum <= :nap
     GROUP BY fajta, hova;
    INSERT INTO table_okt_alapnap (id, nap) VALUES (0, :nap);
END^
SET TERM ;^
COMMIT;
