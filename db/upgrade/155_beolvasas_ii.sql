SET NAMES UTF8;
-- Intake without duplicates when a file has no identifiers: names are compared in upper
-- case (Unicode's, so "KOVÁCS" is "Kovács"), by index in the registry and the archive, as
-- the duplicate checks and the storing transaction's re-check look them up. Safe to run
-- again.

SET TERM ^;
EXECUTE BLOCK AS
BEGIN
    IF (NOT EXISTS (SELECT 1 FROM rdb$indices WHERE rdb$index_name = 'IX_DIAK_NEV_NAGYBETUS')) THEN
        EXECUTE STATEMENT 'CREATE INDEX ix_diak_nev_nagybetus ON table_diak COMPUTED BY (UPPER(nev))';
    IF (NOT EXISTS (SELECT 1 FROM rdb$indices WHERE rdb$index_name = 'IX_DIAK_ARCHIV_NEV_NAGYBETUS')) THEN
        EXECUTE STATEMENT 'CREATE INDEX ix_diak_archiv_nev_nagybetus ON table_diak_archiv
            COMPUTED BY (UPPER(nev))';
END^
SET TERM ;^
COMMIT;
