SET NAMES UTF8;
-- What this database is, for the program's warning of old backups: the school's own
-- (jelleg 'iskolai'), the demo school ('bemutato', create-db --demo and --students) or a
-- developer's ('fejlesztoi'), and since when it is used: with no verified backup ever
-- made, the warning counts from then. One row. Safe to run again.

SET TERM ^;
EXECUTE BLOCK AS
BEGIN
    IF (NOT EXISTS (SELECT 1 FROM rdb$relations WHERE rdb$relation_name = 'TABLE_ADATBAZIS')) THEN
        EXECUTE STATEMENT '
        CREATE TABLE table_adatbazis (
            id              SMALLINT NOT NULL,
            jelleg          VARCHAR(20) DEFAULT ''iskolai'' NOT NULL,
            elso_hasznalat  TIMESTAMP DEFAULT CURRENT_TIMESTAMP NOT NULL,
            CONSTRAINT pk_adatbazis PRIMARY KEY (id),
            CONSTRAINT ck_adatbazis_id CHECK (id = 1),
            CONSTRAINT ck_adatbazis_jelleg CHECK (jelleg IN (''iskolai'', ''bemutato'', ''fejlesztoi''))
        )';
END^
SET TERM ;^
COMMIT;

-- A database used before this script: its first use is the first upgrade it recorded (the
-- time of 080_mentes, or of its creation after that), and a demo school made earlier is
-- known by the demo's own school data.
INSERT INTO table_adatbazis (id, jelleg, elso_hasznalat)
SELECT 1,
       IIF(EXISTS (SELECT 1 FROM table_iskola WHERE om_azonosito = '033999'
                   AND nev = 'Bemutató Gimnázium és Technikum'), 'bemutato', 'iskolai'),
       COALESCE((SELECT MIN(ido) FROM table_frissites), CURRENT_TIMESTAMP)
  FROM rdb$database
 WHERE NOT EXISTS (SELECT 1 FROM table_adatbazis);
COMMIT;
