SET NAMES UTF8;
-- The three roles of personal accounts and what each may do, granted by the database
-- itself: the grants are the real limit, whatever program or tool a person uses.
--   KORVANA_VEZETO  head of office: everything
--   KORVANA_IRODA   office: students, leaving, the import, documents, the reference lists
--                   and the assignments; the school's data, the accounts and the year-end
--                   move only to read
--   KORVANA_OLVASO  read only; may run the folds, which change no one's data; not the
--                   students' sensitive statuses nor their log (*_BIZALMAS): only the
--                   October statistics' counts of them
-- Every trigger and procedure gets what it refers to (Firebird 3 checks their own rights),
-- as the database's own dependencies list it. Runs after every other script, so every
-- table and routine of theirs is covered. Safe to run again: what is granted is skipped.

SET TERM ^;
EXECUTE BLOCK AS
    DECLARE t VARCHAR(63);
    DECLARE r VARCHAR(63);
    DECLARE k SMALLINT;
    DECLARE rk SMALLINT;
    DECLARE what VARCHAR(40);
BEGIN
    IF (NOT EXISTS (SELECT 1 FROM rdb$roles WHERE rdb$role_name = 'KORVANA_VEZETO')) THEN
        EXECUTE STATEMENT 'CREATE ROLE KORVANA_VEZETO';
    IF (NOT EXISTS (SELECT 1 FROM rdb$roles WHERE rdb$role_name = 'KORVANA_IRODA')) THEN
        EXECUTE STATEMENT 'CREATE ROLE KORVANA_IRODA';
    IF (NOT EXISTS (SELECT 1 FROM rdb$roles WHERE rdb$role_name = 'KORVANA_OLVASO')) THEN
        EXECUTE STATEMENT 'CREATE ROLE KORVANA_OLVASO';

    -- The roles on the tables.
    FOR SELECT TRIM(rdb$relation_name) FROM rdb$relations
        WHERE COALESCE(rdb$system_flag, 0) = 0 AND rdb$view_blr IS NULL INTO :t DO
    BEGIN
        IF (NOT EXISTS (SELECT 1 FROM rdb$user_privileges WHERE rdb$user = 'KORVANA_OLVASO'
                        AND rdb$relation_name = :t) AND t NOT LIKE '%BIZALMAS') THEN
            EXECUTE STATEMENT 'GRANT SELECT ON ' || t || ' TO ROLE KORVANA_OLVASO';
        IF (NOT EXISTS (SELECT 1 FROM rdb$user_privileges WHERE rdb$user = 'KORVANA_VEZETO'
                        AND rdb$relation_name = :t)) THEN
            EXECUTE STATEMENT 'GRANT ALL ON ' || t || ' TO ROLE KORVANA_VEZETO';
        IF (NOT EXISTS (SELECT 1 FROM rdb$user_privileges WHERE rdb$user = 'KORVANA_IRODA'
                        AND rdb$relation_name = :t)) THEN
        BEGIN
            IF (t STARTING WITH 'TABLE_TANEVVALTAS' OR t STARTING WITH 'TABLE_TV_' OR t = 'TABLE_ISKOLA'
                OR t STARTING WITH 'TABLE_FIOK' OR t = 'TABLE_KI_TETTE') THEN
                EXECUTE STATEMENT 'GRANT SELECT ON ' || t || ' TO ROLE KORVANA_IRODA';
            ELSE
                EXECUTE STATEMENT 'GRANT SELECT, INSERT, UPDATE, DELETE ON ' || t || ' TO ROLE KORVANA_IRODA';
        END
    END

    -- The roles on the routines, sequences and exceptions.
    FOR SELECT TRIM(rdb$procedure_name), 'PROCEDURE' FROM rdb$procedures
            WHERE COALESCE(rdb$system_flag, 0) = 0 AND rdb$package_name IS NULL
        UNION ALL SELECT TRIM(rdb$function_name), 'FUNCTION' FROM rdb$functions
            WHERE COALESCE(rdb$system_flag, 0) = 0 AND rdb$package_name IS NULL
        UNION ALL SELECT TRIM(rdb$generator_name), 'SEQUENCE' FROM rdb$generators
            WHERE COALESCE(rdb$system_flag, 0) = 0
        UNION ALL SELECT TRIM(rdb$exception_name), 'EXCEPTION' FROM rdb$exceptions
            WHERE COALESCE(rdb$system_flag, 0) = 0
        INTO :t, :what DO
    BEGIN
        what = IIF(what IN ('PROCEDURE', 'FUNCTION'), 'EXECUTE ON ' || what, 'USAGE ON ' || what);
        FOR SELECT TRIM(rdb$role_name) FROM rdb$roles WHERE rdb$role_name STARTING WITH 'KORVANA_' INTO :r DO
            IF (NOT EXISTS (SELECT 1 FROM rdb$user_privileges WHERE rdb$user = :r AND rdb$relation_name = :t)
                AND (r = 'KORVANA_VEZETO'
                     OR (r = 'KORVANA_IRODA' AND t NOT IN ('PRC_TANEVVALTAS', 'PRC_TANEVVALTAS_VISSZAVONASA'))
                     OR (r = 'KORVANA_OLVASO' AND (what NOT STARTING WITH 'EXECUTE ON PROCEDURE'
                         OR t IN ('PRC_LETSZAM_OSSZEVONAS', 'PRC_NAPLO_OSSZEVONAS', 'PRC_TANEVVALTAS_ALLAPOT',
                                  'PRC_TANULOK_OSZTALYONKENT', 'TMP_OSZTALY', 'TMP_TANAR_TARGY',
                                  'PRC_OKTOBERI_STATISZTIKA', 'PRC_OKTOBERI_OSSZEVONAS'))))) THEN
                EXECUTE STATEMENT 'GRANT ' || what || ' ' || t || ' TO ROLE ' || r;
    END

    -- Each trigger and procedure: what it refers to.
    FOR SELECT DISTINCT TRIM(d.rdb$dependent_name), d.rdb$dependent_type, TRIM(d.rdb$depended_on_name),
               d.rdb$depended_on_type
        FROM rdb$dependencies d
        WHERE d.rdb$dependent_type IN (2, 5) AND d.rdb$depended_on_type IN (0, 5, 7, 14, 15)
          AND (d.rdb$dependent_type = 5 OR EXISTS (SELECT 1 FROM rdb$triggers g
               WHERE g.rdb$trigger_name = d.rdb$dependent_name AND COALESCE(g.rdb$system_flag, 0) = 0))
          AND NOT EXISTS (SELECT 1 FROM rdb$relations x WHERE d.rdb$depended_on_type = 0
               AND x.rdb$relation_name = d.rdb$depended_on_name AND COALESCE(x.rdb$system_flag, 0) <> 0)
          AND NOT EXISTS (SELECT 1 FROM rdb$generators x WHERE d.rdb$depended_on_type = 14
               AND x.rdb$generator_name = d.rdb$depended_on_name AND COALESCE(x.rdb$system_flag, 0) <> 0)
          AND NOT EXISTS (SELECT 1 FROM rdb$user_privileges p WHERE p.rdb$user = d.rdb$dependent_name
               AND p.rdb$user_type = d.rdb$dependent_type AND p.rdb$relation_name = d.rdb$depended_on_name)
        INTO :r, :rk, :t, :k DO
        EXECUTE STATEMENT 'GRANT ' ||
            DECODE(k, 0, 'ALL ON ', 5, 'EXECUTE ON PROCEDURE ', 7, 'USAGE ON EXCEPTION ', 14, 'USAGE ON SEQUENCE ',
                   'EXECUTE ON FUNCTION ') || t || ' TO ' || IIF(rk = 2, 'TRIGGER ', 'PROCEDURE ') || r;
END^
SET TERM ;^
COMMIT;
