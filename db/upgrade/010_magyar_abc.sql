SET NAMES UTF8;
-- Hungarian alphabetical order. PXW_HUN (WIN1250) sorts á, é, í, ó, ú after a, e, i, o, u
-- as letters of their own; ICU's hu_HU collation counts each long vowel equal to its short
-- pair, keeps ö/ő after o/ó and ü/ű after u/ú, and knows cs, dz, dzs, gy, ly, ny, sz, ty, zs.
-- It exists only for UTF8, so the text that names people, classes, teachers, subjects and
-- places moves to UTF8 domains in that collation. The program's connection stays WIN1250:
-- the domains refuse what WIN1250 cannot hold, so every copy can read every row. Codes,
-- telephone numbers and the note keep their columns, nobody sorts by them. Text columns of
-- later tables get the Hungarian order by default.
-- create-db runs this right after the base scripts. On an older database it keeps every
-- row and id; run again, it changes nothing.

SET TERM ^;

EXECUTE BLOCK AS
BEGIN
    IF (NOT EXISTS (SELECT 1 FROM rdb$collations WHERE rdb$collation_name = 'HU_HU')) THEN
        EXECUTE STATEMENT 'CREATE COLLATION HU_HU FOR UTF8 FROM UNICODE ''LOCALE=hu_HU''';
END^

SET TERM ;^
COMMIT;

ALTER DATABASE SET DEFAULT CHARACTER SET UTF8;
ALTER CHARACTER SET UTF8 SET DEFAULT COLLATION HU_HU;
COMMIT;

SET TERM ^;

EXECUTE BLOCK AS
    DECLARE domen VARCHAR(31);
    DECLARE hossz INTEGER;
BEGIN
    FOR SELECT d.domen, d.hossz FROM (
            SELECT CAST('D_NEV' AS VARCHAR(31)), 100 FROM rdb$database         -- people, subjects, places
            UNION ALL SELECT CAST('D_CIM' AS VARCHAR(31)), 150 FROM rdb$database     -- addresses
            UNION ALL SELECT CAST('D_NYELV' AS VARCHAR(31)), 50 FROM rdb$database    -- languages
            UNION ALL SELECT CAST('D_BETUJEL' AS VARCHAR(31)), 10 FROM rdb$database  -- class letters
        ) d (domen, hossz)
        WHERE NOT EXISTS (SELECT 1 FROM rdb$fields f WHERE f.rdb$field_name = d.domen)
        INTO :domen, :hossz DO
        EXECUTE STATEMENT 'CREATE DOMAIN ' || domen || ' AS VARCHAR(' || hossz ||
            ') CHARACTER SET UTF8 CHECK (CAST(VALUE AS VARCHAR(' || hossz ||
            ') CHARACTER SET WIN1250) IS NOT DISTINCT FROM VALUE) COLLATE HU_HU';
END^

SET TERM ;^
COMMIT;

-- ALTER COLUMN TYPE takes a new character set only from a domain. The rows keep their
-- record format and are read through it; the indexes are built anew on the new keys. A
-- column under a unique constraint cannot change, so its constraint is put back afterwards.
SET TERM ^;

EXECUTE BLOCK AS
    DECLARE tabla VARCHAR(31);
    DECLARE oszlop VARCHAR(31);
    DECLARE domen VARCHAR(31);
    DECLARE megkotes VARCHAR(31);
BEGIN
    FOR SELECT o.tabla, o.oszlop, o.domen, o.megkotes FROM (
            SELECT CAST('TABLE_NYELV' AS VARCHAR(31)), CAST('NYELV_NEV' AS VARCHAR(31)),
                   CAST('D_NYELV' AS VARCHAR(31)), CAST('UQ_NYELV_NEV' AS VARCHAR(31)) FROM rdb$database
            UNION ALL SELECT 'TABLE_TANAR', 'NEV', 'D_NEV', 'UQ_TANAR_NEV' FROM rdb$database
            UNION ALL SELECT 'TABLE_TARGY', 'TARGY_NEV', 'D_NEV', 'UQ_TARGY_NEV' FROM rdb$database
            UNION ALL SELECT 'TABLE_OSZTALY', 'OSZTALY_BETU', 'D_BETUJEL', 'UQ_OSZTALY_SZAM_BETU' FROM rdb$database
            UNION ALL SELECT 'TABLE_OSZTALY', 'OSZTALY_SZAK', 'D_NEV', NULL FROM rdb$database
            UNION ALL SELECT 'TABLE_DIAK', 'NEV', 'D_NEV', NULL FROM rdb$database
            UNION ALL SELECT 'TABLE_DIAK', 'DIAK_CIM', 'D_CIM', NULL FROM rdb$database
            UNION ALL SELECT 'TABLE_DIAK', 'DIAK_CIM_VAROS', 'D_NEV', NULL FROM rdb$database
            UNION ALL SELECT 'TABLE_DIAK', 'SZUL_HELY', 'D_NEV', NULL FROM rdb$database
            UNION ALL SELECT 'TABLE_DIAK', 'ANYJA_NEV', 'D_NEV', NULL FROM rdb$database
            UNION ALL SELECT 'TABLE_DIAK', 'GONDVISELO_NEV', 'D_NEV', NULL FROM rdb$database
            UNION ALL SELECT 'TABLE_DIAK', 'GONDVISELO_CIM', 'D_CIM', NULL FROM rdb$database
        ) o (tabla, oszlop, domen, megkotes)
        WHERE EXISTS (SELECT 1 FROM rdb$relation_fields rf
                      WHERE rf.rdb$relation_name = o.tabla AND rf.rdb$field_name = o.oszlop
                        AND rf.rdb$field_source <> o.domen)
        INTO :tabla, :oszlop, :domen, :megkotes DO
    BEGIN
        IF (EXISTS (SELECT 1 FROM rdb$relation_constraints
                    WHERE rdb$constraint_name = :megkotes AND rdb$relation_name = :tabla)) THEN
            EXECUTE STATEMENT 'ALTER TABLE ' || tabla || ' DROP CONSTRAINT ' || megkotes;
        EXECUTE STATEMENT 'ALTER TABLE ' || tabla || ' ALTER COLUMN ' || oszlop || ' TYPE ' || domen;
    END
END^

SET TERM ;^
COMMIT;

SET TERM ^;

EXECUTE BLOCK AS
    DECLARE tabla VARCHAR(31);
    DECLARE megkotes VARCHAR(31);
    DECLARE oszlopok VARCHAR(100);
BEGIN
    FOR SELECT m.tabla, m.megkotes, m.oszlopok FROM (
            SELECT CAST('TABLE_NYELV' AS VARCHAR(31)), CAST('UQ_NYELV_NEV' AS VARCHAR(31)),
                   CAST('nyelv_nev' AS VARCHAR(100)) FROM rdb$database
            UNION ALL SELECT 'TABLE_TANAR', 'UQ_TANAR_NEV', 'nev' FROM rdb$database
            UNION ALL SELECT 'TABLE_TARGY', 'UQ_TARGY_NEV', 'targy_nev' FROM rdb$database
            UNION ALL SELECT 'TABLE_OSZTALY', 'UQ_OSZTALY_SZAM_BETU', 'osztaly_szam, osztaly_betu' FROM rdb$database
        ) m (tabla, megkotes, oszlopok)
        WHERE NOT EXISTS (SELECT 1 FROM rdb$relation_constraints c WHERE c.rdb$constraint_name = m.megkotes)
        INTO :tabla, :megkotes, :oszlopok DO
        EXECUTE STATEMENT 'ALTER TABLE ' || tabla || ' ADD CONSTRAINT ' || megkotes || ' UNIQUE (' || oszlopok || ')';
END^

SET TERM ;^
COMMIT;
