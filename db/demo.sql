SET NAMES UTF8;
-- The demo school: teachers, subjects, classes and who teaches what where.
-- Everything goes through the procedures, so the data obeys the same rules as the client.

-- Subjects
EXECUTE PROCEDURE PRC_TARGY_FELVETELE(-1, 'matematika');
EXECUTE PROCEDURE PRC_TARGY_FELVETELE(-1, 'magyar nyelv és irodalom');
EXECUTE PROCEDURE PRC_TARGY_FELVETELE(-1, 'történelem');
EXECUTE PROCEDURE PRC_TARGY_FELVETELE(-1, 'fizika');
EXECUTE PROCEDURE PRC_TARGY_FELVETELE(-1, 'kémia');
EXECUTE PROCEDURE PRC_TARGY_FELVETELE(-1, 'biológia');
EXECUTE PROCEDURE PRC_TARGY_FELVETELE(-1, 'földrajz');
EXECUTE PROCEDURE PRC_TARGY_FELVETELE(-1, 'angol nyelv');
EXECUTE PROCEDURE PRC_TARGY_FELVETELE(-1, 'német nyelv');
EXECUTE PROCEDURE PRC_TARGY_FELVETELE(-1, 'informatika');
EXECUTE PROCEDURE PRC_TARGY_FELVETELE(-1, 'testnevelés');
EXECUTE PROCEDURE PRC_TARGY_FELVETELE(-1, 'ének-zene');
EXECUTE PROCEDURE PRC_TARGY_FELVETELE(-1, 'rajz és vizuális kultúra');
EXECUTE PROCEDURE PRC_TARGY_FELVETELE(-1, 'etika');
EXECUTE PROCEDURE PRC_TARGY_FELVETELE(-1, 'osztályfőnöki');

-- Teachers
EXECUTE PROCEDURE PRC_TANAR_FELVETEL('Dr. Kovács Éva', -1);
EXECUTE PROCEDURE PRC_TANAR_FELVETEL('Nagy Péter', -1);
EXECUTE PROCEDURE PRC_TANAR_FELVETEL('Szabó Katalin', -1);
EXECUTE PROCEDURE PRC_TANAR_FELVETEL('Tóth Gábor', -1);
EXECUTE PROCEDURE PRC_TANAR_FELVETEL('Horváth Zsuzsanna', -1);
EXECUTE PROCEDURE PRC_TANAR_FELVETEL('Varga László', -1);
EXECUTE PROCEDURE PRC_TANAR_FELVETEL('Kiss Ildikó', -1);
EXECUTE PROCEDURE PRC_TANAR_FELVETEL('Molnár Attila', -1);
EXECUTE PROCEDURE PRC_TANAR_FELVETEL('Németh Judit', -1);
EXECUTE PROCEDURE PRC_TANAR_FELVETEL('Farkas Zoltán', -1);
EXECUTE PROCEDURE PRC_TANAR_FELVETEL('Balogh Erzsébet', -1);
EXECUTE PROCEDURE PRC_TANAR_FELVETEL('Papp István', -1);
EXECUTE PROCEDURE PRC_TANAR_FELVETEL('Takács Andrea', -1);
EXECUTE PROCEDURE PRC_TANAR_FELVETEL('Juhász Tamás', -1);
EXECUTE PROCEDURE PRC_TANAR_FELVETEL('Lakatos Mónika', -1);
EXECUTE PROCEDURE PRC_TANAR_FELVETEL('Mészáros Ferenc', -1);
EXECUTE PROCEDURE PRC_TANAR_FELVETEL('Oláh Krisztina', -1);
EXECUTE PROCEDURE PRC_TANAR_FELVETEL('Simon Ágnes', -1);
EXECUTE PROCEDURE PRC_TANAR_FELVETEL('Rácz Csaba', -1);
EXECUTE PROCEDURE PRC_TANAR_FELVETEL('Fekete Orsolya', -1);
EXECUTE PROCEDURE PRC_TANAR_FELVETEL('Szilágyi Márta', -1);
EXECUTE PROCEDURE PRC_TANAR_FELVETEL('Török Balázs', -1);
EXECUTE PROCEDURE PRC_TANAR_FELVETEL('Fehér Anikó', -1);
EXECUTE PROCEDURE PRC_TANAR_FELVETEL('Balázs Gyöngyi', -1);
EXECUTE PROCEDURE PRC_TANAR_FELVETEL('Gál Levente', -1);
EXECUTE PROCEDURE PRC_TANAR_FELVETEL('Kocsis Erika', -1);
EXECUTE PROCEDURE PRC_TANAR_FELVETEL('Fodor Imre', -1);
EXECUTE PROCEDURE PRC_TANAR_FELVETEL('Dr. Pintér Ödön', -1);
EXECUTE PROCEDURE PRC_TANAR_FELVETEL('Szűcs Irén', -1);
EXECUTE PROCEDURE PRC_TANAR_FELVETEL('Hegedűs Bence', -1);
EXECUTE PROCEDURE PRC_TANAR_FELVETEL('Vincze Gergely', -1);
EXECUTE PROCEDURE PRC_TANAR_FELVETEL('Bíró Henrietta', -1);
COMMIT;

-- What each teacher is qualified to teach
SET TERM ^;
CREATE PROCEDURE tmp_tanar_targy (tanar VARCHAR(100), targy VARCHAR(100)) AS
BEGIN
    EXECUTE PROCEDURE PRC_TARGY_HOZZAADASA_TANARHOZ(
        (SELECT id FROM table_targy WHERE targy_nev = :targy),
        (SELECT id FROM table_tanar WHERE nev = :tanar));
END^
CREATE PROCEDURE tmp_osztaly (szam VARCHAR(10), betu VARCHAR(10), szak VARCHAR(100), ofo VARCHAR(100)) AS
BEGIN
    EXECUTE PROCEDURE PRC_OSZTALY_FELVETELE(
        (SELECT id FROM table_tanar WHERE nev = :ofo), :szak, :betu, -1, :szam);
END^
SET TERM ;^
COMMIT;

EXECUTE PROCEDURE tmp_tanar_targy('Dr. Kovács Éva', 'matematika');
EXECUTE PROCEDURE tmp_tanar_targy('Dr. Kovács Éva', 'fizika');
EXECUTE PROCEDURE tmp_tanar_targy('Nagy Péter', 'matematika');
EXECUTE PROCEDURE tmp_tanar_targy('Nagy Péter', 'informatika');
EXECUTE PROCEDURE tmp_tanar_targy('Szabó Katalin', 'magyar nyelv és irodalom');
EXECUTE PROCEDURE tmp_tanar_targy('Szabó Katalin', 'történelem');
EXECUTE PROCEDURE tmp_tanar_targy('Tóth Gábor', 'történelem');
EXECUTE PROCEDURE tmp_tanar_targy('Tóth Gábor', 'földrajz');
EXECUTE PROCEDURE tmp_tanar_targy('Horváth Zsuzsanna', 'angol nyelv');
EXECUTE PROCEDURE tmp_tanar_targy('Horváth Zsuzsanna', 'magyar nyelv és irodalom');
EXECUTE PROCEDURE tmp_tanar_targy('Varga László', 'testnevelés');
EXECUTE PROCEDURE tmp_tanar_targy('Varga László', 'biológia');
EXECUTE PROCEDURE tmp_tanar_targy('Kiss Ildikó', 'német nyelv');
EXECUTE PROCEDURE tmp_tanar_targy('Kiss Ildikó', 'angol nyelv');
EXECUTE PROCEDURE tmp_tanar_targy('Molnár Attila', 'fizika');
EXECUTE PROCEDURE tmp_tanar_targy('Molnár Attila', 'kémia');
EXECUTE PROCEDURE tmp_tanar_targy('Németh Judit', 'biológia');
EXECUTE PROCEDURE tmp_tanar_targy('Németh Judit', 'kémia');
EXECUTE PROCEDURE tmp_tanar_targy('Farkas Zoltán', 'informatika');
EXECUTE PROCEDURE tmp_tanar_targy('Farkas Zoltán', 'matematika');
EXECUTE PROCEDURE tmp_tanar_targy('Balogh Erzsébet', 'ének-zene');
EXECUTE PROCEDURE tmp_tanar_targy('Balogh Erzsébet', 'magyar nyelv és irodalom');
EXECUTE PROCEDURE tmp_tanar_targy('Papp István', 'rajz és vizuális kultúra');
EXECUTE PROCEDURE tmp_tanar_targy('Papp István', 'etika');
EXECUTE PROCEDURE tmp_tanar_targy('Takács Andrea', 'angol nyelv');
EXECUTE PROCEDURE tmp_tanar_targy('Takács Andrea', 'etika');
EXECUTE PROCEDURE tmp_tanar_targy('Juhász Tamás', 'testnevelés');
EXECUTE PROCEDURE tmp_tanar_targy('Juhász Tamás', 'földrajz');
EXECUTE PROCEDURE tmp_tanar_targy('Lakatos Mónika', 'magyar nyelv és irodalom');
EXECUTE PROCEDURE tmp_tanar_targy('Lakatos Mónika', 'etika');
EXECUTE PROCEDURE tmp_tanar_targy('Mészáros Ferenc', 'matematika');
EXECUTE PROCEDURE tmp_tanar_targy('Mészáros Ferenc', 'kémia');
EXECUTE PROCEDURE tmp_tanar_targy('Oláh Krisztina', 'német nyelv');
EXECUTE PROCEDURE tmp_tanar_targy('Oláh Krisztina', 'történelem');
EXECUTE PROCEDURE tmp_tanar_targy('Simon Ágnes', 'angol nyelv');
EXECUTE PROCEDURE tmp_tanar_targy('Simon Ágnes', 'német nyelv');
EXECUTE PROCEDURE tmp_tanar_targy('Rácz Csaba', 'informatika');
EXECUTE PROCEDURE tmp_tanar_targy('Rácz Csaba', 'fizika');
EXECUTE PROCEDURE tmp_tanar_targy('Fekete Orsolya', 'biológia');
EXECUTE PROCEDURE tmp_tanar_targy('Fekete Orsolya', 'földrajz');
EXECUTE PROCEDURE tmp_tanar_targy('Szilágyi Márta', 'magyar nyelv és irodalom');
EXECUTE PROCEDURE tmp_tanar_targy('Szilágyi Márta', 'ének-zene');
EXECUTE PROCEDURE tmp_tanar_targy('Török Balázs', 'történelem');
EXECUTE PROCEDURE tmp_tanar_targy('Török Balázs', 'etika');
EXECUTE PROCEDURE tmp_tanar_targy('Fehér Anikó', 'matematika');
EXECUTE PROCEDURE tmp_tanar_targy('Fehér Anikó', 'földrajz');
EXECUTE PROCEDURE tmp_tanar_targy('Balázs Gyöngyi', 'angol nyelv');
EXECUTE PROCEDURE tmp_tanar_targy('Gál Levente', 'testnevelés');
EXECUTE PROCEDURE tmp_tanar_targy('Kocsis Erika', 'kémia');
EXECUTE PROCEDURE tmp_tanar_targy('Kocsis Erika', 'biológia');
EXECUTE PROCEDURE tmp_tanar_targy('Fodor Imre', 'rajz és vizuális kultúra');
EXECUTE PROCEDURE tmp_tanar_targy('Fodor Imre', 'történelem');
EXECUTE PROCEDURE tmp_tanar_targy('Dr. Pintér Ödön', 'fizika');
EXECUTE PROCEDURE tmp_tanar_targy('Dr. Pintér Ödön', 'informatika');
EXECUTE PROCEDURE tmp_tanar_targy('Szűcs Irén', 'angol nyelv');
EXECUTE PROCEDURE tmp_tanar_targy('Szűcs Irén', 'magyar nyelv és irodalom');
EXECUTE PROCEDURE tmp_tanar_targy('Hegedűs Bence', 'matematika');
EXECUTE PROCEDURE tmp_tanar_targy('Hegedűs Bence', 'testnevelés');
EXECUTE PROCEDURE tmp_tanar_targy('Vincze Gergely', 'német nyelv');
EXECUTE PROCEDURE tmp_tanar_targy('Bíró Henrietta', 'matematika');
EXECUTE PROCEDURE tmp_tanar_targy('Bíró Henrietta', 'informatika');

-- Classes with their track (szak) and class teacher
EXECUTE PROCEDURE tmp_osztaly('9', 'a', 'általános tantervű', 'Szabó Katalin');
EXECUTE PROCEDURE tmp_osztaly('9', 'b', 'informatika', 'Nagy Péter');
EXECUTE PROCEDURE tmp_osztaly('9', 'c', 'emelt angol', 'Horváth Zsuzsanna');
EXECUTE PROCEDURE tmp_osztaly('9', 'd', 'közgazdaság', 'Tóth Gábor');
EXECUTE PROCEDURE tmp_osztaly('10', 'a', 'általános tantervű', 'Varga László');
EXECUTE PROCEDURE tmp_osztaly('10', 'b', 'informatika', 'Farkas Zoltán');
EXECUTE PROCEDURE tmp_osztaly('10', 'c', 'emelt angol', 'Kiss Ildikó');
EXECUTE PROCEDURE tmp_osztaly('10', 'd', 'közgazdaság', 'Molnár Attila');
EXECUTE PROCEDURE tmp_osztaly('11', 'a', 'általános tantervű', 'Németh Judit');
EXECUTE PROCEDURE tmp_osztaly('11', 'b', 'informatika', 'Rácz Csaba');
EXECUTE PROCEDURE tmp_osztaly('11', 'c', 'emelt angol', 'Takács Andrea');
EXECUTE PROCEDURE tmp_osztaly('11', 'd', 'közgazdaság', 'Lakatos Mónika');
EXECUTE PROCEDURE tmp_osztaly('12', 'a', 'általános tantervű', 'Dr. Kovács Éva');
EXECUTE PROCEDURE tmp_osztaly('12', 'b', 'informatika', 'Dr. Pintér Ödön');
EXECUTE PROCEDURE tmp_osztaly('12', 'c', 'emelt angol', 'Simon Ágnes');
EXECUTE PROCEDURE tmp_osztaly('12', 'd', 'közgazdaság', 'Mészáros Ferenc');
COMMIT;

-- Class timetables. The class teacher holds the form-tutor lessons; every other subject
-- goes to one of its teachers in turn, so the lessons spread over the staff.
SET TERM ^;
EXECUTE BLOCK AS
DECLARE osztaly_id INTEGER;
DECLARE szam INTEGER;
DECLARE szak VARCHAR(100);
DECLARE ofo INTEGER;
DECLARE ofo_targy INTEGER;
DECLARE targy_id INTEGER;
DECLARE targy VARCHAR(100);
DECLARE tanar_id INTEGER;
DECLARE tanarok INTEGER;
DECLARE sorszam INTEGER = 0;
BEGIN
    SELECT id FROM table_targy WHERE targy_nev = 'osztályfőnöki' INTO ofo_targy;
    FOR SELECT id, osztaly_szam, osztaly_szak, osztalyfonok_id FROM table_osztaly
        ORDER BY osztaly_szam, osztaly_betu
        INTO osztaly_id, szam, szak, ofo DO
    BEGIN
        sorszam = sorszam + 1;
        EXECUTE PROCEDURE PRC_TARGY_HOZZAADASA_TANARHOZ(ofo_targy, ofo);
        FOR SELECT id, targy_nev FROM table_targy ORDER BY id INTO targy_id, targy DO
        BEGIN
            tanar_id = NULL;
            IF (targy_id = ofo_targy) THEN
                tanar_id = ofo;
            ELSE IF (targy IN ('matematika', 'magyar nyelv és irodalom', 'történelem',
                               'angol nyelv', 'német nyelv', 'testnevelés')
                  OR (targy = 'informatika' AND (szam <= 10 OR szak = 'informatika'))
                  OR (targy IN ('kémia', 'földrajz', 'ének-zene', 'rajz és vizuális kultúra')
                      AND szam <= 10)
                  OR (targy = 'fizika' AND szam <= 11)
                  OR (targy = 'biológia' AND szam >= 10)
                  OR (targy = 'etika' AND szam >= 11)) THEN
            BEGIN
                SELECT COUNT(*) FROM table_tanar_targy WHERE targy_id = :targy_id INTO tanarok;
                SELECT FIRST 1 SKIP (MOD(:sorszam + :targy_id, :tanarok)) tanar_id
                  FROM table_tanar_targy WHERE targy_id = :targy_id
                 ORDER BY tanar_id
                  INTO tanar_id;
            END
            IF (tanar_id IS NOT NULL) THEN
                EXECUTE PROCEDURE PRC_TARGY_HOZZAADASA_OSZTALYHOZ(targy_id, osztaly_id, tanar_id);
        END
    END
END^
SET TERM ;^
COMMIT;

DROP PROCEDURE tmp_tanar_targy;
DROP PROCEDURE tmp_osztaly;
COMMIT;
