SET NAMES UTF8;
-- The three roles of personal accounts and what each may do, granted by the database
-- itself: the grants are the real limit, whatever program or tool a person uses.
--   KORVANA_VEZETO  head of office
--   KORVANA_IRODA   office
--   KORVANA_OLVASO  read only
-- What each gets is the allow-list below, table_jogosultsag, one row an object: every
-- table and every procedure and function is named there, with its class and what each
-- role gets. An object the list does not name stops the upgrade, so nothing new falls to
-- a default. Runs after every other script; safe to run again: what a role holds beyond
-- its row is revoked, whoever granted it, and what it lacks is granted.
--
-- Tables (vezető, iroda, olvasó: W reads and writes, R reads, - nothing):
--   program    written by the program under the roles that have W
--   adatbázis  written only by the database's own triggers and routines: no role writes
-- Routines (X may call, - may not):
--   program    called by the program
--   adatbázis  called only by other routines
-- No role gets a sequence or an exception: ids come from triggers and routines, which
-- get what they refer to through their own grants (the last part of this script).

SET TERM ^;
EXECUTE BLOCK AS
BEGIN
    IF (NOT EXISTS (SELECT 1 FROM rdb$roles WHERE rdb$role_name = 'KORVANA_VEZETO')) THEN
        EXECUTE STATEMENT 'CREATE ROLE KORVANA_VEZETO';
    IF (NOT EXISTS (SELECT 1 FROM rdb$roles WHERE rdb$role_name = 'KORVANA_IRODA')) THEN
        EXECUTE STATEMENT 'CREATE ROLE KORVANA_IRODA';
    IF (NOT EXISTS (SELECT 1 FROM rdb$roles WHERE rdb$role_name = 'KORVANA_OLVASO')) THEN
        EXECUTE STATEMENT 'CREATE ROLE KORVANA_OLVASO';
    IF (NOT EXISTS (SELECT 1 FROM rdb$relations WHERE rdb$relation_name = 'TABLE_JOGOSULTSAG')) THEN
        EXECUTE STATEMENT '
        CREATE TABLE table_jogosultsag (
            nev      VARCHAR(63) NOT NULL,
            fajta    VARCHAR(10) NOT NULL,
            osztaly  VARCHAR(10) NOT NULL,
            vezeto   CHAR(1) NOT NULL,
            iroda    CHAR(1) NOT NULL,
            olvaso   CHAR(1) NOT NULL,
            CONSTRAINT pk_jogosultsag PRIMARY KEY (nev),
            CONSTRAINT ck_jogosultsag CHECK (
                (fajta = ''tábla'' AND vezeto IN (''W'', ''R'', ''-'') AND iroda IN (''W'', ''R'', ''-'')
                 AND olvaso IN (''R'', ''-'')
                 AND (osztaly = ''program'' OR (osztaly = ''adatbázis'' AND vezeto <> ''W''
                      AND iroda <> ''W'')))
             OR (fajta = ''rutin'' AND vezeto IN (''X'', ''-'') AND iroda IN (''X'', ''-'')
                 AND olvaso IN (''X'', ''-'')
                 AND (osztaly = ''program'' OR (osztaly = ''adatbázis'' AND vezeto = ''-'' AND iroda = ''-''
                      AND olvaso = ''-'')))))';
END^
SET TERM ;^
COMMIT;

DELETE FROM table_jogosultsag;
--                                                   class         vezető iroda olvasó
-- the students and what the office keeps of them
INSERT INTO table_jogosultsag VALUES ('TABLE_DIAK',                  'tábla', 'program',   'W', 'W', 'R');
INSERT INTO table_jogosultsag VALUES ('TABLE_DIAK_ADAT',             'tábla', 'program',   'W', 'W', 'R');
-- the statuses: read and written through PRC_JOGALLAS and PRC_JOGALLAS_IRASA only
INSERT INTO table_jogosultsag VALUES ('TABLE_DIAK_BIZALMAS',         'tábla', 'adatbázis', '-', '-', '-');
INSERT INTO table_jogosultsag VALUES ('TABLE_DIAK_ARCHIV',           'tábla', 'adatbázis', 'R', 'R', 'R');
INSERT INTO table_jogosultsag VALUES ('TABLE_OSZTALY_TORTENET',      'tábla', 'adatbázis', 'R', 'R', 'R');
-- the reference lists and the assignments
INSERT INTO table_jogosultsag VALUES ('TABLE_TANAR',                 'tábla', 'program',   'W', 'W', 'R');
INSERT INTO table_jogosultsag VALUES ('TABLE_TARGY',                 'tábla', 'program',   'W', 'W', 'R');
INSERT INTO table_jogosultsag VALUES ('TABLE_OSZTALY',               'tábla', 'program',   'W', 'W', 'R');
INSERT INTO table_jogosultsag VALUES ('TABLE_NYELV',                 'tábla', 'program',   'W', 'W', 'R');
INSERT INTO table_jogosultsag VALUES ('TABLE_TANAR_TARGY',           'tábla', 'program',   'W', 'W', 'R');
INSERT INTO table_jogosultsag VALUES ('TABLE_OSZTALY_TARGY',         'tábla', 'program',   'W', 'W', 'R');
-- the import's remembered columns and its lock
INSERT INTO table_jogosultsag VALUES ('TABLE_BEOLVASAS_OSZLOP',      'tábla', 'program',   'W', 'W', '-');
INSERT INTO table_jogosultsag VALUES ('TABLE_BEOLVASAS_ZAR',         'tábla', 'program',   'W', 'W', '-');
-- the school's data, the accounts' names and the move's settings: the head's
INSERT INTO table_jogosultsag VALUES ('TABLE_ISKOLA',                'tábla', 'program',   'W', 'R', 'R');
INSERT INTO table_jogosultsag VALUES ('TABLE_FIOK',                  'tábla', 'program',   'W', 'R', 'R');
INSERT INTO table_jogosultsag VALUES ('TABLE_TANEVVALTAS_BEALLITAS',  'tábla', 'program',   'W', 'R', 'R');
INSERT INTO table_jogosultsag VALUES ('TABLE_TV_JELOLES',            'tábla', 'program',   'W', 'R', 'R');
-- written by the database alone: the accounts' mark (by the administrator's script)
INSERT INTO table_jogosultsag VALUES ('TABLE_FIOK_JEL',              'tábla', 'adatbázis', 'R', 'R', 'R');
-- the change log
INSERT INTO table_jogosultsag VALUES ('TABLE_NAPLO',                 'tábla', 'adatbázis', 'R', 'R', 'R');
INSERT INTO table_jogosultsag VALUES ('TABLE_NAPLO_MEZO',            'tábla', 'adatbázis', 'R', 'R', 'R');
INSERT INTO table_jogosultsag VALUES ('TABLE_NAPLO_ESEMENY',         'tábla', 'adatbázis', 'R', 'R', 'R');
INSERT INTO table_jogosultsag VALUES ('TABLE_NAPLO_FUGGO',           'tábla', 'adatbázis', 'R', 'R', 'R');
INSERT INTO table_jogosultsag VALUES ('TABLE_NAPLO_NYITOTT',         'tábla', 'adatbázis', 'R', 'R', 'R');
INSERT INTO table_jogosultsag VALUES ('TABLE_NAPLO_BIZALMAS',        'tábla', 'adatbázis', 'R', 'R', '-');
-- who read whose statuses: the head's to see
INSERT INTO table_jogosultsag VALUES ('TABLE_JOGALLAS_OLVASAS',      'tábla', 'adatbázis', 'R', '-', '-');
INSERT INTO table_jogosultsag VALUES ('TABLE_VALTOZAS_JEL',          'tábla', 'adatbázis', 'R', 'R', 'R');
-- the register of documents
INSERT INTO table_jogosultsag VALUES ('TABLE_KIADOTT_DOKUMENTUM',    'tábla', 'adatbázis', 'R', 'R', 'R');
INSERT INTO table_jogosultsag VALUES ('TABLE_DOKUMENTUM_SZAMLALO',   'tábla', 'adatbázis', 'R', 'R', 'R');
INSERT INTO table_jogosultsag VALUES ('TABLE_DOKUMENTUM_ERVENYTELEN', 'tábla', 'adatbázis', 'R', 'R', 'R');
INSERT INTO table_jogosultsag VALUES ('TABLE_KI_TETTE',              'tábla', 'adatbázis', 'R', 'R', 'R');
-- the year-end move's record and what it keeps to undo itself
INSERT INTO table_jogosultsag VALUES ('TABLE_TANEVVALTAS',           'tábla', 'adatbázis', 'R', 'R', 'R');
INSERT INTO table_jogosultsag VALUES ('TABLE_TV_DIAK',               'tábla', 'adatbázis', 'R', 'R', '-');
INSERT INTO table_jogosultsag VALUES ('TABLE_TV_NEV',                'tábla', 'adatbázis', 'R', 'R', '-');
INSERT INTO table_jogosultsag VALUES ('TABLE_TV_OSZTALY',            'tábla', 'adatbázis', 'R', 'R', '-');
INSERT INTO table_jogosultsag VALUES ('TABLE_TV_OSZTALY_TARGY',      'tábla', 'adatbázis', 'R', 'R', '-');
INSERT INTO table_jogosultsag VALUES ('TABLE_TV_JELOLES_MENTES',     'tábla', 'adatbázis', 'R', 'R', '-');
-- the backup record, the applied upgrades, this list, what the database is and since when
INSERT INTO table_jogosultsag VALUES ('TABLE_MENTES',                'tábla', 'adatbázis', 'R', 'R', 'R');
INSERT INTO table_jogosultsag VALUES ('TABLE_FRISSITES',             'tábla', 'adatbázis', 'R', 'R', 'R');
INSERT INTO table_jogosultsag VALUES ('TABLE_JOGOSULTSAG',           'tábla', 'adatbázis', 'R', 'R', 'R');
INSERT INTO table_jogosultsag VALUES ('TABLE_ADATBAZIS',             'tábla', 'adatbázis', 'R', 'R', 'R');
-- the kept counts: the headcount, the October statistics'
INSERT INTO table_jogosultsag VALUES ('TABLE_LETSZAM_VALTOZAS',      'tábla', 'adatbázis', 'R', 'R', 'R');
INSERT INTO table_jogosultsag VALUES ('TABLE_OKT_ALAPNAP',           'tábla', 'adatbázis', 'R', 'R', '-');
INSERT INTO table_jogosultsag VALUES ('TABLE_OKT_ALAP_BIZALMAS',     'tábla', 'adatbázis', 'R', 'R', '-');
INSERT INTO table_jogosultsag VALUES ('TABLE_OKT_NAPI_BIZALMAS',     'tábla', 'adatbázis', 'R', 'R', '-');
INSERT INTO table_jogosultsag VALUES ('TABLE_OKT_VALTOZAS_BIZALMAS', 'tábla', 'adatbázis', 'R', 'R', '-');
-- the leavers' data kept for the school's periods: the periods are the head's, the
-- record hers to read, the marks on cleared leavers everyone's who reads the archive
INSERT INTO table_jogosultsag VALUES ('TABLE_ADATMEGORZES',          'tábla', 'program',   'W', 'R', '-');
INSERT INTO table_jogosultsag VALUES ('TABLE_ADATMEGORZES_TORLES',   'tábla', 'adatbázis', 'R', '-', '-');
INSERT INTO table_jogosultsag VALUES ('TABLE_ADATMEGORZES_TANULO',   'tábla', 'adatbázis', 'R', 'R', 'R');
-- the routines' own working tables
INSERT INTO table_jogosultsag VALUES ('TMP_ADATMEGORZES',            'tábla', 'adatbázis', '-', '-', '-');
INSERT INTO table_jogosultsag VALUES ('TMP_NAPLO_ESEMENY',           'tábla', 'adatbázis', '-', '-', '-');
INSERT INTO table_jogosultsag VALUES ('TMP_OKTOBERI_BIZALMAS',       'tábla', 'adatbázis', '-', '-', '-');
INSERT INTO table_jogosultsag VALUES ('TMP_OKTOBERI_OSZTALY',        'tábla', 'adatbázis', '-', '-', '-');
INSERT INTO table_jogosultsag VALUES ('TMP_SAJAT_MUNKA',             'tábla', 'adatbázis', '-', '-', '-');

-- the folds every copy runs at start and on events: they change no one's data
INSERT INTO table_jogosultsag VALUES ('PRC_LETSZAM_OSSZEVONAS',      'rutin', 'program',   'X', 'X', 'X');
INSERT INTO table_jogosultsag VALUES ('PRC_NAPLO_OSSZEVONAS',        'rutin', 'program',   'X', 'X', 'X');
INSERT INTO table_jogosultsag VALUES ('PRC_OKTOBERI_OSSZEVONAS',     'rutin', 'program',   'X', 'X', 'X');
-- read by every role
INSERT INTO table_jogosultsag VALUES ('PRC_TANEVVALTAS_ALLAPOT',     'rutin', 'program',   'X', 'X', 'X');
INSERT INTO table_jogosultsag VALUES ('PRC_TANULOK_OSZTALYONKENT',   'rutin', 'program',   'X', 'X', 'X');
INSERT INTO table_jogosultsag VALUES ('FN_KILEPES_OKA',              'rutin', 'program',   'X', 'X', 'X');
INSERT INTO table_jogosultsag VALUES ('FN_NAPLO_MEZO_NEVE',          'rutin', 'program',   'X', 'X', 'X');
INSERT INTO table_jogosultsag VALUES ('FN_AKTUALIS_TANEV',           'rutin', 'program',   'X', 'X', 'X');
INSERT INTO table_jogosultsag VALUES ('FN_ADATAI_TOROLVE',           'rutin', 'program',   'X', 'X', 'X');
INSERT INTO table_jogosultsag VALUES ('FN_ADATMEGORZES_NEVE',        'rutin', 'program',   'X', 'X', 'X');
-- the October statistics: their figures of two days could tell one student's status
INSERT INTO table_jogosultsag VALUES ('PRC_OKTOBERI_STATISZTIKA',    'rutin', 'program',   'X', 'X', '-');
-- the office's work
INSERT INTO table_jogosultsag VALUES ('PRC_KILEPES',                 'rutin', 'program',   'X', 'X', '-');
INSERT INTO table_jogosultsag VALUES ('PRC_JOGALLAS',                'rutin', 'program',   'X', 'X', '-');
INSERT INTO table_jogosultsag VALUES ('PRC_JOGALLAS_IRASA',          'rutin', 'program',   'X', 'X', '-');
INSERT INTO table_jogosultsag VALUES ('PRC_JOGALLAS_OLVASASAI',      'rutin', 'program',   'X', 'X', '-');
INSERT INTO table_jogosultsag VALUES ('PRC_HOZZAFERESI_KERELEM',     'rutin', 'program',   'X', 'X', '-');
INSERT INTO table_jogosultsag VALUES ('PRC_VISSZAVETEL',             'rutin', 'program',   'X', 'X', '-');
INSERT INTO table_jogosultsag VALUES ('PRC_BEOLVASAS_ESEMENY',       'rutin', 'program',   'X', 'X', '-');
INSERT INTO table_jogosultsag VALUES ('PRC_DOKUMENTUM_IKTATASA',     'rutin', 'program',   'X', 'X', '-');
INSERT INTO table_jogosultsag VALUES ('PRC_DOKUMENTUM_ERVENYTELENITESE', 'rutin', 'program', 'X', 'X', '-');
INSERT INTO table_jogosultsag VALUES ('PRC_OSZTALY_FELVETELE',       'rutin', 'program',   'X', 'X', '-');
INSERT INTO table_jogosultsag VALUES ('PRC_OSZTALY_TORLESE',         'rutin', 'program',   'X', 'X', '-');
INSERT INTO table_jogosultsag VALUES ('PRC_TANAR_FELVETEL',          'rutin', 'program',   'X', 'X', '-');
INSERT INTO table_jogosultsag VALUES ('PRC_TANAR_ELTAVOLITAS',       'rutin', 'program',   'X', 'X', '-');
INSERT INTO table_jogosultsag VALUES ('PRC_TARGY_FELVETELE',         'rutin', 'program',   'X', 'X', '-');
INSERT INTO table_jogosultsag VALUES ('PRC_TARGY_TORLESE_TARGYAK_KOZUL', 'rutin', 'program', 'X', 'X', '-');
INSERT INTO table_jogosultsag VALUES ('PRC_TARGY_HOZZAADASA_TANARHOZ', 'rutin', 'program',  'X', 'X', '-');
INSERT INTO table_jogosultsag VALUES ('PRC_TARGY_ELVETELE_TANARTOL', 'rutin', 'program',   'X', 'X', '-');
INSERT INTO table_jogosultsag VALUES ('PRC_TARGY_HOZZAADASA_OSZTALYHOZ', 'rutin', 'program', 'X', 'X', '-');
INSERT INTO table_jogosultsag VALUES ('PRC_TARGY_TORLESE_OSZTALYTOL', 'rutin', 'program',  'X', 'X', '-');
-- the year-end move: the head's
INSERT INTO table_jogosultsag VALUES ('PRC_TANEVVALTAS',             'rutin', 'program',   'X', '-', '-');
INSERT INTO table_jogosultsag VALUES ('PRC_TANEVVALTAS_VISSZAVONASA', 'rutin', 'program',  'X', '-', '-');
-- clearing the leavers' data after the school's periods: the head's
INSERT INTO table_jogosultsag VALUES ('PRC_ADATMEGORZES',            'rutin', 'program',   'X', '-', '-');
-- called only by other routines
INSERT INTO table_jogosultsag VALUES ('PRC_TANEVVALTAS_AKADALYOK',   'rutin', 'adatbázis', '-', '-', '-');
INSERT INTO table_jogosultsag VALUES ('PRC_NAPLO_ESEMENY',           'rutin', 'adatbázis', '-', '-', '-');
INSERT INTO table_jogosultsag VALUES ('PRC_NAPLO_ESEMENYE',          'rutin', 'adatbázis', '-', '-', '-');
INSERT INTO table_jogosultsag VALUES ('PRC_NAPLO_ESEMENY_KESZ',      'rutin', 'adatbázis', '-', '-', '-');
INSERT INTO table_jogosultsag VALUES ('PRC_NAPLO_KILEPES',           'rutin', 'adatbázis', '-', '-', '-');
INSERT INTO table_jogosultsag VALUES ('PRC_OKTOBERI_ESEMENYEK',      'rutin', 'adatbázis', '-', '-', '-');
INSERT INTO table_jogosultsag VALUES ('PRC_OKTOBERI_KIIR',           'rutin', 'adatbázis', '-', '-', '-');
INSERT INTO table_jogosultsag VALUES ('PRC_OKTOBERI_TANULO',         'rutin', 'adatbázis', '-', '-', '-');
INSERT INTO table_jogosultsag VALUES ('PRC_SAJAT_JEL',               'rutin', 'adatbázis', '-', '-', '-');
INSERT INTO table_jogosultsag VALUES ('FN_SAJAT_JEL',                'rutin', 'adatbázis', '-', '-', '-');
INSERT INTO table_jogosultsag VALUES ('FN_MUNKAALLOMAS',             'rutin', 'adatbázis', '-', '-', '-');
INSERT INTO table_jogosultsag VALUES ('FN_NAPLO_LISTA_UNIO',         'rutin', 'adatbázis', '-', '-', '-');
INSERT INTO table_jogosultsag VALUES ('FN_NAPLO_MEZOK_NEVE',         'rutin', 'adatbázis', '-', '-', '-');
INSERT INTO table_jogosultsag VALUES ('FN_NAPLO_MEZO_BIT',           'rutin', 'adatbázis', '-', '-', '-');
INSERT INTO table_jogosultsag VALUES ('FN_NAPLO_MEZO_BITEK',         'rutin', 'adatbázis', '-', '-', '-');
INSERT INTO table_jogosultsag VALUES ('FN_NAPLO_OSZTALY',            'rutin', 'adatbázis', '-', '-', '-');
INSERT INTO table_jogosultsag VALUES ('FN_NAPLO_OSZTALYNAK',         'rutin', 'adatbázis', '-', '-', '-');
INSERT INTO table_jogosultsag VALUES ('FN_OSZTALY_NEVE',             'rutin', 'adatbázis', '-', '-', '-');
COMMIT;

SET TERM ^;
EXECUTE BLOCK AS
    DECLARE t VARCHAR(63);
    DECLARE r VARCHAR(63);
    DECLARE g VARCHAR(63);
    DECLARE p CHAR(1);
    DECLARE k SMALLINT;
    DECLARE rk SMALLINT;
    DECLARE jog CHAR(1);
    DECLARE what VARCHAR(60);
    DECLARE hianyzik VARCHAR(2000);
BEGIN
    -- every table, procedure and function of the school's is on the list
    SELECT LIST(TRIM(x.nev), ', ') FROM (
        SELECT rdb$relation_name nev FROM rdb$relations WHERE COALESCE(rdb$system_flag, 0) = 0
        UNION ALL SELECT rdb$procedure_name FROM rdb$procedures
            WHERE COALESCE(rdb$system_flag, 0) = 0 AND rdb$package_name IS NULL
        UNION ALL SELECT rdb$function_name FROM rdb$functions
            WHERE COALESCE(rdb$system_flag, 0) = 0 AND rdb$package_name IS NULL) x
     WHERE NOT EXISTS (SELECT 1 FROM table_jogosultsag j WHERE j.nev = x.nev)
      INTO :hianyzik;
    IF (hianyzik IS NOT NULL) THEN
        EXCEPTION ex_korvana '\A jogosultságok listája nem nevezi meg: ' || LEFT(hianyzik, 900) || '\';

    -- what a role holds beyond its row goes, whoever granted it
    FOR SELECT TRIM(p.rdb$user), TRIM(p.rdb$relation_name), p.rdb$privilege, p.rdb$object_type,
               TRIM(p.rdb$grantor)
          FROM rdb$user_privileges p
         WHERE p.rdb$user IN ('KORVANA_VEZETO', 'KORVANA_IRODA', 'KORVANA_OLVASO') AND p.rdb$user_type = 13
           AND p.rdb$privilege <> 'M'
          INTO :r, :t, :p, :k, :g DO
    BEGIN
        jog = NULL;
        SELECT DECODE(:r, 'KORVANA_VEZETO', vezeto, 'KORVANA_IRODA', iroda, olvaso) FROM table_jogosultsag
         WHERE nev = :t AND fajta = IIF(:k = 0, 'tábla', 'rutin') INTO :jog;
        IF (NOT ((k = 0 AND (jog = 'W' AND p IN ('S', 'I', 'U', 'D') OR jog = 'R' AND p = 'S'))
                 OR (k IN (5, 15) AND jog = 'X' AND p = 'X'))) THEN
            EXECUTE STATEMENT 'REVOKE ' ||
                DECODE(p, 'S', 'SELECT', 'I', 'INSERT', 'U', 'UPDATE', 'D', 'DELETE', 'R', 'REFERENCES',
                       'X', 'EXECUTE', 'G', 'USAGE', 'A', 'ALL') || ' ON ' ||
                DECODE(k, 0, '', 5, 'PROCEDURE ', 15, 'FUNCTION ', 14, 'SEQUENCE ', 7, 'EXCEPTION ', '') ||
                '"' || t || '" FROM ROLE ' || r || ' GRANTED BY "' || g || '"';
    END

    -- and what it lacks is granted
    FOR SELECT TRIM(j.nev), r.nev, DECODE(r.nev, 'KORVANA_VEZETO', j.vezeto, 'KORVANA_IRODA', j.iroda, j.olvaso),
               IIF(j.fajta = 'rutin', IIF(EXISTS (SELECT 1 FROM rdb$functions f WHERE f.rdb$function_name = j.nev),
                                          'EXECUTE ON FUNCTION ', 'EXECUTE ON PROCEDURE '), '')
          FROM table_jogosultsag j
         CROSS JOIN (SELECT CAST('KORVANA_VEZETO' AS VARCHAR(63)) nev FROM rdb$database
                     UNION ALL SELECT 'KORVANA_IRODA' FROM rdb$database
                     UNION ALL SELECT 'KORVANA_OLVASO' FROM rdb$database) r
          INTO :t, :r, :jog, :what DO
    BEGIN
        IF (jog IN ('W', 'R') AND NOT EXISTS (SELECT 1 FROM rdb$user_privileges WHERE rdb$user = :r
                AND rdb$user_type = 13 AND rdb$relation_name = :t AND rdb$privilege = 'S')) THEN
            EXECUTE STATEMENT 'GRANT SELECT ON ' || t || ' TO ROLE ' || r;
        IF (jog = 'W' AND (SELECT COUNT(*) FROM rdb$user_privileges WHERE rdb$user = :r AND rdb$user_type = 13
                AND rdb$relation_name = :t AND rdb$privilege IN ('I', 'U', 'D')) < 3) THEN
            EXECUTE STATEMENT 'GRANT INSERT, UPDATE, DELETE ON ' || t || ' TO ROLE ' || r;
        IF (jog = 'X' AND NOT EXISTS (SELECT 1 FROM rdb$user_privileges WHERE rdb$user = :r
                AND rdb$user_type = 13 AND rdb$relation_name = :t AND rdb$privilege = 'X')) THEN
            EXECUTE STATEMENT 'GRANT ' || what || t || ' TO ROLE ' || r;
    END

    -- Each trigger, procedure and function: what it refers to (Firebird 3 checks their own
    -- rights), as the database's own dependencies list it.
    FOR SELECT DISTINCT TRIM(d.rdb$dependent_name), d.rdb$dependent_type, TRIM(d.rdb$depended_on_name),
               d.rdb$depended_on_type
        FROM rdb$dependencies d
        WHERE d.rdb$dependent_type IN (2, 5, 15) AND d.rdb$depended_on_type IN (0, 5, 7, 14, 15)
          AND (d.rdb$dependent_type <> 2 OR EXISTS (SELECT 1 FROM rdb$triggers g
               WHERE g.rdb$trigger_name = d.rdb$dependent_name AND COALESCE(g.rdb$system_flag, 0) = 0))
          AND NOT EXISTS (SELECT 1 FROM rdb$relations x WHERE d.rdb$depended_on_type = 0
               AND x.rdb$relation_name = d.rdb$depended_on_name AND COALESCE(x.rdb$system_flag, 0) <> 0)
          AND NOT EXISTS (SELECT 1 FROM rdb$generators x WHERE d.rdb$depended_on_type = 14
               AND x.rdb$generator_name = d.rdb$depended_on_name AND COALESCE(x.rdb$system_flag, 0) <> 0)
          AND NOT EXISTS (SELECT 1 FROM rdb$user_privileges p WHERE p.rdb$user = d.rdb$dependent_name
               AND p.rdb$user_type = d.rdb$dependent_type AND p.rdb$relation_name = d.rdb$depended_on_name)
        INTO :r, :rk, :t, :k DO
        EXECUTE STATEMENT 'GRANT ' ||
            DECODE(k, 0, 'ALL ON ', 5, 'EXECUTE ON PROCEDURE ', 7, 'USAGE ON EXCEPTION ', 14, 'USAGE ON SEQUENCE ',
                   'EXECUTE ON FUNCTION ') || t || ' TO ' || DECODE(rk, 2, 'TRIGGER ', 5, 'PROCEDURE ', 'FUNCTION ') || r;
END^
SET TERM ;^
COMMIT;
