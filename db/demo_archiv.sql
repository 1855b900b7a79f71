SET NAMES UTF8;
-- The demo school's past: a few earlier years in the class history, last year's graduates
-- and this year's leavers in the archive. Run after the demo students.

SET TERM ^;
EXECUTE BLOCK AS
    DECLARE d INTEGER;
    DECLARE szam INTEGER;
    DECLARE betu VARCHAR(10);
    DECLARE ev INTEGER;
    DECLARE nev VARCHAR(100);
    DECLARE szul DATE;
    DECLARE hely VARCHAR(100);
    DECLARE anyja VARCHAR(100);
    DECLARE ok SMALLINT;
    DECLARE datum DATE;
    DECLARE mj VARCHAR(500);
    DECLARE tanev INTEGER;
    DECLARE oszt INTEGER;
BEGIN
    -- the first students of the upper grades came in the 9th, and moved up every year since
    FOR SELECT d.id, o.osztaly_szam, o.osztaly_betu, d.evfolyam FROM table_diak d
          JOIN table_osztaly o ON o.id = d.osztaly_ID
         WHERE d.id <= 60 AND o.osztaly_szam > 9
          INTO :d, :szam, :betu, :ev DO
    BEGIN
        UPDATE table_osztaly_tortenet SET esemeny = 'tanévváltás', mikor = CAST(:ev || '-09-01' AS TIMESTAMP)
         WHERE diak_id = :d;
        tanev = ev - (szam - 9);
        WHILE (tanev < ev) DO
        BEGIN
            INSERT INTO table_osztaly_tortenet (diak_id, tanev, osztaly_szam, osztaly_betu, esemeny, mikor)
            VALUES (:d, :tanev, :szam - (:ev - :tanev), :betu,
                    TRIM(IIF(:szam - (:ev - :tanev) = 9, 'beiratkozás', 'tanévváltás')),
                    CAST(:tanev || '-09-01' AS TIMESTAMP));
            tanev = tanev + 1;
        END
    END

    -- leavers: registered, then leaving through the program's own procedure
    FOR SELECT v.nev, v.szul, v.hely, v.anyja, v.szam, v.betu, v.ev, v.ok, v.datum, v.mj FROM (
              SELECT CAST('Vámos Bence' AS VARCHAR(100)), DATE '2007-03-14', CAST('Kecskemét' AS VARCHAR(100)),
                     CAST('Kiss Ilona' AS VARCHAR(100)), 12, CAST('a' AS VARCHAR(10)), 2025, 1, DATE '2026-06-19',
                     CAST(NULL AS VARCHAR(500)) FROM rdb$database
    UNION ALL SELECT 'Kardos Réka', DATE '2007-07-02', 'Szeged', 'Tóth Erzsébet', 12, 'a', 2025, 1, DATE '2026-06-19', NULL FROM rdb$database
    UNION ALL SELECT 'Ördög Áron', DATE '2007-01-23', 'Kiskunfélegyháza', 'Balogh Judit', 12, 'b', 2025, 1, DATE '2026-06-19', NULL FROM rdb$database
    UNION ALL SELECT 'Szűcs Lili', DATE '2007-11-30', 'Nagykőrös', 'Fekete Anikó', 12, 'b', 2025, 1, DATE '2026-06-19', NULL FROM rdb$database
    UNION ALL SELECT 'Gál Dominik', DATE '2006-12-05', 'Cegléd', 'Horváth Edit', 12, 'c', 2025, 1, DATE '2026-06-19', NULL FROM rdb$database
    UNION ALL SELECT 'Újvári Zsófia', DATE '2007-05-17', 'Kecskemét', 'Molnár Ágnes', 12, 'c', 2025, 1, DATE '2026-06-19', NULL FROM rdb$database
    UNION ALL SELECT 'Csonka Gergő', DATE '2007-09-09', 'Baja', 'Varga Mónika', 12, 'd', 2025, 1, DATE '2026-06-19', NULL FROM rdb$database
    UNION ALL SELECT 'Éles Hanna', DATE '2007-04-26', 'Kalocsa', 'Papp Krisztina', 12, 'd', 2025, 1, DATE '2026-06-19', NULL FROM rdb$database
    UNION ALL SELECT 'Fodor Milán', DATE '2010-02-11', 'Budapest', 'Szabó Tímea', 10, 'b', 2026, 2, DATE '2026-10-05',
                     'A család Győrbe költözött; a fogadó iskola igazolása megérkezett.' FROM rdb$database
    UNION ALL SELECT 'Őri Boglárka', DATE '2011-08-08', 'Kecskemét', 'Lakatos Andrea', 9, 'c', 2026, 2, DATE '2026-11-16',
                     'Szakgimnáziumban folytatja.' FROM rdb$database
    UNION ALL SELECT 'Halász Noel', DATE '2009-06-30', 'Szolnok', 'Simon Beáta', 11, 'a', 2026, 3, DATE '2026-11-30',
                     'Külföldön folytatja tanulmányait (Ausztria).' FROM rdb$database
        ) v (nev, szul, hely, anyja, szam, betu, ev, ok, datum, mj)
        INTO :nev, :szul, :hely, :anyja, :szam, :betu, :ev, :ok, :datum, :mj DO
    BEGIN
        oszt = (SELECT id FROM table_osztaly WHERE osztaly_szam = :szam AND osztaly_betu = :betu);
        IF (oszt IS NOT NULL) THEN
        BEGIN
            EXECUTE PROCEDURE PRC_SAJAT_JEL('KORVANA_TORTENET_KI', 1);
            INSERT INTO table_diak (nev, szul_hely, szul_ido, anyja_nev, diak_cim_varos, osztaly_ID,
                                    tanult_nyelv_ID, evfolyam)
            VALUES (:nev, :hely, :szul, :anyja, 'Kecskemét', :oszt, (SELECT MIN(id) FROM table_nyelv), :ev)
            RETURNING id INTO :d;
            EXECUTE PROCEDURE PRC_SAJAT_JEL('KORVANA_TORTENET_KI', NULL);
            tanev = ev - (szam - 9);
            WHILE (tanev <= ev) DO
            BEGIN
                INSERT INTO table_osztaly_tortenet (diak_id, tanev, osztaly_szam, osztaly_betu, esemeny, mikor)
                VALUES (:d, :tanev, :szam - (:ev - :tanev), :betu,
                        TRIM(IIF(:szam - (:ev - :tanev) = 9, 'beiratkozás', 'tanévváltás')),
                        CAST(:tanev || '-09-01' AS TIMESTAMP));
                tanev = tanev + 1;
            END
            EXECUTE PROCEDURE PRC_KILEPES(:d, :datum, :ok, :mj);
        END
    END
END^
SET TERM ;^
COMMIT;
