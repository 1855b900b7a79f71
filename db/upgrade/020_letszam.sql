SET NAMES UTF8;
-- The number of students, kept by the database so that reading it never counts the
-- table: table_letszam_valtozas holds +/- changes, and their sum is the headcount.
-- Row 0 is the base that the fold adds the other rows into. A trigger writes every
-- change, whoever makes it, and its rows come and go with the writer's transaction
-- and savepoints. Writers never touch each other's rows, so they never wait for each
-- other; a transaction keeps one row however many students it changes.
-- Safe to run again: the count is taken from count(*) only where it has no base yet.

SET TERM ^;

EXECUTE BLOCK AS
BEGIN
    IF (NOT EXISTS (SELECT 1 FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = 'TABLE_LETSZAM_VALTOZAS')) THEN
        EXECUTE STATEMENT 'CREATE TABLE table_letszam_valtozas (
                               id        BIGINT NOT NULL,
                               valtozas  BIGINT NOT NULL,
                               CONSTRAINT pk_letszam_valtozas PRIMARY KEY (id))';
    IF (NOT EXISTS (SELECT 1 FROM RDB$GENERATORS WHERE RDB$GENERATOR_NAME = 'GEN_LETSZAM_VALTOZAS')) THEN
        EXECUTE STATEMENT 'CREATE SEQUENCE gen_letszam_valtozas';
END^

COMMIT^

CREATE OR ALTER TRIGGER trg_diak_letszam FOR table_diak
ACTIVE AFTER INSERT OR DELETE POSITION 10
AS
    -- named after the transaction number, which a commit retaining renews
    DECLARE kulcs VARCHAR(40);
    DECLARE sor BIGINT;
    DECLARE d INTEGER;
BEGIN
    d = IIF(INSERTING, 1, -1);
    kulcs = 'KORVANA_LETSZAM_' || CURRENT_TRANSACTION;
    sor = FN_SAJAT_JEL(kulcs);
    IF (sor IS NULL) THEN
    BEGIN
        sor = GEN_ID(gen_letszam_valtozas, 1);
        EXECUTE PROCEDURE PRC_SAJAT_JEL(:kulcs, :sor);
    END
    ELSE
    BEGIN
        UPDATE table_letszam_valtozas SET valtozas = valtozas + :d WHERE id = :sor;
        IF (ROW_COUNT > 0) THEN EXIT;
        -- a rolled-back savepoint took the row with it; the context keeps its key
    END
    INSERT INTO table_letszam_valtozas (id, valtozas) VALUES (:sor, :d);
END^

-- Adds the committed rows into row 0, each one only if this fold deleted it: another
-- fold may have taken it since it was read (its delete failing or finding nothing).
-- Two folds at once then meet on row 0, where the later one fails at once (nowait)
-- and its caller gives up; the sum stays exact either way.
CREATE OR ALTER PROCEDURE PRC_LETSZAM_OSSZEVONAS
AS
    DECLARE sor BIGINT;
    DECLARE v BIGINT;
    DECLARE osszeg BIGINT = 0;
    DECLARE sorok INTEGER = 0;
BEGIN
    FOR SELECT id, valtozas FROM table_letszam_valtozas WHERE id <> 0 INTO :sor, :v DO
    BEGIN
        DELETE FROM table_letszam_valtozas WHERE id = :sor;
        IF (ROW_COUNT > 0) THEN
        BEGIN
            osszeg = osszeg + v;
            sorok = sorok + 1;
        END
        WHEN GDSCODE lock_conflict, GDSCODE update_conflict, GDSCODE deadlock DO
        BEGIN
            -- held or taken by another fold: not this one's to add
        END
    END
    IF (sorok > 0) THEN
    BEGIN
        UPDATE table_letszam_valtozas SET valtozas = valtozas + :osszeg WHERE id = 0;
        IF (ROW_COUNT = 0) THEN
            INSERT INTO table_letszam_valtozas (id, valtozas) VALUES (0, :osszeg);
    END
END^

SET TERM ;^
COMMIT;

-- The base, once: the students in one snapshot less the changes that snapshot already
-- sees, since those are counted by their own rows (the trigger is active from here on).
SET TRANSACTION SNAPSHOT;
INSERT INTO table_letszam_valtozas (id, valtozas)
SELECT 0, (SELECT COUNT(*) FROM table_diak) - COALESCE((SELECT SUM(valtozas) FROM table_letszam_valtozas), 0)
FROM RDB$DATABASE
WHERE NOT EXISTS (SELECT 1 FROM table_letszam_valtozas WHERE id = 0);
COMMIT;
