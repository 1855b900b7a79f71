SET NAMES UTF8;
-- Students read from a spreadsheet: which student field a column heading stands for, as
-- the office last chose it, and the indexes the duplicate checks look identifiers up by.
-- Safe to run again.

SET TERM ^;
EXECUTE BLOCK AS
BEGIN
    -- fejlec: the heading in lower case without accents and blanks; mezo: the field's
    -- name, empty for a column left out.
    IF (NOT EXISTS (SELECT 1 FROM rdb$relations WHERE rdb$relation_name = 'TABLE_BEOLVASAS_OSZLOP')) THEN
        EXECUTE STATEMENT '
        CREATE TABLE table_beolvasas_oszlop (
            fejlec  VARCHAR(100) NOT NULL,
            mezo    VARCHAR(31) NOT NULL,
            CONSTRAINT pk_beolvasas_oszlop PRIMARY KEY (fejlec)
        )';
    -- The registry and the archive alike; TAJ numbers are compared without the blanks and
    -- hyphens people write into them (OM numbers too: see 060).
    IF (NOT EXISTS (SELECT 1 FROM rdb$indices WHERE rdb$index_name = 'IX_DIAK_TAJ_SZAMJEGYEI')) THEN
        EXECUTE STATEMENT 'CREATE INDEX ix_diak_taj_szamjegyei ON table_diak
            COMPUTED BY (REPLACE(REPLACE(diak_taj, '' '', ''''), ''-'', ''''))';
    IF (NOT EXISTS (SELECT 1 FROM rdb$indices WHERE rdb$index_name = 'IX_DIAK_ARCHIV_TAJ_SZAMJEGYEI')) THEN
        EXECUTE STATEMENT 'CREATE INDEX ix_diak_archiv_taj_szamjegyei ON table_diak_archiv
            COMPUTED BY (REPLACE(REPLACE(diak_taj, '' '', ''''), ''-'', ''''))';
END^
SET TERM ;^
COMMIT;
