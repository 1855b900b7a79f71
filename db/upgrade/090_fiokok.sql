SET NAMES UTF8;
-- Personal accounts: the full names of the people who log in (the server keeps the
-- accounts themselves; only administrators may read them there), the mark that the
-- office has turned the accounts on, and who issued a document or ran a year-end move.
-- Safe to run again.

SET TERM ^;
EXECUTE BLOCK AS
BEGIN
    IF (NOT EXISTS (SELECT 1 FROM rdb$relations WHERE rdb$relation_name = 'TABLE_FIOK')) THEN
        EXECUTE STATEMENT '
        CREATE TABLE table_fiok (
            felhasznalo  VARCHAR(63) NOT NULL,
            teljes_nev   VARCHAR(100),
            CONSTRAINT pk_fiok PRIMARY KEY (felhasznalo)
        )';
    -- One row once the accounts are on: from then on the built-in login is refused.
    IF (NOT EXISTS (SELECT 1 FROM rdb$relations WHERE rdb$relation_name = 'TABLE_FIOK_JEL')) THEN
        EXECUTE STATEMENT '
        CREATE TABLE table_fiok_jel (
            id           SMALLINT NOT NULL,
            bekapcsolva  TIMESTAMP DEFAULT CURRENT_TIMESTAMP NOT NULL,
            CONSTRAINT pk_fiok_jel PRIMARY KEY (id),
            CONSTRAINT ck_fiok_jel CHECK (id = 1)
        )';
    -- The person behind a register entry or a move, written by the database itself.
    IF (NOT EXISTS (SELECT 1 FROM rdb$relations WHERE rdb$relation_name = 'TABLE_KI_TETTE')) THEN
        EXECUTE STATEMENT '
        CREATE TABLE table_ki_tette (
            tabla        VARCHAR(31) NOT NULL,
            sor_id       INTEGER NOT NULL,
            felhasznalo  VARCHAR(63) NOT NULL,
            CONSTRAINT pk_ki_tette PRIMARY KEY (tabla, sor_id)
        )';
END^
SET TERM ;^
COMMIT;

SET TERM ^;
CREATE OR ALTER TRIGGER trg_kiadott_dokumentum_ki FOR table_kiadott_dokumentum
ACTIVE AFTER INSERT POSITION 50
AS
BEGIN
    INSERT INTO table_ki_tette (tabla, sor_id, felhasznalo)
    VALUES ('TABLE_KIADOTT_DOKUMENTUM', NEW.id, CURRENT_USER);
END^

CREATE OR ALTER TRIGGER trg_tanevvaltas_ki FOR table_tanevvaltas
ACTIVE AFTER INSERT POSITION 50
AS
BEGIN
    INSERT INTO table_ki_tette (tabla, sor_id, felhasznalo)
    VALUES ('TABLE_TANEVVALTAS', NEW.id, CURRENT_USER);
END^
SET TERM ;^
COMMIT;
