SET NAMES UTF8;
-- The change log read as events: one line for each thing the office did, with a summary a
-- person understands, opening to its students and their fields. An event is one writing
-- transaction: a single student's registration, change, leaving, re-admission or deletion,
-- or the whole of the year-end move, its undo, an import, or a script changing many
-- students at once. The writers stay as they were (the trigger's pending row costs one
-- page): the fold makes the events. An operation that wants its own name (the move, the
-- import) says so in its transaction through PRC_NAPLO_ESEMENY. Safe to run again.

SET TERM ^;
EXECUTE BLOCK AS
BEGIN
    IF (NOT EXISTS (SELECT 1 FROM rdb$generators WHERE rdb$generator_name = 'GEN_NAPLO_ESEMENY')) THEN
        EXECUTE STATEMENT 'CREATE SEQUENCE gen_naplo_esemeny';
    -- mezok and muveletek are lists framed by commas (",nev,diak_tel,"), so a field is
    -- found with POSITION(',nev,' IN ...) and never inside another's name
    IF (NOT EXISTS (SELECT 1 FROM rdb$relations WHERE rdb$relation_name = 'TABLE_NAPLO_ESEMENY')) THEN
        EXECUTE STATEMENT '
        CREATE TABLE table_naplo_esemeny (
            id               BIGINT NOT NULL,
            mikor            TIMESTAMP NOT NULL,
            fajta            VARCHAR(30) NOT NULL,
            diak_id          INTEGER,
            diak_nev         VARCHAR(100),
            tanulok          INTEGER DEFAULT 0 NOT NULL,
            muveletek        VARCHAR(100),
            mezok            VARCHAR(1000),
            osszegzes        VARCHAR(500),
            tanevvaltas_id   INTEGER,
            tranzakcio       BIGINT,
            kliens_cim       VARCHAR(255),
            kliens_gep       VARCHAR(255),
            kliens_folyamat  VARCHAR(255),
            felhasznalo      VARCHAR(63),
            CONSTRAINT pk_naplo_esemeny PRIMARY KEY (id)
        )';
    -- the window lists a period in order without sorting it
    IF (NOT EXISTS (SELECT 1 FROM rdb$indices WHERE rdb$index_name = 'IX_NAPLO_ESEMENY_MIKOR')) THEN
        EXECUTE STATEMENT 'CREATE INDEX ix_naplo_esemeny_mikor ON table_naplo_esemeny (mikor, id)';
    IF (NOT EXISTS (SELECT 1 FROM rdb$relation_fields
                     WHERE rdb$relation_name = 'TABLE_NAPLO' AND rdb$field_name = 'ESEMENY_ID')) THEN
        EXECUTE STATEMENT 'ALTER TABLE table_naplo ADD esemeny_id BIGINT';
    -- an event's rows in order, and the rows no event has yet (esemeny_id null)
    IF (NOT EXISTS (SELECT 1 FROM rdb$indices WHERE rdb$index_name = 'IX_NAPLO_ESEMENY')) THEN
        EXECUTE STATEMENT 'CREATE INDEX ix_naplo_esemeny ON table_naplo (esemeny_id, id)';
    -- The events operations named for their own transaction, until a fold has seen the
    -- transaction whole: then the entry goes, so a transaction number used again after a
    -- restore never finds an old event.
    IF (NOT EXISTS (SELECT 1 FROM rdb$relations WHERE rdb$relation_name = 'TABLE_NAPLO_NYITOTT')) THEN
        EXECUTE STATEMENT '
        CREATE TABLE table_naplo_nyitott (
            tranzakcio  BIGINT NOT NULL,
            esemeny_id  BIGINT NOT NULL,
            CONSTRAINT pk_naplo_nyitott PRIMARY KEY (tranzakcio)
        )';
    -- one fold's events: which transaction each belongs to, and the fields met so far
    IF (NOT EXISTS (SELECT 1 FROM rdb$relations WHERE rdb$relation_name = 'TMP_NAPLO_ESEMENY')) THEN
        EXECUTE STATEMENT '
        CREATE GLOBAL TEMPORARY TABLE tmp_naplo_esemeny (
            esemeny_id  BIGINT NOT NULL,
            tranzakcio  BIGINT,
            mezok       VARCHAR(1000),
            CONSTRAINT pk_tmp_naplo_esemeny PRIMARY KEY (esemeny_id)
        ) ON COMMIT DELETE ROWS';
    IF (NOT EXISTS (SELECT 1 FROM rdb$indices WHERE rdb$index_name = 'IX_TMP_NAPLO_ESEMENY_TR')) THEN
        EXECUTE STATEMENT 'CREATE INDEX ix_tmp_naplo_esemeny_tr ON tmp_naplo_esemeny (tranzakcio)';
END^
SET TERM ;^
COMMIT;

SET TERM ^;

-- A field's name as the office says it.
CREATE OR ALTER FUNCTION FN_NAPLO_MEZO_NEVE (mezo VARCHAR(31)) RETURNS VARCHAR(60)
AS
BEGIN
    RETURN TRIM(DECODE(mezo, 'nev', 'Név', 'diak_cim', 'Lakcím', 'diak_cim_varos', 'Város',
        'szul_hely', 'Születési hely', 'szul_ido', 'Születési idő', 'sz_szam', 'Személyi ig.',
        'diak_tel', 'Telefon', 'anyja_nev', 'Anyja neve', 'gondviselo_nev', 'Gondviselő neve',
        'gondviselo_cim', 'Gondviselő címe', 'gondviselo_tel', 'Gondviselő tel.', 'diak_taj', 'TAJ szám',
        'diak_OM', 'OM azonosító', 'diak_diak', 'Diákigazolvány', 'osztaly_ID', 'Osztály',
        'mj', 'Megjegyzés', 'tanult_nyelv_ID', 'Tanult nyelv', 'evfolyam', 'Tanév',
        'kilepes_datum', 'Kilépés dátuma', 'kilepes_ok', 'Kilépés oka',
        'kilepes_megjegyzes', 'Megjegyzés a kilépéshez', 'fogado_iskola', 'Fogadó iskola',
        'nem', 'Neme', 'iranyitoszam', 'Irányítószám', 'allampolgarsag', 'Állampolgárság',
        'jogviszony_kezdete', 'Jogviszony kezdete', 'egyeni_munkarend', 'Egyéni munkarend',
        'bejaro', 'Bejáró', 'kollegista', 'Kollégista', 'gondviselo_irsz', 'Gondviselő irsz.',
        'gondviselo_email', 'Gondviselő e-mail',
        'sni', 'SNI', 'sni_kelte', 'SNI határozat kelte', 'sni_ervenyes', 'SNI érvényes',
        'sni_hosszabb', 'SNI: hosszabb tankötelezettség', 'btmn', 'BTMN', 'btmn_kelte', 'BTMN határozat kelte',
        'btmn_ervenyes', 'BTMN érvényes', 'hh', 'HH', 'hh_kelte', 'HH határozat kelte', 'hh_ervenyes', 'HH érvényes',
        'hhh', 'HHH', 'hhh_kelte', 'HHH határozat kelte', 'hhh_ervenyes', 'HHH érvényes', mezo));
END^

-- ",a,b," with what ",b,c," adds: ",a,b,c,".
CREATE OR ALTER FUNCTION FN_NAPLO_LISTA_UNIO (a VARCHAR(1000), b VARCHAR(1000)) RETURNS VARCHAR(1000)
AS
    DECLARE i INTEGER;
    DECLARE elem VARCHAR(100);
BEGIN
    a = COALESCE(a, ',');
    b = SUBSTRING(COALESCE(b, '') FROM 2);
    WHILE (POSITION(',' IN b) > 0) DO
    BEGIN
        i = POSITION(',' IN b);
        elem = LEFT(b, i - 1);
        b = SUBSTRING(b FROM i + 1);
        IF (elem <> '' AND POSITION(',' || elem || ',' IN a) = 0 AND CHAR_LENGTH(a) + CHAR_LENGTH(elem) < 1000) THEN
            a = a || elem || ',';
    END
    RETURN a;
END^

-- The fields a fold met, one bit each, kept as a number while it reads a transaction's
-- rows; a field with no bit (0) is listed by its name.
CREATE OR ALTER FUNCTION FN_NAPLO_MEZO_BIT (mezo VARCHAR(31)) RETURNS BIGINT
AS
BEGIN
    RETURN DECODE(mezo, 'nev', 1, 'diak_cim', 2, 'diak_cim_varos', 4, 'szul_hely', 8, 'szul_ido', 16, 'sz_szam', 32, 'diak_tel', 64, 'anyja_nev', 128, 'gondviselo_nev', 256, 'gondviselo_cim', 512, 'gondviselo_tel', 1024, 'diak_taj', 2048, 'diak_OM', 4096, 'diak_diak', 8192, 'osztaly_ID', 16384, 'tanult_nyelv_ID', 32768, 'evfolyam', 65536, 'mj', 131072, 'kilepes_datum', 262144, 'kilepes_ok', 524288, 'kilepes_megjegyzes', 1048576, 'fogado_iskola', 2097152, 'nem', 4194304, 'iranyitoszam', 8388608, 'allampolgarsag', 16777216, 'jogviszony_kezdete', 33554432, 'egyeni_munkarend', 67108864, 'bejaro', 134217728, 'kollegista', 268435456, 'gondviselo_irsz', 536870912, 'gondviselo_email', 1073741824, 0);
END^

-- The bits as a list: 3 is ",nev,diak_cim,".
CREATE OR ALTER FUNCTION FN_NAPLO_MEZO_BITEK (bitek BIGINT) RETURNS VARCHAR(1000)
AS
    DECLARE mezok VARCHAR(1000) = ',';
BEGIN
    IF (BIN_AND(bitek, 1) > 0) THEN mezok = mezok || 'nev,';
    IF (BIN_AND(bitek, 2) > 0) THEN mezok = mezok || 'diak_cim,';
    IF (BIN_AND(bitek, 4) > 0) THEN mezok = mezok || 'diak_cim_varos,';
    IF (BIN_AND(bitek, 8) > 0) THEN mezok = mezok || 'szul_hely,';
    IF (BIN_AND(bitek, 16) > 0) THEN mezok = mezok || 'szul_ido,';
    IF (BIN_AND(bitek, 32) > 0) THEN mezok = mezok || 'sz_szam,';
    IF (BIN_AND(bitek, 64) > 0) THEN mezok = mezok || 'diak_tel,';
    IF (BIN_AND(bitek, 128) > 0) THEN mezok = mezok || 'anyja_nev,';
    IF (BIN_AND(bitek, 256) > 0) THEN mezok = mezok || 'gondviselo_nev,';
    IF (BIN_AND(bitek, 512) > 0) THEN mezok = mezok || 'gondviselo_cim,';
    IF (BIN_AND(bitek, 1024) > 0) THEN mezok = mezok || 'gondviselo_tel,';
    IF (BIN_AND(bitek, 2048) > 0) THEN mezok = mezok || 'diak_taj,';
    IF (BIN_AND(bitek, 4096) > 0) THEN mezok = mezok || 'diak_OM,';
    IF (BIN_AND(bitek, 8192) > 0) THEN mezok = mezok || 'diak_diak,';
    IF (BIN_AND(bitek, 16384) > 0) THEN mezok = mezok || 'osztaly_ID,';
    IF (BIN_AND(bitek, 32768) > 0) THEN mezok = mezok || 'tanult_nyelv_ID,';
    IF (BIN_AND(bitek, 65536) > 0) THEN mezok = mezok || 'evfolyam,';
    IF (BIN_AND(bitek, 131072) > 0) THEN mezok = mezok || 'mj,';
    IF (BIN_AND(bitek, 262144) > 0) THEN mezok = mezok || 'kilepes_datum,';
    IF (BIN_AND(bitek, 524288) > 0) THEN mezok = mezok || 'kilepes_ok,';
    IF (BIN_AND(bitek, 1048576) > 0) THEN mezok = mezok || 'kilepes_megjegyzes,';
    IF (BIN_AND(bitek, 2097152) > 0) THEN mezok = mezok || 'fogado_iskola,';
    IF (BIN_AND(bitek, 4194304) > 0) THEN mezok = mezok || 'nem,';
    IF (BIN_AND(bitek, 8388608) > 0) THEN mezok = mezok || 'iranyitoszam,';
    IF (BIN_AND(bitek, 16777216) > 0) THEN mezok = mezok || 'allampolgarsag,';
    IF (BIN_AND(bitek, 33554432) > 0) THEN mezok = mezok || 'jogviszony_kezdete,';
    IF (BIN_AND(bitek, 67108864) > 0) THEN mezok = mezok || 'egyeni_munkarend,';
    IF (BIN_AND(bitek, 134217728) > 0) THEN mezok = mezok || 'bejaro,';
    IF (BIN_AND(bitek, 268435456) > 0) THEN mezok = mezok || 'kollegista,';
    IF (BIN_AND(bitek, 536870912) > 0) THEN mezok = mezok || 'gondviselo_irsz,';
    IF (BIN_AND(bitek, 1073741824) > 0) THEN mezok = mezok || 'gondviselo_email,';
    RETURN mezok;
END^

-- ",diak_tel,diak_cim," as "Telefon, Lakcím".
CREATE OR ALTER FUNCTION FN_NAPLO_MEZOK_NEVE (mezok VARCHAR(1000)) RETURNS VARCHAR(1000)
AS
    DECLARE i INTEGER;
    DECLARE nevek VARCHAR(1000) = '';
BEGIN
    mezok = SUBSTRING(COALESCE(mezok, '') FROM 2);
    WHILE (POSITION(',' IN mezok) > 0) DO
    BEGIN
        i = POSITION(',' IN mezok);
        IF (i > 1 AND CHAR_LENGTH(nevek) < 900) THEN
        BEGIN
            IF (nevek <> '') THEN nevek = nevek || ', ';
            nevek = nevek || FN_NAPLO_MEZO_NEVE(LEFT(mezok, i - 1));
        END
        mezok = SUBSTRING(mezok FROM i + 1);
    END
    RETURN nevek;
END^

-- "a" or "az" before a class's name as read aloud: az 1.a, az 5.b, a 10.c.
CREATE OR ALTER FUNCTION FN_NAPLO_OSZTALYNAK (osztaly VARCHAR(150)) RETURNS VARCHAR(160)
AS
BEGIN
    RETURN TRIM(IIF(osztaly STARTING WITH '1.' OR osztaly STARTING WITH '5.', 'az', 'a')) || ' ' || osztaly;
END^

-- An operation names the event of its own transaction: what it writes of the students is
-- that one event, whatever it is made of. Said twice, the first name stays.
CREATE OR ALTER PROCEDURE PRC_NAPLO_ESEMENY (
    fajta           VARCHAR(30),
    tanevvaltas_id  INTEGER = NULL)
RETURNS (esemeny_id BIGINT)
AS
BEGIN
    SELECT esemeny_id FROM table_naplo_nyitott WHERE tranzakcio = CURRENT_TRANSACTION INTO :esemeny_id;
    IF (esemeny_id IS NOT NULL) THEN EXIT;
    esemeny_id = NEXT VALUE FOR gen_naplo_esemeny;
    INSERT INTO table_naplo_esemeny (id, mikor, fajta, tanevvaltas_id, tranzakcio, kliens_cim, kliens_gep,
                                     kliens_folyamat, felhasznalo)
    VALUES (:esemeny_id, CURRENT_TIMESTAMP, :fajta, :tanevvaltas_id, CURRENT_TRANSACTION,
            RDB$GET_CONTEXT('SYSTEM', 'CLIENT_ADDRESS'), RDB$GET_CONTEXT('SYSTEM', 'CLIENT_HOST'),
            RDB$GET_CONTEXT('SYSTEM', 'CLIENT_PROCESS'), CURRENT_USER);
    INSERT INTO table_naplo_nyitott (tranzakcio, esemeny_id) VALUES (CURRENT_TRANSACTION, :esemeny_id);
END^

-- The event a log row of transaction `tranzakcio` belongs to in this fold: the one its
-- transaction named, else the one this fold made for the transaction, else a new one.
CREATE OR ALTER PROCEDURE PRC_NAPLO_ESEMENYE (
    tranzakcio       BIGINT,
    mikor            TIMESTAMP,
    muvelet          VARCHAR(12),
    diak_id          INTEGER,
    diak_nev         VARCHAR(100),
    kliens_cim       VARCHAR(255),
    kliens_gep       VARCHAR(255),
    kliens_folyamat  VARCHAR(255),
    felhasznalo      VARCHAR(63))
RETURNS (esemeny_id BIGINT)
AS
BEGIN
    IF (tranzakcio IS NOT NULL) THEN
    BEGIN
        SELECT FIRST 1 esemeny_id FROM tmp_naplo_esemeny WHERE tranzakcio = :tranzakcio INTO :esemeny_id;
        IF (esemeny_id IS NOT NULL) THEN EXIT;
        SELECT esemeny_id FROM table_naplo_nyitott WHERE tranzakcio = :tranzakcio INTO :esemeny_id;
    END
    IF (esemeny_id IS NULL) THEN
    BEGIN
        esemeny_id = NEXT VALUE FOR gen_naplo_esemeny;
        INSERT INTO table_naplo_esemeny (id, mikor, fajta, diak_id, diak_nev, tanulok, tranzakcio, kliens_cim,
                                         kliens_gep, kliens_folyamat, felhasznalo)
        VALUES (:esemeny_id, :mikor, :muvelet, :diak_id, :diak_nev, 1, :tranzakcio, :kliens_cim, :kliens_gep,
                :kliens_folyamat, :felhasznalo);
    END
    INSERT INTO tmp_naplo_esemeny (esemeny_id, tranzakcio, mezok) VALUES (:esemeny_id, :tranzakcio, ',');
END^

-- An event's line: how many students, which operations and fields, and the summary.
CREATE OR ALTER PROCEDURE PRC_NAPLO_ESEMENY_KESZ (esemeny_id BIGINT)
AS
    DECLARE fajta VARCHAR(30);
    DECLARE mezok VARCHAR(1000);
    DECLARE uj_mezok VARCHAR(1000);
    DECLARE muveletek VARCHAR(100);
    DECLARE tanulok INTEGER;
    DECLARE diak_id INTEGER;
    DECLARE nev VARCHAR(100);
    DECLARE mikor TIMESTAMP;
    DECLARE tv INTEGER;
    DECLARE tanev INTEGER;
    DECLARE tovabb INTEGER;
    DECLARE ismetel INTEGER;
    DECLARE kilepett INTEGER;
    DECLARE vegzett INTEGER;
    DECLARE regi_osztaly VARCHAR(150);
    DECLARE uj_osztaly VARCHAR(150);
    DECLARE datum VARCHAR(150);
    DECLARE ok VARCHAR(150);
    DECLARE uj_tanev VARCHAR(150);
    DECLARE szoveg VARCHAR(500);
BEGIN
    SELECT fajta, mezok, tanevvaltas_id FROM table_naplo_esemeny WHERE id = :esemeny_id INTO :fajta, :mezok, :tv;
    IF (fajta IS NULL) THEN EXIT;
    SELECT mezok FROM tmp_naplo_esemeny WHERE esemeny_id = :esemeny_id INTO :uj_mezok;
    mezok = FN_NAPLO_LISTA_UNIO(mezok, uj_mezok);
    SELECT COUNT(DISTINCT diak_id), MIN(diak_id), MIN(mikor), ',' || LIST(DISTINCT TRIM(muvelet)) || ','
      FROM table_naplo WHERE esemeny_id = :esemeny_id
      INTO :tanulok, :diak_id, :mikor, :muveletek;
    -- an import is what it stores: whatever else its transaction did is told as it is
    IF (fajta = 'beolvasás' AND muveletek IS DISTINCT FROM ',felvétel,') THEN fajta = 'vegyes';
    -- what the fold made itself is named by what it holds; an operation keeps its own name
    IF (fajta IN ('felvétel', 'módosítás', 'törlés', 'kilépés', 'visszavétel', 'vegyes')) THEN
        fajta = TRIM(IIF(POSITION(',' IN SUBSTRING(muveletek FROM 2)) = CHAR_LENGTH(muveletek) - 1,
                         SUBSTRING(muveletek FROM 2 FOR CHAR_LENGTH(muveletek) - 2),
                         IIF(tanulok > 1, 'vegyes',
                         IIF(POSITION(',kilépés,' IN muveletek) > 0, 'kilépés',
                         IIF(POSITION(',visszavétel,' IN muveletek) > 0, 'visszavétel',
                         IIF(POSITION(',felvétel,' IN muveletek) > 0, 'felvétel',
                         IIF(POSITION(',törlés,' IN muveletek) > 0, 'törlés', 'módosítás')))))));
    IF (tanulok = 1) THEN
    BEGIN
        SELECT FIRST 1 COALESCE(diak_nev, diak_id) FROM table_naplo WHERE esemeny_id = :esemeny_id
         ORDER BY esemeny_id DESC, id DESC INTO :nev;
        SELECT MAX(IIF(m.mezo = 'osztaly_ID', m.regi, NULL)), MAX(IIF(m.mezo = 'osztaly_ID', m.uj, NULL)),
               MAX(IIF(m.mezo = 'kilepes_datum', m.uj, NULL)), MAX(IIF(m.mezo = 'kilepes_ok', m.uj, NULL)),
               MAX(IIF(m.mezo = 'evfolyam', m.uj, NULL))
          FROM table_naplo n JOIN table_naplo_mezo m ON m.naplo_id = n.id
         WHERE n.esemeny_id = :esemeny_id AND m.mezo IN ('osztaly_ID', 'kilepes_datum', 'kilepes_ok', 'evfolyam')
          INTO :regi_osztaly, :uj_osztaly, :datum, :ok, :uj_tanev;
        IF (CHAR_LENGTH(datum) = 10) THEN datum = REPLACE(datum, '-', '.') || '.';
    END
    ELSE
        diak_id = NULL;
    IF (fajta = 'tanévváltás') THEN
    BEGIN
        SELECT uj_tanev, tovabblepett, ismetel FROM table_tanevvaltas WHERE id = :tv INTO :tanev, :tovabb, :ismetel;
        -- from its own rows, which stay as they were whatever becomes of the archive
        SELECT COUNT(*), COUNT(m.naplo_id) FROM table_naplo n
          LEFT JOIN table_naplo_mezo m ON m.naplo_id = n.id AND m.mezo = 'kilepes_ok' AND m.uj = 'végzett'
         WHERE n.esemeny_id = :esemeny_id AND n.muvelet = 'kilépés'
          INTO :kilepett, :vegzett;
        szoveg = 'Tanévváltás ' || tanev || '/' || (tanev + 1) || ': ' || COALESCE(tovabb, 0) ||
                 ' tanuló lépett feljebb, ' || vegzett || ' végzett' ||
                 IIF(COALESCE(ismetel, 0) > 0, ', ' || ismetel || ' évet ismétel', '') ||
                 IIF(COALESCE(kilepett, 0) > vegzett, ', ' || (kilepett - vegzett) || ' kilépett', '');
        tanulok = COALESCE(tovabb, 0) + COALESCE(ismetel, 0) + COALESCE(kilepett, 0);
    END
    ELSE IF (fajta = 'tanévváltás visszavonása') THEN
    BEGIN
        SELECT uj_tanev FROM table_tanevvaltas WHERE id = :tv INTO :tanev;
        szoveg = 'Tanévváltás visszavonása (' || tanev || '/' || (tanev + 1) || '): ' || tanulok ||
                 ' tanuló visszaállítva';
    END
    ELSE IF (fajta = 'beolvasás') THEN
        szoveg = 'Beolvasás: ' || tanulok || ' tanuló felvéve';
    ELSE IF (tanulok > 1) THEN
        szoveg = DECODE(fajta,
            'felvétel', 'Felvétel: ' || tanulok || ' tanuló',
            'törlés', 'Törlés: ' || tanulok || ' tanuló',
            'kilépés', 'Kilépés: ' || tanulok || ' tanuló',
            'visszavétel', 'Visszavétel: ' || tanulok || ' tanuló',
            'módosítás', IIF(mezok = ',osztaly_ID,', 'Osztályváltás: ' || tanulok || ' tanuló',
                            'Módosítás: ' || tanulok || ' tanuló – ' || FN_NAPLO_MEZOK_NEVE(mezok)),
            'Több művelet: ' || tanulok || ' tanuló (' ||
                REPLACE(SUBSTRING(muveletek FROM 2 FOR CHAR_LENGTH(muveletek) - 2), ',', ', ') || ')');
    ELSE
        szoveg = DECODE(fajta,
            'felvétel', 'Felvétel: ' || nev || COALESCE(', ' || FN_NAPLO_OSZTALYNAK(uj_osztaly) || ' osztályba', ''),
            'törlés', 'Törlés: ' || nev || COALESCE(', ' || FN_NAPLO_OSZTALYNAK(regi_osztaly) || ' osztályból', ''),
            'kilépés', 'Kilépés: ' || nev || COALESCE(', ' || FN_NAPLO_OSZTALYNAK(regi_osztaly) || ' osztályból', '') ||
                       COALESCE(' – ' || datum, '') || COALESCE(', ' || ok, ''),
            'visszavétel', 'Visszavétel: ' || nev ||
                       COALESCE(', ' || FN_NAPLO_OSZTALYNAK(uj_osztaly) || ' osztályba', '') ||
                       COALESCE(', ' || uj_tanev || '/' || (CAST(uj_tanev AS INTEGER) + 1) || '. tanév', ''),
            IIF(mezok = ',osztaly_ID,',
                'Osztályváltás: ' || nev || COALESCE(', ' || FN_NAPLO_OSZTALYNAK(regi_osztaly) || ' osztályból', '') ||
                COALESCE(IIF(regi_osztaly IS NULL, CAST(', ' AS VARCHAR(2)), CAST(' ' AS VARCHAR(2))) || FN_NAPLO_OSZTALYNAK(uj_osztaly) || ' osztályba', ''),
                'Módosítás: ' || nev || ' – ' || FN_NAPLO_MEZOK_NEVE(mezok)));
    UPDATE table_naplo_esemeny
       SET fajta = :fajta, mezok = :mezok, muveletek = :muveletek, tanulok = COALESCE(:tanulok, 0),
           diak_id = :diak_id, diak_nev = IIF(:tanulok = 1, :nev, NULL), osszegzes = LEFT(:szoveg, 500),
           mikor = IIF(fajta IN ('tanévváltás', 'tanévváltás visszavonása', 'beolvasás'), mikor,
                       COALESCE(:mikor, mikor))
     WHERE id = :esemeny_id;
END^

-- Moves the committed rows of the pending log into the indexed one, each only if this fold
-- deleted it: another fold may have taken it meanwhile (then it is that one's to move).
-- Each row joins its transaction's event, and so do the rows written straight into the log
-- (leaving, the further data); then every event it touched gets its line.
CREATE OR ALTER PROCEDURE PRC_NAPLO_OSSZEVONAS
AS
    DECLARE k CHAR(8) CHARACTER SET OCTETS;
    DECLARE n BIGINT;
    DECLARE e BIGINT;
    DECLARE elozo_tr BIGINT;
    DECLARE elozo_e BIGINT;
    DECLARE mk VARCHAR(1000);
    DECLARE mb BIGINT;
    DECLARE bitek BIGINT = 0;
    DECLARE tranzakcio BIGINT;
    DECLARE mikor TIMESTAMP;
    DECLARE muvelet VARCHAR(12);
    DECLARE diak_id INTEGER;
    DECLARE diak_nev VARCHAR(100);
    DECLARE kliens_cim VARCHAR(255);
    DECLARE kliens_gep VARCHAR(255);
    DECLARE kliens_folyamat VARCHAR(255);
    DECLARE felhasznalo VARCHAR(63);
    DECLARE r_nev VARCHAR(150);
    DECLARE u_nev VARCHAR(150);
    DECLARE r_diak_cim VARCHAR(150);
    DECLARE u_diak_cim VARCHAR(150);
    DECLARE r_diak_cim_varos VARCHAR(150);
    DECLARE u_diak_cim_varos VARCHAR(150);
    DECLARE r_szul_hely VARCHAR(150);
    DECLARE u_szul_hely VARCHAR(150);
    DECLARE r_szul_ido VARCHAR(150);
    DECLARE u_szul_ido VARCHAR(150);
    DECLARE r_sz_szam VARCHAR(150);
    DECLARE u_sz_szam VARCHAR(150);
    DECLARE r_diak_tel VARCHAR(150);
    DECLARE u_diak_tel VARCHAR(150);
    DECLARE r_anyja_nev VARCHAR(150);
    DECLARE u_anyja_nev VARCHAR(150);
    DECLARE r_gondviselo_nev VARCHAR(150);
    DECLARE u_gondviselo_nev VARCHAR(150);
    DECLARE r_gondviselo_cim VARCHAR(150);
    DECLARE u_gondviselo_cim VARCHAR(150);
    DECLARE r_gondviselo_tel VARCHAR(150);
    DECLARE u_gondviselo_tel VARCHAR(150);
    DECLARE r_diak_taj VARCHAR(150);
    DECLARE u_diak_taj VARCHAR(150);
    DECLARE r_diak_OM VARCHAR(150);
    DECLARE u_diak_OM VARCHAR(150);
    DECLARE r_diak_diak VARCHAR(150);
    DECLARE u_diak_diak VARCHAR(150);
    DECLARE r_osztaly_ID VARCHAR(150);
    DECLARE u_osztaly_ID VARCHAR(150);
    DECLARE r_tanult_nyelv_ID VARCHAR(150);
    DECLARE u_tanult_nyelv_ID VARCHAR(150);
    DECLARE r_evfolyam VARCHAR(150);
    DECLARE u_evfolyam VARCHAR(150);
    DECLARE r_mj BLOB SUB_TYPE TEXT;
    DECLARE u_mj BLOB SUB_TYPE TEXT;
BEGIN
    DELETE FROM tmp_naplo_esemeny;
    FOR SELECT RDB$DB_KEY, tranzakcio, mikor, muvelet, diak_id, diak_nev, kliens_cim, kliens_gep,
               kliens_folyamat, felhasznalo, r_nev, u_nev, r_diak_cim, u_diak_cim, r_diak_cim_varos, u_diak_cim_varos, r_szul_hely, u_szul_hely, r_szul_ido, u_szul_ido, r_sz_szam, u_sz_szam, r_diak_tel, u_diak_tel, r_anyja_nev, u_anyja_nev, r_gondviselo_nev, u_gondviselo_nev, r_gondviselo_cim, u_gondviselo_cim, r_gondviselo_tel, u_gondviselo_tel, r_diak_taj, u_diak_taj, r_diak_OM, u_diak_OM, r_diak_diak, u_diak_diak, r_osztaly_ID, u_osztaly_ID, r_tanult_nyelv_ID, u_tanult_nyelv_ID, r_evfolyam, u_evfolyam, r_mj, u_mj
          FROM table_naplo_fuggo
          INTO :k, :tranzakcio, :mikor, :muvelet, :diak_id, :diak_nev, :kliens_cim, :kliens_gep,
               :kliens_folyamat, :felhasznalo, :r_nev, :u_nev, :r_diak_cim, :u_diak_cim, :r_diak_cim_varos, :u_diak_cim_varos, :r_szul_hely, :u_szul_hely, :r_szul_ido, :u_szul_ido, :r_sz_szam, :u_sz_szam, :r_diak_tel, :u_diak_tel, :r_anyja_nev, :u_anyja_nev, :r_gondviselo_nev, :u_gondviselo_nev, :r_gondviselo_cim, :u_gondviselo_cim, :r_gondviselo_tel, :u_gondviselo_tel, :r_diak_taj, :u_diak_taj, :r_diak_OM, :u_diak_OM, :r_diak_diak, :u_diak_diak, :r_osztaly_ID, :u_osztaly_ID, :r_tanult_nyelv_ID, :u_tanult_nyelv_ID, :r_evfolyam, :u_evfolyam, :r_mj, :u_mj DO
    BEGIN
        DELETE FROM table_naplo_fuggo WHERE RDB$DB_KEY = :k;
        IF (ROW_COUNT > 0) THEN
        BEGIN
            -- a transaction's rows mostly come one after the other: the last event first
            IF (tranzakcio IS NOT DISTINCT FROM elozo_tr AND tranzakcio IS NOT NULL) THEN
                e = elozo_e;
            ELSE
                EXECUTE PROCEDURE PRC_NAPLO_ESEMENYE(:tranzakcio, :mikor, :muvelet, :diak_id, :diak_nev, :kliens_cim,
                                                     :kliens_gep, :kliens_folyamat, :felhasznalo)
                    RETURNING_VALUES :e;
            n = NEXT VALUE FOR gen_naplo;
            INSERT INTO table_naplo (id, mikor, muvelet, diak_id, diak_nev, kliens_cim, kliens_gep,
                                     kliens_folyamat, felhasznalo, tranzakcio, esemeny_id)
            VALUES (:n, :mikor, :muvelet, :diak_id, :diak_nev, :kliens_cim, :kliens_gep,
                    :kliens_folyamat, :felhasznalo, :tranzakcio, :e);
            mb = 0;
            IF (r_nev IS NOT NULL OR u_nev IS NOT NULL) THEN
            BEGIN
                INSERT INTO table_naplo_mezo (naplo_id, mezo, regi, uj) VALUES (:n, 'nev', :r_nev, :u_nev);
                mb = mb + 1;
            END
            IF (r_diak_cim IS NOT NULL OR u_diak_cim IS NOT NULL) THEN
            BEGIN
                INSERT INTO table_naplo_mezo (naplo_id, mezo, regi, uj) VALUES (:n, 'diak_cim', :r_diak_cim, :u_diak_cim);
                mb = mb + 2;
            END
            IF (r_diak_cim_varos IS NOT NULL OR u_diak_cim_varos IS NOT NULL) THEN
            BEGIN
                INSERT INTO table_naplo_mezo (naplo_id, mezo, regi, uj) VALUES (:n, 'diak_cim_varos', :r_diak_cim_varos, :u_diak_cim_varos);
                mb = mb + 4;
            END
            IF (r_szul_hely IS NOT NULL OR u_szul_hely IS NOT NULL) THEN
            BEGIN
                INSERT INTO table_naplo_mezo (naplo_id, mezo, regi, uj) VALUES (:n, 'szul_hely', :r_szul_hely, :u_szul_hely);
                mb = mb + 8;
            END
            IF (r_szul_ido IS NOT NULL OR u_szul_ido IS NOT NULL) THEN
            BEGIN
                INSERT INTO table_naplo_mezo (naplo_id, mezo, regi, uj) VALUES (:n, 'szul_ido', :r_szul_ido, :u_szul_ido);
                mb = mb + 16;
            END
            IF (r_sz_szam IS NOT NULL OR u_sz_szam IS NOT NULL) THEN
            BEGIN
                INSERT INTO table_naplo_mezo (naplo_id, mezo, regi, uj) VALUES (:n, 'sz_szam', :r_sz_szam, :u_sz_szam);
                mb = mb + 32;
            END
            IF (r_diak_tel IS NOT NULL OR u_diak_tel IS NOT NULL) THEN
            BEGIN
                INSERT INTO table_naplo_mezo (naplo_id, mezo, regi, uj) VALUES (:n, 'diak_tel', :r_diak_tel, :u_diak_tel);
                mb = mb + 64;
            END
            IF (r_anyja_nev IS NOT NULL OR u_anyja_nev IS NOT NULL) THEN
            BEGIN
                INSERT INTO table_naplo_mezo (naplo_id, mezo, regi, uj) VALUES (:n, 'anyja_nev', :r_anyja_nev, :u_anyja_nev);
                mb = mb + 128;
            END
            IF (r_gondviselo_nev IS NOT NULL OR u_gondviselo_nev IS NOT NULL) THEN
            BEGIN
                INSERT INTO table_naplo_mezo (naplo_id, mezo, regi, uj) VALUES (:n, 'gondviselo_nev', :r_gondviselo_nev, :u_gondviselo_nev);
                mb = mb + 256;
            END
            IF (r_gondviselo_cim IS NOT NULL OR u_gondviselo_cim IS NOT NULL) THEN
            BEGIN
                INSERT INTO table_naplo_mezo (naplo_id, mezo, regi, uj) VALUES (:n, 'gondviselo_cim', :r_gondviselo_cim, :u_gondviselo_cim);
                mb = mb + 512;
            END
            IF (r_gondviselo_tel IS NOT NULL OR u_gondviselo_tel IS NOT NULL) THEN
            BEGIN
                INSERT INTO table_naplo_mezo (naplo_id, mezo, regi, uj) VALUES (:n, 'gondviselo_tel', :r_gondviselo_tel, :u_gondviselo_tel);
                mb = mb + 1024;
            END
            IF (r_diak_taj IS NOT NULL OR u_diak_taj IS NOT NULL) THEN
            BEGIN
                INSERT INTO table_naplo_mezo (naplo_id, mezo, regi, uj) VALUES (:n, 'diak_taj', :r_diak_taj, :u_diak_taj);
                mb = mb + 2048;
            END
            IF (r_diak_OM IS NOT NULL OR u_diak_OM IS NOT NULL) THEN
            BEGIN
                INSERT INTO table_naplo_mezo (naplo_id, mezo, regi, uj) VALUES (:n, 'diak_OM', :r_diak_OM, :u_diak_OM);
                mb = mb + 4096;
            END
            IF (r_diak_diak IS NOT NULL OR u_diak_diak IS NOT NULL) THEN
            BEGIN
                INSERT INTO table_naplo_mezo (naplo_id, mezo, regi, uj) VALUES (:n, 'diak_diak', :r_diak_diak, :u_diak_diak);
                mb = mb + 8192;
            END
            IF (r_osztaly_ID IS NOT NULL OR u_osztaly_ID IS NOT NULL) THEN
            BEGIN
                INSERT INTO table_naplo_mezo (naplo_id, mezo, regi, uj) VALUES (:n, 'osztaly_ID', :r_osztaly_ID, :u_osztaly_ID);
                mb = mb + 16384;
            END
            IF (r_tanult_nyelv_ID IS NOT NULL OR u_tanult_nyelv_ID IS NOT NULL) THEN
            BEGIN
                INSERT INTO table_naplo_mezo (naplo_id, mezo, regi, uj) VALUES (:n, 'tanult_nyelv_ID', :r_tanult_nyelv_ID, :u_tanult_nyelv_ID);
                mb = mb + 32768;
            END
            IF (r_evfolyam IS NOT NULL OR u_evfolyam IS NOT NULL) THEN
            BEGIN
                INSERT INTO table_naplo_mezo (naplo_id, mezo, regi, uj) VALUES (:n, 'evfolyam', :r_evfolyam, :u_evfolyam);
                mb = mb + 65536;
            END
            IF (r_mj IS NOT NULL OR u_mj IS NOT NULL) THEN
            BEGIN
                INSERT INTO table_naplo_mezo (naplo_id, mezo, regi_hosszu, uj_hosszu) VALUES (:n, 'mj', :r_mj, :u_mj);
                mb = mb + 131072;
            END
            -- the event's fields gathered as bits, written out once its rows are past
            IF (e IS DISTINCT FROM elozo_e) THEN
            BEGIN
                IF (bitek > 0) THEN
                    UPDATE tmp_naplo_esemeny SET mezok = FN_NAPLO_LISTA_UNIO(mezok, FN_NAPLO_MEZO_BITEK(:bitek))
                     WHERE esemeny_id = :elozo_e;
                bitek = 0;
            END
            bitek = BIN_OR(bitek, mb);
            elozo_tr = tranzakcio;
            elozo_e = e;
        END
        WHEN GDSCODE lock_conflict, GDSCODE update_conflict, GDSCODE deadlock DO
        BEGIN
            -- held or taken by another fold: not this one's to move
        END
    END

    IF (bitek > 0) THEN
        UPDATE tmp_naplo_esemeny SET mezok = FN_NAPLO_LISTA_UNIO(mezok, FN_NAPLO_MEZO_BITEK(:bitek))
         WHERE esemeny_id = :elozo_e;

    -- rows written straight into the log join their transaction's event too
    bitek = 0;
    elozo_tr = NULL;
    elozo_e = NULL;
    FOR SELECT RDB$DB_KEY, id, tranzakcio, mikor, muvelet, diak_id, diak_nev, kliens_cim, kliens_gep,
               kliens_folyamat, felhasznalo
          FROM table_naplo WHERE esemeny_id IS NULL
          INTO :k, :n, :tranzakcio, :mikor, :muvelet, :diak_id, :diak_nev, :kliens_cim, :kliens_gep,
               :kliens_folyamat, :felhasznalo DO
    BEGIN
        IF (tranzakcio IS NOT DISTINCT FROM elozo_tr AND tranzakcio IS NOT NULL) THEN
            e = elozo_e;
        ELSE
            EXECUTE PROCEDURE PRC_NAPLO_ESEMENYE(:tranzakcio, :mikor, :muvelet, :diak_id, :diak_nev, :kliens_cim,
                                                 :kliens_gep, :kliens_folyamat, :felhasznalo)
                RETURNING_VALUES :e;
        UPDATE table_naplo SET esemeny_id = :e WHERE RDB$DB_KEY = :k AND esemeny_id IS NULL;
        IF (ROW_COUNT > 0) THEN
        BEGIN
            IF (e IS DISTINCT FROM elozo_e) THEN
            BEGIN
                IF (bitek > 0) THEN
                    UPDATE tmp_naplo_esemeny SET mezok = FN_NAPLO_LISTA_UNIO(mezok, FN_NAPLO_MEZO_BITEK(:bitek))
                     WHERE esemeny_id = :elozo_e;
                bitek = 0;
            END
            mk = NULL;
            SELECT SUM(FN_NAPLO_MEZO_BIT(mezo)), ',' || LIST(IIF(FN_NAPLO_MEZO_BIT(mezo) = 0, mezo, NULL)) || ','
              FROM table_naplo_mezo WHERE naplo_id = :n INTO :mb, :mk;
            bitek = BIN_OR(bitek, COALESCE(mb, 0));
            IF (mk IS NOT NULL) THEN
                UPDATE tmp_naplo_esemeny SET mezok = FN_NAPLO_LISTA_UNIO(mezok, :mk) WHERE esemeny_id = :e;
            elozo_tr = tranzakcio;
            elozo_e = e;
        END
        WHEN GDSCODE lock_conflict, GDSCODE update_conflict, GDSCODE deadlock DO
        BEGIN
            -- held by another fold
        END
    END

    IF (bitek > 0) THEN
        UPDATE tmp_naplo_esemeny SET mezok = FN_NAPLO_LISTA_UNIO(mezok, FN_NAPLO_MEZO_BITEK(:bitek))
         WHERE esemeny_id = :elozo_e;

    FOR SELECT esemeny_id FROM tmp_naplo_esemeny INTO :e DO
    BEGIN
        EXECUTE PROCEDURE PRC_NAPLO_ESEMENY_KESZ(:e);
        WHEN ANY DO
        BEGIN
            -- a line that cannot be written never holds the log back: the rows are in
        END
    END
    -- the names of transactions now seen whole
    FOR SELECT RDB$DB_KEY FROM table_naplo_nyitott WHERE tranzakcio <> CURRENT_TRANSACTION INTO :k DO
    BEGIN
        DELETE FROM table_naplo_nyitott WHERE RDB$DB_KEY = :k;
        WHEN GDSCODE lock_conflict, GDSCODE update_conflict, GDSCODE deadlock DO
        BEGIN
        END
    END
END^

-- The year-end move is one event from its first row on; when its counts are in, its line.
CREATE OR ALTER TRIGGER trg_tanevvaltas_naplo FOR table_tanevvaltas
ACTIVE AFTER INSERT OR UPDATE POSITION 30
AS
    DECLARE e BIGINT;
BEGIN
    IF (INSERTING) THEN
        EXECUTE PROCEDURE PRC_NAPLO_ESEMENY('tanévváltás', NEW.id) RETURNING_VALUES :e;
    ELSE IF (OLD.visszavonva IS NULL AND NEW.visszavonva IS NOT NULL) THEN
        -- the undo names its transaction at its end: the fold that follows takes its rows
        EXECUTE PROCEDURE PRC_NAPLO_ESEMENY('tanévváltás visszavonása', NEW.id) RETURNING_VALUES :e;
    ELSE IF (OLD.naplo_jel IS NULL AND NEW.naplo_jel IS NOT NULL) THEN
    BEGIN
        SELECT FIRST 1 id FROM table_naplo_esemeny
         WHERE tanevvaltas_id = NEW.id AND fajta = 'tanévváltás' ORDER BY id DESC INTO :e;
        IF (e IS NOT NULL) THEN EXECUTE PROCEDURE PRC_NAPLO_ESEMENY_KESZ(:e);
    END
END^

SET TERM ;^
COMMIT;

-- What the log held before: its rows made into events.
EXECUTE PROCEDURE PRC_NAPLO_OSSZEVONAS;
COMMIT;

-- the optimizer needs the new indexes' selectivity with the rows in
SET STATISTICS INDEX ix_naplo_esemeny;
SET STATISTICS INDEX ix_naplo_esemeny_mikor;
COMMIT;
