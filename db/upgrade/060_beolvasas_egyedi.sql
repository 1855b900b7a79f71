SET NAMES UTF8;
-- Intake without duplicates: OM numbers compared without the blanks and hyphens people
-- write into them (as TAJ numbers already are), by index in the registry and the
-- archive; and one row that every import updates first, so that the imports of
-- different workstations run one at a time. Safe to run again.

SET TERM ^;
EXECUTE BLOCK AS
BEGIN
    IF (NOT EXISTS (SELECT 1 FROM rdb$indices WHERE rdb$index_name = 'IX_DIAK_OM_SZAMJEGYEI')) THEN
        EXECUTE STATEMENT 'CREATE INDEX ix_diak_om_szamjegyei ON table_diak
            COMPUTED BY (REPLACE(REPLACE(diak_OM, '' '', ''''), ''-'', ''''))';
    IF (NOT EXISTS (SELECT 1 FROM rdb$indices WHERE rdb$index_name = 'IX_DIAK_ARCHIV_OM_SZAMJEGYEI')) THEN
        EXECUTE STATEMENT 'CREATE INDEX ix_diak_archiv_om_szamjegyei ON table_diak_archiv
            COMPUTED BY (REPLACE(REPLACE(diak_OM, '' '', ''''), ''-'', ''''))';
    -- The OM was looked up as typed; the digits' index serves every lookup now.
    IF (EXISTS (SELECT 1 FROM rdb$indices WHERE rdb$index_name = 'IX_DIAK_OM')) THEN
        EXECUTE STATEMENT 'DROP INDEX ix_diak_om';
    IF (EXISTS (SELECT 1 FROM rdb$indices WHERE rdb$index_name = 'IX_DIAK_ARCHIV_OM')) THEN
        EXECUTE STATEMENT 'DROP INDEX ix_diak_archiv_om';
    IF (NOT EXISTS (SELECT 1 FROM rdb$relations WHERE rdb$relation_name = 'TABLE_BEOLVASAS_ZAR')) THEN
        EXECUTE STATEMENT '
        CREATE TABLE table_beolvasas_zar (
            id   SMALLINT NOT NULL,
            ido  TIMESTAMP,
            CONSTRAINT pk_beolvasas_zar PRIMARY KEY (id),
            CONSTRAINT ck_beolvasas_zar CHECK (id = 1)
        )';
END^
SET TERM ;^
COMMIT;

INSERT INTO table_beolvasas_zar (id)
    SELECT 1 FROM rdb$database WHERE NOT EXISTS (SELECT 1 FROM table_beolvasas_zar);
COMMIT;
