SET NAMES UTF8;
-- The registry's school year for every open copy: the move and its undo announce themselves,
-- a copy that missed it cannot store a new student in the year left behind, and the undo
-- names the students whose changes stand in its way. Safe to run again.

SET TERM ^;
-- committed moves and undos only: an event is sent when its transaction commits
CREATE OR ALTER TRIGGER trg_tanevvaltas_esemeny FOR table_tanevvaltas
ACTIVE AFTER INSERT OR UPDATE POSITION 0
AS
BEGIN
    POST_EVENT 'tanevvaltas';
END^

-- A new student (or one taken back) belongs to the registry's year or a later one, never to
-- a year the registry has moved out of; the undo putting back its own leavers is the move's.
CREATE OR ALTER TRIGGER trg_diak_tanev_ellenorzes FOR table_diak
ACTIVE BEFORE INSERT POSITION 0
AS
    DECLARE aktiv INTEGER;
BEGIN
    IF (NEW.evfolyam IS NULL OR FN_SAJAT_JEL('KORVANA_TANEVVALTAS') IS NOT NULL) THEN EXIT;
    SELECT MAX(aktiv_tanev) FROM table_tanevvaltas INTO :aktiv;
    IF (NEW.evfolyam < aktiv) THEN
        EXCEPTION ex_korvana '\A nyilvántartás már a ' || aktiv || '/' || (aktiv + 1) ||
            '. tanévben van: tanuló nem vehető fel a ' || NEW.evfolyam || '/' || (NEW.evfolyam + 1) ||
            '. tanévre.\';
END^

-- The last move, and whether it can still be undone: not once a student, a class, its
-- subjects or a leaver has changed since (their log and change marks run past its mark),
-- nor while something it would put back refers to what is gone. The undo asks this too.
-- A student's change is told by her name and what was done, so the office can find it.
CREATE OR ALTER PROCEDURE PRC_TANEVVALTAS_ALLAPOT
RETURNS (tanevvaltas_id INTEGER, uj_tanev INTEGER, mikor TIMESTAMP, visszavonhato SMALLINT, ok VARCHAR(200))
AS
    DECLARE jel BIGINT;
    DECLARE hany INTEGER;
    DECLARE nev VARCHAR(150);
    DECLARE mit VARCHAR(12);
    DECLARE nevek VARCHAR(400) = '';
BEGIN
    SELECT FIRST 1 id, uj_tanev, mikor, naplo_jel FROM table_tanevvaltas
     WHERE visszavonva IS NULL ORDER BY id DESC
      INTO :tanevvaltas_id, :uj_tanev, :mikor, :jel;
    IF (tanevvaltas_id IS NULL) THEN EXIT;
    visszavonhato = 0;
    -- pending rows came after the move, which folded them all
    IF (EXISTS (SELECT 1 FROM table_naplo WHERE id > :jel) OR EXISTS (SELECT 1 FROM table_naplo_fuggo)) THEN
    BEGIN
        SELECT COUNT(DISTINCT diak_id) FROM (SELECT diak_id FROM table_naplo WHERE id > :jel
                                              UNION ALL SELECT diak_id FROM table_naplo_fuggo) INTO :hany;
        FOR SELECT FIRST 3 MIN(TRIM(diak_nev)), MIN(muvelet) FROM (
                SELECT diak_id, diak_nev, muvelet FROM table_naplo WHERE id > :jel AND diak_id IS NOT NULL
                UNION ALL SELECT diak_id, diak_nev, muvelet FROM table_naplo_fuggo WHERE diak_id IS NOT NULL)
             GROUP BY diak_id ORDER BY 1 INTO :nev, :mit DO
        BEGIN
            IF (nevek <> '') THEN nevek = nevek || ', ';
            nevek = nevek || COALESCE(nev, '?') || ' (' || mit || ')';
        END
        ok = LEFT('azóta ' || IIF(hany <= 1, 'egy', hany) || ' tanuló adatai megváltoztak' ||
                  IIF(nevek = '', '', ': ' || nevek) || IIF(hany > 3, ' és még ' || (hany - 3) || ' tanulóé', ''), 200);
    END
    ELSE IF (EXISTS (SELECT 1 FROM table_valtozas_jel WHERE id > :jel AND tabla = 'TABLE_OSZTALY')) THEN
        ok = 'azóta egy osztály adatai megváltoztak';
    ELSE IF (EXISTS (SELECT 1 FROM table_valtozas_jel WHERE id > :jel AND tabla = 'TABLE_OSZTALY_TARGY')) THEN
        ok = 'azóta egy osztály tantárgyai megváltoztak';
    ELSE IF (EXISTS (SELECT 1 FROM table_valtozas_jel WHERE id > :jel AND tabla = 'TABLE_DIAK_ARCHIV')) THEN
        ok = 'azóta a kilépett tanulók archívuma megváltozott';
    ELSE IF (NOT EXISTS (SELECT 1 FROM table_tv_osztaly WHERE tanevvaltas_id = :tanevvaltas_id)
             AND EXISTS (SELECT 1 FROM table_osztaly)) THEN
        ok = 'a visszavonáshoz szükséges adatok már nincsenek meg';
    ELSE
    BEGIN
        SELECT FIRST 1 ok FROM PRC_TANEVVALTAS_AKADALYOK(:tanevvaltas_id) INTO :ok;
        visszavonhato = IIF(ok IS NULL, 1, 0);
    END
    SUSPEND;
END^
SET TERM ;^
COMMIT;
