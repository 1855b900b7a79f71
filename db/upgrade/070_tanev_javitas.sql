SET NAMES UTF8;
-- The school year's records made true: the undo offered only when it can run, the log
-- naming classes as they were and staying silent on a save that changes nothing, one
-- school year for the whole program, and the leaving reasons an office records.
-- Safe to run again.

SET TERM ^;
EXECUTE BLOCK AS
BEGIN
    -- the receiving school of a student who went to another one; both optional
    IF (NOT EXISTS (SELECT 1 FROM rdb$relation_fields
                     WHERE rdb$relation_name = 'TABLE_DIAK_ARCHIV' AND rdb$field_name = 'FOGADO_ISKOLA')) THEN
        EXECUTE STATEMENT 'ALTER TABLE table_diak_archiv ADD fogado_iskola VARCHAR(200)';
    IF (NOT EXISTS (SELECT 1 FROM rdb$relation_fields
                     WHERE rdb$relation_name = 'TABLE_DIAK_ARCHIV' AND rdb$field_name = 'FOGADO_OM')) THEN
        EXECUTE STATEMENT 'ALTER TABLE table_diak_archiv ADD fogado_om VARCHAR(6)';
    -- codes 1 to 3 keep their meaning; 4 to 7 are new
    IF (EXISTS (SELECT 1 FROM rdb$relation_constraints WHERE rdb$constraint_name = 'CK_DIAK_ARCHIV_OK')) THEN
        EXECUTE STATEMENT 'ALTER TABLE table_diak_archiv DROP CONSTRAINT ck_diak_archiv_ok';
    IF (NOT EXISTS (SELECT 1 FROM rdb$relation_constraints WHERE rdb$constraint_name = 'CK_DIAK_ARCHIV_OKA')) THEN
        EXECUTE STATEMENT 'ALTER TABLE table_diak_archiv ADD CONSTRAINT ck_diak_archiv_oka
            CHECK (kilepes_ok BETWEEN 1 AND 7)';
    IF (NOT EXISTS (SELECT 1 FROM rdb$relation_constraints WHERE rdb$constraint_name = 'CK_DIAK_ARCHIV_OM')) THEN
        EXECUTE STATEMENT 'ALTER TABLE table_diak_archiv ADD CONSTRAINT ck_diak_archiv_om
            CHECK (fogado_om IS NULL OR fogado_om SIMILAR TO ''[0-9]{6}'')';
    -- a leaving mark always says why
    IF (NOT EXISTS (SELECT 1 FROM rdb$relation_constraints WHERE rdb$constraint_name = 'CK_TV_JELOLES_OK')) THEN
        EXECUTE STATEMENT 'ALTER TABLE table_tv_jeloles ADD CONSTRAINT ck_tv_jeloles_ok
            CHECK (jeloles <> ''K'' OR (kilepes_ok IS NOT NULL AND kilepes_ok BETWEEN 1 AND 7))';
    -- The names of the teachers, subjects and languages at the move: the undo says which
    -- one of them is gone when it stands in the way.
    IF (NOT EXISTS (SELECT 1 FROM rdb$relations WHERE rdb$relation_name = 'TABLE_TV_NEV')) THEN
        EXECUTE STATEMENT '
        CREATE TABLE table_tv_nev (
            tanevvaltas_id  INTEGER NOT NULL,
            tabla           CHAR(1) NOT NULL,
            id              INTEGER NOT NULL,
            nev             VARCHAR(100),
            CONSTRAINT pk_tv_nev PRIMARY KEY (tanevvaltas_id, tabla, id)
        )';
END^
SET TERM ;^
COMMIT;

SET TERM ^;

-- The program's school year: the one the registry was last moved into, else by the date
-- (it turns on 1 October).
CREATE OR ALTER FUNCTION FN_AKTUALIS_TANEV (nap DATE) RETURNS INTEGER
AS
BEGIN
    RETURN COALESCE((SELECT MAX(aktiv_tanev) FROM table_tanevvaltas),
                    EXTRACT(YEAR FROM nap) - IIF(EXTRACT(MONTH FROM nap) >= 10, 0, 1));
END^

CREATE OR ALTER FUNCTION FN_KILEPES_OKA (ok SMALLINT) RETURNS VARCHAR(60)
AS
BEGIN
    RETURN TRIM(DECODE(ok, 1, 'végzett', 2, 'másik iskolába távozott', 3, 'egyéb', 4, 'külföldre távozott',
                       5, 'a tankötelezettség megszűnése után kérésére', 6, 'fegyelmi kizárás', 7, 'elhunyt'));
END^

-- A class's name for the log. The move and its undo rename classes before and after they
-- move students: the move names a student's former class as it was before it (E), the undo
-- names the class it puts a student back into as it will be again (V).
CREATE OR ALTER FUNCTION FN_NAPLO_OSZTALY (osztaly_id INTEGER, uj SMALLINT) RETURNS VARCHAR(20)
AS
    DECLARE jel VARCHAR(20);
    DECLARE nev VARCHAR(20);
BEGIN
    IF (osztaly_id IS NULL) THEN RETURN NULL;
    jel = FN_SAJAT_JEL('KORVANA_TV_NEV');
    IF (jel IS NOT NULL AND LEFT(jel, 1) = IIF(uj = 1, 'V', 'E')) THEN
        nev = (SELECT osztaly_szam || '.' || osztaly_betu FROM table_tv_osztaly
                WHERE tanevvaltas_id = CAST(SUBSTRING(:jel FROM 2) AS INTEGER) AND id = :osztaly_id);
    RETURN COALESCE(nev, FN_OSZTALY_NEVE(osztaly_id), osztaly_id);
END^

-- One "kilépés" row in the log for a student now in the archive: when, why, from where.
CREATE OR ALTER PROCEDURE PRC_NAPLO_KILEPES (diak_id INTEGER)
AS
    DECLARE n BIGINT;
    DECLARE nev VARCHAR(100);
    DECLARE datum DATE;
    DECLARE ok SMALLINT;
    DECLARE megjegyzes VARCHAR(500);
    DECLARE iskola VARCHAR(220);
    DECLARE osztaly VARCHAR(20);
BEGIN
    SELECT nev, kilepes_datum, kilepes_ok, kilepes_megjegyzes,
           NULLIF(TRIM(COALESCE(fogado_iskola, '') || COALESCE(' (OM ' || fogado_om || ')', '')), ''),
           utolso_osztaly_szam || '.' || utolso_osztaly_betu
      FROM table_diak_archiv WHERE id = :diak_id
      INTO :nev, :datum, :ok, :megjegyzes, :iskola, :osztaly;
    n = NEXT VALUE FOR gen_naplo;
    INSERT INTO table_naplo (id, mikor, muvelet, diak_id, diak_nev, kliens_cim, kliens_gep,
                             kliens_folyamat, felhasznalo, tranzakcio)
    VALUES (:n, CURRENT_TIMESTAMP, 'kilépés', :diak_id, :nev, RDB$GET_CONTEXT('SYSTEM', 'CLIENT_ADDRESS'),
            RDB$GET_CONTEXT('SYSTEM', 'CLIENT_HOST'), RDB$GET_CONTEXT('SYSTEM', 'CLIENT_PROCESS'),
            CURRENT_USER, CURRENT_TRANSACTION);
    INSERT INTO table_naplo_mezo (naplo_id, mezo, uj) VALUES (:n, 'kilepes_datum', :datum);
    INSERT INTO table_naplo_mezo (naplo_id, mezo, uj) VALUES (:n, 'kilepes_ok', FN_KILEPES_OKA(:ok));
    IF (megjegyzes IS NOT NULL) THEN
        INSERT INTO table_naplo_mezo (naplo_id, mezo, uj) VALUES (:n, 'kilepes_megjegyzes', LEFT(:megjegyzes, 150));
    IF (iskola IS NOT NULL) THEN
        INSERT INTO table_naplo_mezo (naplo_id, mezo, uj) VALUES (:n, 'fogado_iskola', LEFT(:iskola, 150));
    IF (osztaly IS NOT NULL) THEN
        INSERT INTO table_naplo_mezo (naplo_id, mezo, regi) VALUES (:n, 'osztaly_ID', :osztaly);
END^

-- The log, whoever writes: the program, a script, another tool. Each field that changed
-- with its old and new value (an insert's OLD and a delete's NEW are all null). A write that
-- changes nothing is not a change, and neither is an empty text for a missing one: the
-- program saves an empty box as empty text. Leaving logs itself, whole, as one "kilépés" row;
-- re-admission is one "visszavétel" row with the class and the school year.
CREATE OR ALTER TRIGGER trg_diak_naplo FOR table_diak
ACTIVE AFTER INSERT OR UPDATE OR DELETE POSITION 30
AS
    DECLARE muvelet VARCHAR(12);
    DECLARE csak_osztaly SMALLINT = 0;
BEGIN
    IF (DELETING AND FN_SAJAT_JEL('KORVANA_NAPLO_KILEPES') IS NOT NULL) THEN EXIT;
    IF (UPDATING AND
        COALESCE(NEW.nev, '') IS NOT DISTINCT FROM COALESCE(OLD.nev, '') AND
        COALESCE(NEW.diak_cim, '') IS NOT DISTINCT FROM COALESCE(OLD.diak_cim, '') AND
        COALESCE(NEW.diak_cim_varos, '') IS NOT DISTINCT FROM COALESCE(OLD.diak_cim_varos, '') AND
        COALESCE(NEW.szul_hely, '') IS NOT DISTINCT FROM COALESCE(OLD.szul_hely, '') AND
        NEW.szul_ido IS NOT DISTINCT FROM OLD.szul_ido AND
        COALESCE(NEW.sz_szam, '') IS NOT DISTINCT FROM COALESCE(OLD.sz_szam, '') AND
        COALESCE(NEW.diak_tel, '') IS NOT DISTINCT FROM COALESCE(OLD.diak_tel, '') AND
        COALESCE(NEW.anyja_nev, '') IS NOT DISTINCT FROM COALESCE(OLD.anyja_nev, '') AND
        COALESCE(NEW.gondviselo_nev, '') IS NOT DISTINCT FROM COALESCE(OLD.gondviselo_nev, '') AND
        COALESCE(NEW.gondviselo_cim, '') IS NOT DISTINCT FROM COALESCE(OLD.gondviselo_cim, '') AND
        COALESCE(NEW.gondviselo_tel, '') IS NOT DISTINCT FROM COALESCE(OLD.gondviselo_tel, '') AND
        COALESCE(NEW.diak_taj, '') IS NOT DISTINCT FROM COALESCE(OLD.diak_taj, '') AND
        COALESCE(NEW.diak_OM, '') IS NOT DISTINCT FROM COALESCE(OLD.diak_OM, '') AND
        COALESCE(NEW.diak_diak, '') IS NOT DISTINCT FROM COALESCE(OLD.diak_diak, '') AND
        NEW.osztaly_ID IS NOT DISTINCT FROM OLD.osztaly_ID AND
        NEW.tanult_nyelv_ID IS NOT DISTINCT FROM OLD.tanult_nyelv_ID AND
        NEW.evfolyam IS NOT DISTINCT FROM OLD.evfolyam AND
        COALESCE(NEW.mj, '') IS NOT DISTINCT FROM COALESCE(OLD.mj, '')) THEN EXIT;
    muvelet = TRIM(IIF(INSERTING, 'felvétel', IIF(UPDATING, 'módosítás', 'törlés')));
    IF (INSERTING AND FN_SAJAT_JEL('KORVANA_ESEMENY') = 'visszavétel') THEN
    BEGIN
        muvelet = 'visszavétel';
        csak_osztaly = 1;
    END
    INSERT INTO table_naplo_fuggo (tranzakcio, mikor, muvelet, diak_id, diak_nev, kliens_cim, kliens_gep,
        kliens_folyamat, felhasznalo, r_nev, u_nev, r_diak_cim, u_diak_cim, r_diak_cim_varos, u_diak_cim_varos, r_szul_hely, u_szul_hely, r_szul_ido, u_szul_ido, r_sz_szam, u_sz_szam, r_diak_tel, u_diak_tel, r_anyja_nev, u_anyja_nev, r_gondviselo_nev, u_gondviselo_nev, r_gondviselo_cim, u_gondviselo_cim, r_gondviselo_tel, u_gondviselo_tel, r_diak_taj, u_diak_taj, r_diak_OM, u_diak_OM, r_diak_diak, u_diak_diak, r_osztaly_ID, u_osztaly_ID, r_tanult_nyelv_ID, u_tanult_nyelv_ID, r_evfolyam, u_evfolyam, r_mj, u_mj)
    VALUES (CURRENT_TRANSACTION, CURRENT_TIMESTAMP, :muvelet,
            COALESCE(NEW.id, OLD.id), COALESCE(NEW.nev, OLD.nev),
            RDB$GET_CONTEXT('SYSTEM', 'CLIENT_ADDRESS'), RDB$GET_CONTEXT('SYSTEM', 'CLIENT_HOST'),
            RDB$GET_CONTEXT('SYSTEM', 'CLIENT_PROCESS'), CURRENT_USER,
            IIF(:csak_osztaly = 1, NULL, IIF(COALESCE(NEW.nev, '') IS DISTINCT FROM COALESCE(OLD.nev, ''), OLD.nev, NULL)), IIF(:csak_osztaly = 1, NULL, IIF(COALESCE(NEW.nev, '') IS DISTINCT FROM COALESCE(OLD.nev, ''), NEW.nev, NULL)),
            IIF(:csak_osztaly = 1, NULL, IIF(COALESCE(NEW.diak_cim, '') IS DISTINCT FROM COALESCE(OLD.diak_cim, ''), OLD.diak_cim, NULL)), IIF(:csak_osztaly = 1, NULL, IIF(COALESCE(NEW.diak_cim, '') IS DISTINCT FROM COALESCE(OLD.diak_cim, ''), NEW.diak_cim, NULL)),
            IIF(:csak_osztaly = 1, NULL, IIF(COALESCE(NEW.diak_cim_varos, '') IS DISTINCT FROM COALESCE(OLD.diak_cim_varos, ''), OLD.diak_cim_varos, NULL)), IIF(:csak_osztaly = 1, NULL, IIF(COALESCE(NEW.diak_cim_varos, '') IS DISTINCT FROM COALESCE(OLD.diak_cim_varos, ''), NEW.diak_cim_varos, NULL)),
            IIF(:csak_osztaly = 1, NULL, IIF(COALESCE(NEW.szul_hely, '') IS DISTINCT FROM COALESCE(OLD.szul_hely, ''), OLD.szul_hely, NULL)), IIF(:csak_osztaly = 1, NULL, IIF(COALESCE(NEW.szul_hely, '') IS DISTINCT FROM COALESCE(OLD.szul_hely, ''), NEW.szul_hely, NULL)),
            IIF(:csak_osztaly = 1, NULL, IIF(NEW.szul_ido IS DISTINCT FROM OLD.szul_ido, OLD.szul_ido, NULL)), IIF(:csak_osztaly = 1, NULL, IIF(NEW.szul_ido IS DISTINCT FROM OLD.szul_ido, NEW.szul_ido, NULL)),
            IIF(:csak_osztaly = 1, NULL, IIF(COALESCE(NEW.sz_szam, '') IS DISTINCT FROM COALESCE(OLD.sz_szam, ''), OLD.sz_szam, NULL)), IIF(:csak_osztaly = 1, NULL, IIF(COALESCE(NEW.sz_szam, '') IS DISTINCT FROM COALESCE(OLD.sz_szam, ''), NEW.sz_szam, NULL)),
            IIF(:csak_osztaly = 1, NULL, IIF(COALESCE(NEW.diak_tel, '') IS DISTINCT FROM COALESCE(OLD.diak_tel, ''), OLD.diak_tel, NULL)), IIF(:csak_osztaly = 1, NULL, IIF(COALESCE(NEW.diak_tel, '') IS DISTINCT FROM COALESCE(OLD.diak_tel, ''), NEW.diak_tel, NULL)),
            IIF(:csak_osztaly = 1, NULL, IIF(COALESCE(NEW.anyja_nev, '') IS DISTINCT FROM COALESCE(OLD.anyja_nev, ''), OLD.anyja_nev, NULL)), IIF(:csak_osztaly = 1, NULL, IIF(COALESCE(NEW.anyja_nev, '') IS DISTINCT FROM COALESCE(OLD.anyja_nev, ''), NEW.anyja_nev, NULL)),
            IIF(:csak_osztaly = 1, NULL, IIF(COALESCE(NEW.gondviselo_nev, '') IS DISTINCT FROM COALESCE(OLD.gondviselo_nev, ''), OLD.gondviselo_nev, NULL)), IIF(:csak_osztaly = 1, NULL, IIF(COALESCE(NEW.gondviselo_nev, '') IS DISTINCT FROM COALESCE(OLD.gondviselo_nev, ''), NEW.gondviselo_nev, NULL)),
            IIF(:csak_osztaly = 1, NULL, IIF(COALESCE(NEW.gondviselo_cim, '') IS DISTINCT FROM COALESCE(OLD.gondviselo_cim, ''), OLD.gondviselo_cim, NULL)), IIF(:csak_osztaly = 1, NULL, IIF(COALESCE(NEW.gondviselo_cim, '') IS DISTINCT FROM COALESCE(OLD.gondviselo_cim, ''), NEW.gondviselo_cim, NULL)),
            IIF(:csak_osztaly = 1, NULL, IIF(COALESCE(NEW.gondviselo_tel, '') IS DISTINCT FROM COALESCE(OLD.gondviselo_tel, ''), OLD.gondviselo_tel, NULL)), IIF(:csak_osztaly = 1, NULL, IIF(COALESCE(NEW.gondviselo_tel, '') IS DISTINCT FROM COALESCE(OLD.gondviselo_tel, ''), NEW.gondviselo_tel, NULL)),
            IIF(:csak_osztaly = 1, NULL, IIF(COALESCE(NEW.diak_taj, '') IS DISTINCT FROM COALESCE(OLD.diak_taj, ''), OLD.diak_taj, NULL)), IIF(:csak_osztaly = 1, NULL, IIF(COALESCE(NEW.diak_taj, '') IS DISTINCT FROM COALESCE(OLD.diak_taj, ''), NEW.diak_taj, NULL)),
            IIF(:csak_osztaly = 1, NULL, IIF(COALESCE(NEW.diak_OM, '') IS DISTINCT FROM COALESCE(OLD.diak_OM, ''), OLD.diak_OM, NULL)), IIF(:csak_osztaly = 1, NULL, IIF(COALESCE(NEW.diak_OM, '') IS DISTINCT FROM COALESCE(OLD.diak_OM, ''), NEW.diak_OM, NULL)),
            IIF(:csak_osztaly = 1, NULL, IIF(COALESCE(NEW.diak_diak, '') IS DISTINCT FROM COALESCE(OLD.diak_diak, ''), OLD.diak_diak, NULL)), IIF(:csak_osztaly = 1, NULL, IIF(COALESCE(NEW.diak_diak, '') IS DISTINCT FROM COALESCE(OLD.diak_diak, ''), NEW.diak_diak, NULL)),
            IIF(NEW.osztaly_ID IS DISTINCT FROM OLD.osztaly_ID, FN_NAPLO_OSZTALY(OLD.osztaly_ID, 0), NULL), IIF(NEW.osztaly_ID IS DISTINCT FROM OLD.osztaly_ID, FN_NAPLO_OSZTALY(NEW.osztaly_ID, 1), NULL),
            IIF(:csak_osztaly = 1, NULL, IIF(NEW.tanult_nyelv_ID IS DISTINCT FROM OLD.tanult_nyelv_ID, COALESCE((SELECT nyelv_nev FROM table_nyelv WHERE id = OLD.tanult_nyelv_ID), OLD.tanult_nyelv_ID), NULL)), IIF(:csak_osztaly = 1, NULL, IIF(NEW.tanult_nyelv_ID IS DISTINCT FROM OLD.tanult_nyelv_ID, COALESCE((SELECT nyelv_nev FROM table_nyelv WHERE id = NEW.tanult_nyelv_ID), NEW.tanult_nyelv_ID), NULL)),
            IIF(NEW.evfolyam IS DISTINCT FROM OLD.evfolyam, OLD.evfolyam, NULL), IIF(NEW.evfolyam IS DISTINCT FROM OLD.evfolyam, NEW.evfolyam, NULL),
            IIF(:csak_osztaly = 1, NULL, IIF(COALESCE(NEW.mj, '') IS DISTINCT FROM COALESCE(OLD.mj, ''), OLD.mj, NULL)), IIF(:csak_osztaly = 1, NULL, IIF(COALESCE(NEW.mj, '') IS DISTINCT FROM COALESCE(OLD.mj, ''), NEW.mj, NULL)));
END^

-- A class or a leaver changed, once a transaction and table; a write that changes nothing
-- is not a change. The move and its undo write their own changes and say so through
-- KORVANA_TANEVVALTAS.
CREATE OR ALTER TRIGGER trg_osztaly_valtozas FOR table_osztaly
ACTIVE AFTER INSERT OR UPDATE OR DELETE POSITION 20
AS
BEGIN
    IF (FN_SAJAT_JEL('KORVANA_TANEVVALTAS') IS NOT NULL OR
        FN_SAJAT_JEL('KORVANA_JEL_OSZTALY_' || CURRENT_TRANSACTION) IS NOT NULL) THEN EXIT;
    IF (UPDATING AND
        NEW.id IS NOT DISTINCT FROM OLD.id AND
        NEW.osztaly_szam IS NOT DISTINCT FROM OLD.osztaly_szam AND
        NEW.osztaly_betu IS NOT DISTINCT FROM OLD.osztaly_betu AND
        COALESCE(NEW.osztaly_szak, '') IS NOT DISTINCT FROM COALESCE(OLD.osztaly_szak, '') AND
        NEW.osztalyfonok_id IS NOT DISTINCT FROM OLD.osztalyfonok_id) THEN EXIT;
    EXECUTE PROCEDURE PRC_SAJAT_JEL('KORVANA_JEL_OSZTALY_' || CURRENT_TRANSACTION, 1);
    INSERT INTO table_valtozas_jel (id, tabla) VALUES (NEXT VALUE FOR gen_naplo, 'TABLE_OSZTALY');
END^

CREATE OR ALTER TRIGGER trg_diak_archiv_valtozas FOR table_diak_archiv
ACTIVE AFTER INSERT OR UPDATE OR DELETE POSITION 20
AS
BEGIN
    IF (FN_SAJAT_JEL('KORVANA_TANEVVALTAS') IS NOT NULL OR
        FN_SAJAT_JEL('KORVANA_JEL_ARCHIV_' || CURRENT_TRANSACTION) IS NOT NULL) THEN EXIT;
    IF (UPDATING AND
        NEW.id IS NOT DISTINCT FROM OLD.id AND
        NEW.nev IS NOT DISTINCT FROM OLD.nev AND
        NEW.diak_cim IS NOT DISTINCT FROM OLD.diak_cim AND
        NEW.diak_cim_varos IS NOT DISTINCT FROM OLD.diak_cim_varos AND
        NEW.szul_hely IS NOT DISTINCT FROM OLD.szul_hely AND
        NEW.szul_ido IS NOT DISTINCT FROM OLD.szul_ido AND
        NEW.sz_szam IS NOT DISTINCT FROM OLD.sz_szam AND
        NEW.diak_tel IS NOT DISTINCT FROM OLD.diak_tel AND
        NEW.anyja_nev IS NOT DISTINCT FROM OLD.anyja_nev AND
        NEW.gondviselo_nev IS NOT DISTINCT FROM OLD.gondviselo_nev AND
        NEW.gondviselo_cim IS NOT DISTINCT FROM OLD.gondviselo_cim AND
        NEW.gondviselo_tel IS NOT DISTINCT FROM OLD.gondviselo_tel AND
        NEW.diak_taj IS NOT DISTINCT FROM OLD.diak_taj AND
        NEW.diak_OM IS NOT DISTINCT FROM OLD.diak_OM AND
        NEW.diak_diak IS NOT DISTINCT FROM OLD.diak_diak AND
        NEW.osztaly_ID IS NOT DISTINCT FROM OLD.osztaly_ID AND
        NEW.mj IS NOT DISTINCT FROM OLD.mj AND
        NEW.tanult_nyelv_ID IS NOT DISTINCT FROM OLD.tanult_nyelv_ID AND
        NEW.evfolyam IS NOT DISTINCT FROM OLD.evfolyam AND
        NEW.kilepes_datum IS NOT DISTINCT FROM OLD.kilepes_datum AND
        NEW.kilepes_ok IS NOT DISTINCT FROM OLD.kilepes_ok AND
        NEW.kilepes_megjegyzes IS NOT DISTINCT FROM OLD.kilepes_megjegyzes AND
        NEW.utolso_osztaly_szam IS NOT DISTINCT FROM OLD.utolso_osztaly_szam AND
        NEW.utolso_osztaly_betu IS NOT DISTINCT FROM OLD.utolso_osztaly_betu AND
        NEW.utolso_osztaly_szak IS NOT DISTINCT FROM OLD.utolso_osztaly_szak AND
        NEW.tanevvaltas_id IS NOT DISTINCT FROM OLD.tanevvaltas_id AND
        NEW.archivalva IS NOT DISTINCT FROM OLD.archivalva AND
        NEW.fogado_iskola IS NOT DISTINCT FROM OLD.fogado_iskola AND
        NEW.fogado_om IS NOT DISTINCT FROM OLD.fogado_om) THEN EXIT;
    EXECUTE PROCEDURE PRC_SAJAT_JEL('KORVANA_JEL_ARCHIV_' || CURRENT_TRANSACTION, 1);
    INSERT INTO table_valtozas_jel (id, tabla) VALUES (NEXT VALUE FOR gen_naplo, 'TABLE_DIAK_ARCHIV');
END^

CREATE OR ALTER TRIGGER trg_osztaly_targy_valtozas FOR table_osztaly_targy
ACTIVE AFTER INSERT OR UPDATE OR DELETE POSITION 20
AS
BEGIN
    IF (FN_SAJAT_JEL('KORVANA_TANEVVALTAS') IS NOT NULL OR
        FN_SAJAT_JEL('KORVANA_JEL_TARGY_' || CURRENT_TRANSACTION) IS NOT NULL) THEN EXIT;
    IF (UPDATING AND
        NEW.osztaly_id IS NOT DISTINCT FROM OLD.osztaly_id AND
        NEW.targy_id IS NOT DISTINCT FROM OLD.targy_id AND
        NEW.tanar_id IS NOT DISTINCT FROM OLD.tanar_id) THEN EXIT;
    EXECUTE PROCEDURE PRC_SAJAT_JEL('KORVANA_JEL_TARGY_' || CURRENT_TRANSACTION, 1);
    INSERT INTO table_valtozas_jel (id, tabla) VALUES (NEXT VALUE FOR gen_naplo, 'TABLE_OSZTALY_TARGY');
END^

-- A student leaves: the whole record into the archive with the last class, then out of
-- the active tables, and one "kilépés" row in the log. The date lies neither before the
-- student's last class-history event nor after the end of the school year (or today).
CREATE OR ALTER PROCEDURE PRC_KILEPES (
    diak_id        INTEGER,
    datum          DATE,
    ok             SMALLINT,
    megjegyzes     VARCHAR(1000),
    fogado_iskola  VARCHAR(1000) = NULL,
    fogado_om      VARCHAR(100) = NULL)
AS
    DECLARE utolso DATE;
    DECLARE veg DATE;
BEGIN
    IF (datum IS NULL) THEN
        EXCEPTION ex_korvana '\A kilépés dátuma nem lehet üres!\';
    IF (ok IS NULL OR ok NOT BETWEEN 1 AND 7) THEN
        EXCEPTION ex_korvana '\A kilépés oka nem megfelelő!\';
    megjegyzes = NULLIF(TRIM(COALESCE(megjegyzes, '')), '');
    fogado_iskola = IIF(ok = 2, NULLIF(TRIM(COALESCE(fogado_iskola, '')), ''), NULL);
    fogado_om = IIF(ok = 2, NULLIF(TRIM(COALESCE(fogado_om, '')), ''), NULL);
    IF (ok = 3 AND megjegyzes IS NULL) THEN
        EXCEPTION ex_korvana '\Egyéb kilépési oknál a megjegyzés nem lehet üres!\';
    IF (CHAR_LENGTH(megjegyzes) > 500) THEN
        EXCEPTION ex_korvana '\A megjegyzés legfeljebb 500 karakter lehet!\';
    IF (CHAR_LENGTH(fogado_iskola) > 200) THEN
        EXCEPTION ex_korvana '\A fogadó iskola neve legfeljebb 200 karakter lehet!\';
    IF (fogado_om IS NOT NULL AND fogado_om NOT SIMILAR TO '[0-9]{6}') THEN
        EXCEPTION ex_korvana '\A fogadó iskola OM azonosítója hat számjegyből áll (például 035221).\';
    IF (NOT EXISTS (SELECT 1 FROM table_diak WHERE id = :diak_id)) THEN
        EXCEPTION ex_korvana '\A tanuló nincs a nyilvántartásban: időközben törölték vagy kilépett.\';
    -- the upgrade's starting rows ("nyilvántartásban") are no event of the student's
    SELECT MAX(CAST(mikor AS DATE)) FROM table_osztaly_tortenet
     WHERE diak_id = :diak_id AND esemeny <> 'nyilvántartásban' INTO :utolso;
    IF (datum < utolso) THEN
        EXCEPTION ex_korvana '\A kilépés dátuma nem lehet korábbi a tanuló utolsó osztálytörténeti eseményénél (' ||
            REPLACE(CAST(utolso AS VARCHAR(10)), '-', '.') || '.)!\';
    veg = MAXVALUE(DATEADD(-1 DAY TO CAST((FN_AKTUALIS_TANEV(CURRENT_DATE) + 1) || '-09-01' AS DATE)), CURRENT_DATE);
    IF (datum > veg) THEN
        EXCEPTION ex_korvana '\A kilépés dátuma nem lehet későbbi a tanév végénél (' ||
            REPLACE(CAST(veg AS VARCHAR(10)), '-', '.') || '.)!\';
    INSERT INTO table_diak_archiv (id, nev, diak_cim, diak_cim_varos, szul_hely, szul_ido, sz_szam, diak_tel, anyja_nev, gondviselo_nev, gondviselo_cim, gondviselo_tel, diak_taj, diak_OM, diak_diak, osztaly_ID, mj, tanult_nyelv_ID, evfolyam, kilepes_datum, kilepes_ok, kilepes_megjegyzes,
                                   utolso_osztaly_szam, utolso_osztaly_betu, utolso_osztaly_szak, fogado_iskola, fogado_om)
    SELECT d.id, d.nev, d.diak_cim, d.diak_cim_varos, d.szul_hely, d.szul_ido, d.sz_szam, d.diak_tel, d.anyja_nev, d.gondviselo_nev, d.gondviselo_cim, d.gondviselo_tel, d.diak_taj, d.diak_OM, d.diak_diak, d.osztaly_ID, d.mj, d.tanult_nyelv_ID, d.evfolyam, :datum, :ok, :megjegyzes, o.osztaly_szam, o.osztaly_betu, o.osztaly_szak, :fogado_iskola, :fogado_om
      FROM table_diak d LEFT JOIN table_osztaly o ON o.id = d.osztaly_ID
     WHERE d.id = :diak_id;
    INSERT INTO table_osztaly_tortenet (diak_id, tanev, osztaly_szam, osztaly_betu, esemeny)
    SELECT id, evfolyam, utolso_osztaly_szam, utolso_osztaly_betu, TRIM(IIF(:ok = 1, 'végzett', 'kilépés'))
      FROM table_diak_archiv WHERE id = :diak_id;
    EXECUTE PROCEDURE PRC_SAJAT_JEL('KORVANA_NAPLO_KILEPES', 1);
    DELETE FROM table_diak WHERE id = :diak_id;
    EXECUTE PROCEDURE PRC_SAJAT_JEL('KORVANA_NAPLO_KILEPES', NULL);
    EXECUTE PROCEDURE PRC_NAPLO_KILEPES(:diak_id);
    DELETE FROM table_tv_jeloles WHERE diak_id = :diak_id;
END^

-- What now stands in the way of undoing the move: a teacher, subject or language that the
-- classes, subjects and graduates it puts back refer to, gone since. The undo refuses on
-- the first of these, and the status names it.
CREATE OR ALTER PROCEDURE PRC_TANEVVALTAS_AKADALYOK (tv INTEGER)
RETURNS (ok VARCHAR(300))
AS
BEGIN
    FOR SELECT 'azóta megszűnt ' || COALESCE(n.nev, 'a(z) ' || s.osztalyfonok_id || '. azonosítójú tanár') || ', ' ||
               TRIM(IIF(s.osztaly_szam IN (1, 5), 'az', 'a')) || ' ' || s.osztaly_szam || '.' || s.osztaly_betu || ' osztályfőnöke'
          FROM table_tv_osztaly s
          LEFT JOIN table_tv_nev n ON n.tanevvaltas_id = s.tanevvaltas_id AND n.tabla = 'T' AND n.id = s.osztalyfonok_id
         WHERE s.tanevvaltas_id = :tv AND s.sors = 'V' AND s.osztalyfonok_id IS NOT NULL
           AND NOT EXISTS (SELECT 1 FROM table_tanar t WHERE t.id = s.osztalyfonok_id)
          INTO :ok DO SUSPEND;
    FOR SELECT 'azóta megszűnt a(z) ' || COALESCE(n.nev, t.targy_id || '. azonosítójú') || ' tantárgy, amelyet ' ||
               TRIM(IIF(s.osztaly_szam IN (1, 5), 'az', 'a')) || ' ' || s.osztaly_szam || '.' || s.osztaly_betu || ' tanult'
          FROM table_tv_osztaly_targy t
          JOIN table_tv_osztaly s ON s.tanevvaltas_id = t.tanevvaltas_id AND s.id = t.osztaly_id
          LEFT JOIN table_tv_nev n ON n.tanevvaltas_id = t.tanevvaltas_id AND n.tabla = 'S' AND n.id = t.targy_id
         WHERE t.tanevvaltas_id = :tv AND NOT EXISTS (SELECT 1 FROM table_targy x WHERE x.id = t.targy_id)
          INTO :ok DO SUSPEND;
    FOR SELECT IIF(EXISTS (SELECT 1 FROM table_tanar x WHERE x.id = t.tanar_id),
                   COALESCE(n.nev, 'a(z) ' || t.tanar_id || '. azonosítójú tanár') || ' azóta nem tanítja a(z) ' ||
                   COALESCE(m.nev, t.targy_id || '. azonosítójú') || ' tantárgyat, amelyet ' ||
                   TRIM(IIF(s.osztaly_szam IN (1, 5), 'az', 'a')) || ' ' || s.osztaly_szam || '.' || s.osztaly_betu || ' osztályban tanított',
                   'azóta megszűnt ' || COALESCE(n.nev, 'a(z) ' || t.tanar_id || '. azonosítójú tanár') || ', ' ||
                   TRIM(IIF(s.osztaly_szam IN (1, 5), 'az', 'a')) || ' ' || s.osztaly_szam || '.' || s.osztaly_betu || ' ' ||
                   COALESCE(m.nev, t.targy_id || '. azonosítójú tantárgy') || ' tanára')
          FROM table_tv_osztaly_targy t
          JOIN table_tv_osztaly s ON s.tanevvaltas_id = t.tanevvaltas_id AND s.id = t.osztaly_id
          LEFT JOIN table_tv_nev n ON n.tanevvaltas_id = t.tanevvaltas_id AND n.tabla = 'T' AND n.id = t.tanar_id
          LEFT JOIN table_tv_nev m ON m.tanevvaltas_id = t.tanevvaltas_id AND m.tabla = 'S' AND m.id = t.targy_id
         WHERE t.tanevvaltas_id = :tv AND EXISTS (SELECT 1 FROM table_targy x WHERE x.id = t.targy_id)
           AND NOT EXISTS (SELECT 1 FROM table_tanar_targy x WHERE x.tanar_id = t.tanar_id AND x.targy_id = t.targy_id)
          INTO :ok DO SUSPEND;
    FOR SELECT 'azóta megszűnt a(z) ' || COALESCE(n.nev, a.tanult_nyelv_ID || '. azonosítójú') || ' nyelv, amelyet ' ||
               a.nev || ' tanult'
          FROM table_diak_archiv a
          LEFT JOIN table_tv_nev n ON n.tanevvaltas_id = a.tanevvaltas_id AND n.tabla = 'N' AND n.id = a.tanult_nyelv_ID
         WHERE a.tanevvaltas_id = :tv AND a.tanult_nyelv_ID IS NOT NULL
           AND NOT EXISTS (SELECT 1 FROM table_nyelv x WHERE x.id = a.tanult_nyelv_ID)
          INTO :ok DO SUSPEND;
END^

-- The last move, and whether it can still be undone: not once a student, a class, its
-- subjects or a leaver has changed since (their log and change marks run past its mark),
-- nor while something it would put back refers to what is gone. The undo asks this too.
CREATE OR ALTER PROCEDURE PRC_TANEVVALTAS_ALLAPOT
RETURNS (tanevvaltas_id INTEGER, uj_tanev INTEGER, mikor TIMESTAMP, visszavonhato SMALLINT, ok VARCHAR(200))
AS
    DECLARE jel BIGINT;
BEGIN
    SELECT FIRST 1 id, uj_tanev, mikor, naplo_jel FROM table_tanevvaltas
     WHERE visszavonva IS NULL ORDER BY id DESC
      INTO :tanevvaltas_id, :uj_tanev, :mikor, :jel;
    IF (tanevvaltas_id IS NULL) THEN EXIT;
    visszavonhato = 0;
    -- pending rows came after the move, which folded them all
    IF (EXISTS (SELECT 1 FROM table_naplo WHERE id > :jel) OR EXISTS (SELECT 1 FROM table_naplo_fuggo)) THEN
        ok = 'azóta egy tanuló adatai megváltoztak';
    ELSE IF (EXISTS (SELECT 1 FROM table_valtozas_jel WHERE id > :jel AND tabla = 'TABLE_OSZTALY')) THEN
        ok = 'azóta egy osztály adatai megváltoztak';
    ELSE IF (EXISTS (SELECT 1 FROM table_valtozas_jel WHERE id > :jel AND tabla = 'TABLE_OSZTALY_TARGY')) THEN
        ok = 'azóta egy osztály tantárgyai megváltoztak';
    ELSE IF (EXISTS (SELECT 1 FROM table_valtozas_jel WHERE id > :jel AND tabla = 'TABLE_DIAK_ARCHIV')) THEN
        ok = 'azóta a kilépett tanulók archívuma megváltozott';
    ELSE IF (NOT EXISTS (SELECT 1 FROM table_tv_osztaly WHERE tanevvaltas_id = :tanevvaltas_id)
             AND EXISTS (SELECT 1 FROM table_osztaly)) THEN
        ok = 'a visszavonáshoz szükséges adatok már nincsenek meg';
    ELSE
    BEGIN
        SELECT FIRST 1 ok FROM PRC_TANEVVALTAS_AKADALYOK(:tanevvaltas_id) INTO :ok;
        visszavonhato = IIF(ok IS NULL, 1, 0);
    END
    SUSPEND;
END^

-- The year-end move in one pass: the final grade leaves (its classes, with their subjects,
-- removed), the other classes move up a grade, repeaters stay at theirs, every continuing
-- student gets the new school year, leavers go to the archive. What was is kept for the undo.
CREATE OR ALTER PROCEDURE PRC_TANEVVALTAS (
    uj_tanev  INTEGER,
    vegzos    INTEGER,
    datum     DATE)
RETURNS (tanevvaltas_id INTEGER, tovabblepett INTEGER, ismetel INTEGER, kilepett INTEGER)
AS
    DECLARE tv INTEGER;
    DECLARE oid INTEGER;
    DECLARE did INTEGER;
    DECLARE szam INTEGER;
    DECLARE betu VARCHAR(10);
    DECLARE szak VARCHAR(100);
    DECLARE cel INTEGER;
    DECLARE osszes INTEGER;
BEGIN
    IF (uj_tanev IS NULL OR uj_tanev NOT BETWEEN 1901 AND 2999) THEN
        EXCEPTION ex_korvana '\A tanév nem megfelelő!\';
    IF (vegzos IS NULL OR vegzos NOT BETWEEN 1 AND 13) THEN
        EXCEPTION ex_korvana '\A végzős évfolyam 1 és 13 közötti egész szám lehet!\';
    IF (datum IS NULL) THEN
        EXCEPTION ex_korvana '\A kilépés dátuma nem lehet üres!\';
    IF (EXISTS (SELECT 1 FROM table_tanevvaltas WHERE aktiv_tanev >= :uj_tanev)) THEN
        EXCEPTION ex_korvana '\A(z) ' || uj_tanev || '/' || (uj_tanev + 1) ||
            '. tanévre (vagy egy későbbire) már megtörtént a tanévváltás.\';
    IF (EXISTS (SELECT 1 FROM table_diak WHERE evfolyam >= :uj_tanev)) THEN
        EXCEPTION ex_korvana '\Van olyan tanuló, aki már a(z) ' || uj_tanev || '/' || (uj_tanev + 1) ||
            '. tanévben (vagy egy későbbiben) jár: a tanévváltás erre a tanévre már nem futtatható.\';
    IF (EXISTS (SELECT 1 FROM table_tv_jeloles WHERE jeloles = 'K' AND kilepes_ok IS NULL)) THEN
        EXCEPTION ex_korvana '\Van kilépőként jelölt tanuló, akinél nincs megadva a kilépés oka!\';
    IF (EXISTS (SELECT 1 FROM table_osztaly WHERE osztaly_szam > :vegzos)) THEN
        EXCEPTION ex_korvana '\Van a végzős évfolyamnál magasabb évfolyamú osztály!\';

    -- the log is complete up to here: no other writer runs while the move holds its tables
    EXECUTE PROCEDURE PRC_NAPLO_OSSZEVONAS;
    EXECUTE PROCEDURE PRC_SAJAT_JEL('KORVANA_TANEVVALTAS', 1);
    EXECUTE PROCEDURE PRC_SAJAT_JEL('KORVANA_TORTENET_KI', 1);
    ismetel = 0;

    -- only the last move can be undone: what the earlier ones kept goes
    DELETE FROM table_tv_diak;
    DELETE FROM table_tv_osztaly;
    DELETE FROM table_tv_osztaly_targy;
    DELETE FROM table_tv_jeloles_mentes;
    DELETE FROM table_tv_nev;

    INSERT INTO table_tanevvaltas (uj_tanev, aktiv_tanev, vegzos_evfolyam, munkaallomas)
    VALUES (:uj_tanev, :uj_tanev, :vegzos, FN_MUNKAALLOMAS())
    RETURNING id INTO :tv;
    tanevvaltas_id = tv;
    -- the log names a student's former class as it was before the move
    EXECUTE PROCEDURE PRC_SAJAT_JEL('KORVANA_TV_NEV', 'E' || :tv);

    INSERT INTO table_tv_osztaly (tanevvaltas_id, id, osztaly_szam, osztaly_betu, osztaly_szak, osztalyfonok_id, sors)
    SELECT :tv, id, osztaly_szam, osztaly_betu, osztaly_szak, osztalyfonok_id, IIF(osztaly_szam = :vegzos, 'V', 'T')
      FROM table_osztaly;
    INSERT INTO table_tv_diak (tanevvaltas_id, diak_id, osztaly_ID, evfolyam)
    SELECT :tv, id, osztaly_ID, evfolyam FROM table_diak;
    INSERT INTO table_tv_jeloles_mentes (tanevvaltas_id, diak_id, jeloles, kilepes_ok, megjegyzes)
    SELECT :tv, diak_id, jeloles, kilepes_ok, megjegyzes FROM table_tv_jeloles;
    INSERT INTO table_tv_osztaly_targy (tanevvaltas_id, osztaly_id, targy_id, tanar_id)
    SELECT :tv, ot.osztaly_id, ot.targy_id, ot.tanar_id
      FROM table_osztaly_targy ot JOIN table_osztaly o ON o.id = ot.osztaly_id
     WHERE o.osztaly_szam = :vegzos;
    INSERT INTO table_tv_nev (tanevvaltas_id, tabla, id, nev) SELECT :tv, 'T', id, nev FROM table_tanar;
    INSERT INTO table_tv_nev (tanevvaltas_id, tabla, id, nev) SELECT :tv, 'S', id, targy_nev FROM table_targy;
    INSERT INTO table_tv_nev (tanevvaltas_id, tabla, id, nev) SELECT :tv, 'N', id, nyelv_nev FROM table_nyelv;

    -- leavers: the final grade unless repeating, and whoever is marked to leave
    INSERT INTO table_diak_archiv (id, nev, diak_cim, diak_cim_varos, szul_hely, szul_ido, sz_szam, diak_tel, anyja_nev, gondviselo_nev, gondviselo_cim, gondviselo_tel, diak_taj, diak_OM, diak_diak, osztaly_ID, mj, tanult_nyelv_ID, evfolyam, kilepes_datum, kilepes_ok, kilepes_megjegyzes,
                                   utolso_osztaly_szam, utolso_osztaly_betu, utolso_osztaly_szak, tanevvaltas_id)
    SELECT d.id, d.nev, d.diak_cim, d.diak_cim_varos, d.szul_hely, d.szul_ido, d.sz_szam, d.diak_tel, d.anyja_nev, d.gondviselo_nev, d.gondviselo_cim, d.gondviselo_tel, d.diak_taj, d.diak_OM, d.diak_diak, d.osztaly_ID, d.mj, d.tanult_nyelv_ID, d.evfolyam, :datum, COALESCE(j.kilepes_ok, 1), j.megjegyzes,
           o.osztaly_szam, o.osztaly_betu, o.osztaly_szak, :tv
      FROM table_diak d
      LEFT JOIN table_osztaly o ON o.id = d.osztaly_ID
      LEFT JOIN table_tv_jeloles j ON j.diak_id = d.id
     WHERE (o.osztaly_szam = :vegzos AND j.jeloles IS DISTINCT FROM 'I') OR j.jeloles = 'K';
    kilepett = ROW_COUNT;
    INSERT INTO table_osztaly_tortenet (diak_id, tanev, osztaly_szam, osztaly_betu, esemeny, tanevvaltas_id)
    SELECT id, evfolyam, utolso_osztaly_szam, utolso_osztaly_betu, TRIM(IIF(kilepes_ok = 1, 'végzett', 'kilépés')), :tv
      FROM table_diak_archiv WHERE tanevvaltas_id = :tv;
    EXECUTE PROCEDURE PRC_SAJAT_JEL('KORVANA_NAPLO_KILEPES', 1);
    FOR SELECT id FROM table_diak_archiv WHERE tanevvaltas_id = :tv INTO :did DO
    BEGIN
        DELETE FROM table_diak WHERE id = :did;
        EXECUTE PROCEDURE PRC_NAPLO_KILEPES(:did);
    END
    EXECUTE PROCEDURE PRC_SAJAT_JEL('KORVANA_NAPLO_KILEPES', NULL);

    -- the final classes out of the way of the class moving into their grade and letter
    UPDATE table_osztaly SET osztaly_betu = '~' || id WHERE osztaly_szam = :vegzos;
    -- from the top down, so each class frees the place the next one takes
    FOR SELECT id FROM table_osztaly WHERE osztaly_szam < :vegzos ORDER BY osztaly_szam DESC INTO :oid DO
        UPDATE table_osztaly SET osztaly_szam = osztaly_szam + 1 WHERE id = :oid;

    -- repeaters stay at their grade: the class now holding that grade and letter, made if none
    FOR SELECT d.id, s.osztaly_szam, s.osztaly_betu, s.osztaly_szak
          FROM table_tv_jeloles j
          JOIN table_diak d ON d.id = j.diak_id
          JOIN table_tv_osztaly s ON s.tanevvaltas_id = :tv AND s.id = d.osztaly_ID
         WHERE j.jeloles = 'I'
          INTO :did, :szam, :betu, :szak DO
    BEGIN
        cel = NULL;
        SELECT id FROM table_osztaly WHERE osztaly_szam = :szam AND osztaly_betu = :betu INTO :cel;
        IF (cel IS NULL) THEN
        BEGIN
            INSERT INTO table_osztaly (osztaly_szam, osztaly_betu, osztaly_szak)
            VALUES (:szam, :betu, :szak) RETURNING id INTO :cel;
            INSERT INTO table_tv_osztaly (tanevvaltas_id, id, osztaly_szam, osztaly_betu, sors)
            VALUES (:tv, :cel, :szam, :betu, 'U');
        END
        UPDATE table_diak SET osztaly_ID = :cel WHERE id = :did;
        ismetel = ismetel + 1;
    END

    FOR SELECT id FROM table_tv_osztaly WHERE tanevvaltas_id = :tv AND sors = 'V' INTO :oid DO
    BEGIN
        DELETE FROM table_osztaly_targy WHERE osztaly_id = :oid;
        DELETE FROM table_osztaly WHERE id = :oid;
    END

    UPDATE table_diak SET evfolyam = :uj_tanev;
    osszes = ROW_COUNT;
    tovabblepett = osszes - ismetel;
    INSERT INTO table_osztaly_tortenet (diak_id, tanev, osztaly_szam, osztaly_betu, esemeny, tanevvaltas_id)
    SELECT d.id, d.evfolyam, o.osztaly_szam, o.osztaly_betu,
           TRIM(IIF(j.jeloles IS NOT DISTINCT FROM 'I', 'évismétlés', 'tanévváltás')), :tv
      FROM table_diak d
      LEFT JOIN table_osztaly o ON o.id = d.osztaly_ID
      LEFT JOIN table_tv_jeloles j ON j.diak_id = d.id;
    DELETE FROM table_tv_jeloles;

    EXECUTE PROCEDURE PRC_NAPLO_OSSZEVONAS;
    UPDATE table_tanevvaltas
       SET naplo_jel = GEN_ID(gen_naplo, 0), tovabblepett = :tovabblepett, ismetel = :ismetel, kilepett = :kilepett
     WHERE id = :tv;
    EXECUTE PROCEDURE PRC_SAJAT_JEL('KORVANA_TANEVVALTAS', NULL);
    EXECUTE PROCEDURE PRC_SAJAT_JEL('KORVANA_TORTENET_KI', NULL);
    EXECUTE PROCEDURE PRC_SAJAT_JEL('KORVANA_TV_NEV', NULL);
    SUSPEND;
END^

-- Puts everything back as it was before the last move.
CREATE OR ALTER PROCEDURE PRC_TANEVVALTAS_VISSZAVONASA (
    tanevvaltas_id INTEGER)
AS
    DECLARE utolso INTEGER;
    DECLARE lehet SMALLINT;
    DECLARE miert VARCHAR(200);
    DECLARE oid INTEGER;
    DECLARE did INTEGER;
    DECLARE szam INTEGER;
    DECLARE betu VARCHAR(10);
BEGIN
    SELECT tanevvaltas_id, visszavonhato, ok FROM PRC_TANEVVALTAS_ALLAPOT INTO :utolso, :lehet, :miert;
    IF (utolso IS NULL OR utolso IS DISTINCT FROM tanevvaltas_id) THEN
        EXCEPTION ex_korvana '\Ez a tanévváltás már nem az utolsó: nem vonható vissza.\';
    IF (lehet = 0) THEN
        EXCEPTION ex_korvana '\A tanévváltás már nem vonható vissza: ' || miert || '.\';

    EXECUTE PROCEDURE PRC_SAJAT_JEL('KORVANA_TANEVVALTAS', 1);
    EXECUTE PROCEDURE PRC_SAJAT_JEL('KORVANA_TORTENET_KI', 1);
    -- the log names the class a student goes back into as it will be again
    EXECUTE PROCEDURE PRC_SAJAT_JEL('KORVANA_TV_NEV', 'V' || :tanevvaltas_id);

    -- the final classes back, under a letter out of the way until the others move down
    INSERT INTO table_osztaly (id, osztaly_szam, osztaly_betu, osztaly_szak, osztalyfonok_id)
    SELECT id, osztaly_szam, '~' || id, osztaly_szak, osztalyfonok_id
      FROM table_tv_osztaly WHERE tanevvaltas_id = :tanevvaltas_id AND sors = 'V';
    FOR SELECT id FROM table_diak_archiv WHERE tanevvaltas_id = :tanevvaltas_id INTO :did DO
    BEGIN
        INSERT INTO table_diak (id, nev, diak_cim, diak_cim_varos, szul_hely, szul_ido, sz_szam, diak_tel, anyja_nev, gondviselo_nev, gondviselo_cim, gondviselo_tel, diak_taj, diak_OM, diak_diak, osztaly_ID, mj, tanult_nyelv_ID, evfolyam)
        SELECT id, nev, diak_cim, diak_cim_varos, szul_hely, szul_ido, sz_szam, diak_tel, anyja_nev, gondviselo_nev, gondviselo_cim, gondviselo_tel, diak_taj, diak_OM, diak_diak, osztaly_ID, mj, tanult_nyelv_ID, evfolyam FROM table_diak_archiv WHERE id = :did;
        DELETE FROM table_diak_archiv WHERE id = :did;
    END
    MERGE INTO table_diak d
    USING (SELECT diak_id, osztaly_ID, evfolyam FROM table_tv_diak WHERE tanevvaltas_id = :tanevvaltas_id) s
       ON d.id = s.diak_id
     WHEN MATCHED AND (d.osztaly_ID IS DISTINCT FROM s.osztaly_ID OR d.evfolyam IS DISTINCT FROM s.evfolyam) THEN
          UPDATE SET osztaly_ID = s.osztaly_ID, evfolyam = s.evfolyam;

    FOR SELECT id FROM table_tv_osztaly WHERE tanevvaltas_id = :tanevvaltas_id AND sors = 'U' INTO :oid DO
        DELETE FROM table_osztaly WHERE id = :oid;
    -- from the bottom up, so each class frees the place the next one takes
    FOR SELECT id, osztaly_szam FROM table_tv_osztaly
         WHERE tanevvaltas_id = :tanevvaltas_id AND sors = 'T' ORDER BY osztaly_szam ASC INTO :oid, :szam DO
        UPDATE table_osztaly SET osztaly_szam = :szam WHERE id = :oid;
    FOR SELECT id, osztaly_betu FROM table_tv_osztaly
         WHERE tanevvaltas_id = :tanevvaltas_id AND sors = 'V' INTO :oid, :betu DO
        UPDATE table_osztaly SET osztaly_betu = :betu WHERE id = :oid;
    INSERT INTO table_osztaly_targy (osztaly_id, targy_id, tanar_id)
    SELECT osztaly_id, targy_id, tanar_id FROM table_tv_osztaly_targy WHERE tanevvaltas_id = :tanevvaltas_id;

    DELETE FROM table_osztaly_tortenet WHERE tanevvaltas_id = :tanevvaltas_id;
    -- the marks come back; those made since stay
    MERGE INTO table_tv_jeloles j
    USING (SELECT diak_id, jeloles, kilepes_ok, megjegyzes FROM table_tv_jeloles_mentes
            WHERE tanevvaltas_id = :tanevvaltas_id) m
       ON j.diak_id = m.diak_id
     WHEN NOT MATCHED THEN
          INSERT (diak_id, jeloles, kilepes_ok, megjegyzes) VALUES (m.diak_id, m.jeloles, m.kilepes_ok, m.megjegyzes);

    DELETE FROM table_tv_diak WHERE tanevvaltas_id = :tanevvaltas_id;
    DELETE FROM table_tv_osztaly WHERE tanevvaltas_id = :tanevvaltas_id;
    DELETE FROM table_tv_osztaly_targy WHERE tanevvaltas_id = :tanevvaltas_id;
    DELETE FROM table_tv_jeloles_mentes WHERE tanevvaltas_id = :tanevvaltas_id;
    DELETE FROM table_tv_nev WHERE tanevvaltas_id = :tanevvaltas_id;
    UPDATE table_tanevvaltas SET aktiv_tanev = NULL, visszavonva = CURRENT_TIMESTAMP WHERE id = :tanevvaltas_id;
    EXECUTE PROCEDURE PRC_NAPLO_OSSZEVONAS;
    EXECUTE PROCEDURE PRC_SAJAT_JEL('KORVANA_TANEVVALTAS', NULL);
    EXECUTE PROCEDURE PRC_SAJAT_JEL('KORVANA_TORTENET_KI', NULL);
    EXECUTE PROCEDURE PRC_SAJAT_JEL('KORVANA_TV_NEV', NULL);
END^

SET TERM ;^
COMMIT;
