SET NAMES UTF8;
-- What only the database writes is written through routines that take the person from
-- the login itself: the register's voids, and the import naming its own event. No column
-- default names anyone, since a default is only what a writer leaves out. Safe to run again.

SET TERM ^;
EXECUTE BLOCK AS
BEGIN
    IF (EXISTS (SELECT 1 FROM rdb$relation_fields WHERE rdb$relation_name = 'TABLE_DOKUMENTUM_ERVENYTELEN'
                AND rdb$field_name = 'FELHASZNALO' AND rdb$default_source IS NOT NULL)) THEN
        EXECUTE STATEMENT 'ALTER TABLE table_dokumentum_ervenytelen ALTER COLUMN felhasznalo DROP DEFAULT';
END^
SET TERM ;^
COMMIT;

SET TERM ^;
-- Voids the document of a school year's number, in the name of whoever is logged in.
CREATE OR ALTER PROCEDURE PRC_DOKUMENTUM_ERVENYTELENITESE (
    tanev    INTEGER,
    sorszam  INTEGER,
    ok       VARCHAR(300))
AS
    DECLARE id INTEGER;
BEGIN
    IF (TRIM(COALESCE(ok, '')) = '') THEN
        EXCEPTION ex_korvana '\Írja be az érvénytelenítés okát!\';
    SELECT id FROM table_kiadott_dokumentum WHERE tanev = :tanev AND sorszam = :sorszam INTO :id;
    IF (id IS NULL) THEN
        EXCEPTION ex_korvana '\Nincs ilyen iktatószámú dokumentum: ' || COALESCE(sorszam, '') || '/' ||
                             COALESCE(tanev, '') || '/' || COALESCE(tanev + 1, '') || '.\';
    IF (EXISTS (SELECT 1 FROM table_dokumentum_ervenytelen WHERE dokumentum_id = :id)) THEN
        EXCEPTION ex_korvana '\A dokumentum már érvénytelen: ' || sorszam || '/' || tanev || '/' || (tanev + 1) || '.\';
    INSERT INTO table_dokumentum_ervenytelen (dokumentum_id, ok, mikor, felhasznalo)
    VALUES (:id, TRIM(:ok), CURRENT_TIMESTAMP, CURRENT_USER);
END^

-- The import's transaction is one "beolvasás" event; what else it does is told as it is.
CREATE OR ALTER PROCEDURE PRC_BEOLVASAS_ESEMENY
AS
    DECLARE e BIGINT;
BEGIN
    EXECUTE PROCEDURE PRC_NAPLO_ESEMENY('beolvasás') RETURNING_VALUES :e;
END^
SET TERM ;^
COMMIT;
