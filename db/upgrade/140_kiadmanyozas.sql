SET NAMES UTF8;
-- What a school certificate needs beyond the student's data: who signs it (the head, or a
-- deputy on the head's behalf), the school's last grade (so the expected end of a
-- student's enrolment is known), and for an SNI student whether compulsory schooling is
-- extended to the school year of the 23rd birthday. Safe to run again.

SET TERM ^;
EXECUTE BLOCK AS
BEGIN
    IF (NOT EXISTS (SELECT 1 FROM rdb$relation_fields
                    WHERE rdb$relation_name = 'TABLE_ISKOLA' AND rdb$field_name = 'ALAIRO')) THEN
        EXECUTE STATEMENT 'ALTER TABLE table_iskola ADD alairo SMALLINT DEFAULT 0 NOT NULL';
    IF (NOT EXISTS (SELECT 1 FROM rdb$relation_fields
                    WHERE rdb$relation_name = 'TABLE_ISKOLA' AND rdb$field_name = 'HELYETTES_NEV')) THEN
        EXECUTE STATEMENT 'ALTER TABLE table_iskola ADD helyettes_nev VARCHAR(100)';
    IF (NOT EXISTS (SELECT 1 FROM rdb$relation_fields
                    WHERE rdb$relation_name = 'TABLE_ISKOLA' AND rdb$field_name = 'HELYETTES_BEOSZTAS')) THEN
        EXECUTE STATEMENT 'ALTER TABLE table_iskola ADD helyettes_beosztas VARCHAR(100)';
    IF (NOT EXISTS (SELECT 1 FROM rdb$relation_fields
                    WHERE rdb$relation_name = 'TABLE_ISKOLA' AND rdb$field_name = 'UTOLSO_EVFOLYAM')) THEN
        EXECUTE STATEMENT 'ALTER TABLE table_iskola ADD utolso_evfolyam SMALLINT';
    IF (NOT EXISTS (SELECT 1 FROM rdb$relation_constraints
                    WHERE rdb$constraint_name = 'CK_ISKOLA_KIADMANYOZAS')) THEN
        EXECUTE STATEMENT 'ALTER TABLE table_iskola ADD CONSTRAINT ck_iskola_kiadmanyozas
                           CHECK (alairo IN (0, 1) AND (utolso_evfolyam IS NULL OR utolso_evfolyam BETWEEN 1 AND 14))';
    IF (NOT EXISTS (SELECT 1 FROM rdb$relation_fields
                    WHERE rdb$relation_name = 'TABLE_DIAK_BIZALMAS' AND rdb$field_name = 'SNI_HOSSZABB')) THEN
        EXECUTE STATEMENT 'ALTER TABLE table_diak_bizalmas ADD sni_hosszabb SMALLINT DEFAULT 0 NOT NULL';
END^
SET TERM ;^
COMMIT;

-- Rows written before the column existed got no default in Firebird 3 until touched.
UPDATE table_iskola SET alairo = 0 WHERE alairo IS NULL;
UPDATE table_diak_bizalmas SET sni_hosszabb = 0 WHERE sni_hosszabb IS NULL;
COMMIT;

SET TERM ^;
EXECUTE BLOCK AS
BEGIN
    -- an extension belongs to an SNI status only
    IF (NOT EXISTS (SELECT 1 FROM rdb$relation_constraints
                    WHERE rdb$constraint_name = 'CK_DIAK_BIZALMAS_HOSSZABB')) THEN
        EXECUTE STATEMENT 'ALTER TABLE table_diak_bizalmas ADD CONSTRAINT ck_diak_bizalmas_hosszabb
                           CHECK (sni_hosszabb IN (0, 1) AND (sni_hosszabb = 0 OR sni = 1))';
END^
COMMIT^

-- The statuses' own log shows as events of their own to whoever may read them: a writing
-- transaction's changes to one student are one event.
EXECUTE BLOCK AS
BEGIN
    IF (NOT EXISTS (SELECT 1 FROM rdb$relation_fields WHERE rdb$relation_name = 'TABLE_NAPLO_BIZALMAS'
                    AND rdb$field_name = 'TRANZAKCIO')) THEN
        EXECUTE STATEMENT 'ALTER TABLE table_naplo_bizalmas ADD tranzakcio BIGINT, ADD kliens_gep VARCHAR(255),
                           ADD kliens_cim VARCHAR(255)';
    IF (NOT EXISTS (SELECT 1 FROM rdb$indices WHERE rdb$index_name = 'IX_NAPLO_BIZALMAS_MIKOR')) THEN
        EXECUTE STATEMENT 'CREATE INDEX ix_naplo_bizalmas_mikor ON table_naplo_bizalmas (mikor)';
END^
COMMIT^

-- The statuses' changes, field by field, in their own log that only the office reads.
CREATE OR ALTER TRIGGER trg_diak_bizalmas_naplo FOR table_diak_bizalmas
ACTIVE AFTER INSERT OR UPDATE OR DELETE POSITION 30
AS
BEGIN
    INSERT INTO table_naplo_bizalmas (diak_id, felhasznalo, mezo, regi, uj, tranzakcio, kliens_gep, kliens_cim)
    SELECT COALESCE(NEW.diak_id, OLD.diak_id), CURRENT_USER, m, TRIM(r), TRIM(u), CURRENT_TRANSACTION,
           RDB$GET_CONTEXT('SYSTEM', 'CLIENT_HOST'), RDB$GET_CONTEXT('SYSTEM', 'CLIENT_ADDRESS') FROM (
            SELECT CAST('sni' AS VARCHAR(31)) m, IIF(OLD.sni = 1, 'igen', 'nem') r, IIF(NEW.sni = 1, 'igen', 'nem') u FROM rdb$database
            UNION ALL SELECT 'sni_kelte', OLD.sni_kelte, NEW.sni_kelte FROM rdb$database
            UNION ALL SELECT 'sni_ervenyes', OLD.sni_ervenyes, NEW.sni_ervenyes FROM rdb$database
            UNION ALL SELECT 'sni_hosszabb', IIF(OLD.sni_hosszabb = 1, 'igen', 'nem'),
                             IIF(NEW.sni_hosszabb = 1, 'igen', 'nem') FROM rdb$database
            UNION ALL SELECT 'btmn', IIF(OLD.btmn = 1, 'igen', 'nem'), IIF(NEW.btmn = 1, 'igen', 'nem') FROM rdb$database
            UNION ALL SELECT 'btmn_kelte', OLD.btmn_kelte, NEW.btmn_kelte FROM rdb$database
            UNION ALL SELECT 'btmn_ervenyes', OLD.btmn_ervenyes, NEW.btmn_ervenyes FROM rdb$database
            UNION ALL SELECT 'hh', IIF(OLD.hh = 1, 'igen', 'nem'), IIF(NEW.hh = 1, 'igen', 'nem') FROM rdb$database
            UNION ALL SELECT 'hh_kelte', OLD.hh_kelte, NEW.hh_kelte FROM rdb$database
            UNION ALL SELECT 'hh_ervenyes', OLD.hh_ervenyes, NEW.hh_ervenyes FROM rdb$database
            UNION ALL SELECT 'hhh', IIF(OLD.hhh = 1, 'igen', 'nem'), IIF(NEW.hhh = 1, 'igen', 'nem') FROM rdb$database
            UNION ALL SELECT 'hhh_kelte', OLD.hhh_kelte, NEW.hhh_kelte FROM rdb$database
            UNION ALL SELECT 'hhh_ervenyes', OLD.hhh_ervenyes, NEW.hhh_ervenyes FROM rdb$database)
     WHERE COALESCE(TRIM(r), '') IS DISTINCT FROM COALESCE(TRIM(u), '');
END^
SET TERM ;^
COMMIT;
