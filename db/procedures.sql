SET NAMES UTF8;
-- Every change of teachers, subjects, classes and their assignments goes through these
-- procedures. A refusal raises EX_KORVANA; the client shows the text between the first
-- two backslashes of the message, so every message keeps the form '\...\'.
-- An id of -1 asks for a new record.

CREATE EXCEPTION ex_korvana '\A művelet nem hajtható végre!\';
COMMIT;

SET TERM ^;

CREATE PROCEDURE PRC_TANAR_FELVETEL (
    tanar_nev VARCHAR(1000),
    tanar_id  INTEGER)
AS
DECLARE nev VARCHAR(1000);
BEGIN
    nev = TRIM(COALESCE(tanar_nev, ''));
    IF (nev = '') THEN
        EXCEPTION ex_korvana '\A tanár neve nem lehet üres!\';
    IF (CHAR_LENGTH(nev) > 100) THEN
        EXCEPTION ex_korvana '\A tanár neve legfeljebb 100 karakter lehet!\';
    IF (tanar_id IS DISTINCT FROM -1 AND
        NOT EXISTS (SELECT 1 FROM table_tanar WHERE id = :tanar_id)) THEN
        EXCEPTION ex_korvana '\A megadott tanár nem létezik!\';
    -- names differing only in letter case would be the same person on paper
    IF (EXISTS (SELECT 1 FROM table_tanar
                WHERE UPPER(nev) = UPPER(:nev) AND id <> :tanar_id)) THEN
        EXCEPTION ex_korvana '\Már van ilyen nevű tanár!\';

    IF (tanar_id = -1) THEN
        INSERT INTO table_tanar (nev) VALUES (:nev);
    ELSE
        UPDATE table_tanar SET nev = :nev WHERE id = :tanar_id;
    -- another session may have saved the same name since the check above
    WHEN GDSCODE unique_key_violation DO
        EXCEPTION ex_korvana '\Már van ilyen nevű tanár!\';
END^

CREATE PROCEDURE PRC_TANAR_ELTAVOLITAS (
    tanar_id INTEGER)
AS
BEGIN
    IF (NOT EXISTS (SELECT 1 FROM table_tanar WHERE id = :tanar_id)) THEN
        EXCEPTION ex_korvana '\A megadott tanár nem létezik!\';
    IF (EXISTS (SELECT 1 FROM table_osztaly WHERE osztalyfonok_id = :tanar_id)) THEN
        EXCEPTION ex_korvana '\A tanár nem távolítható el, mert egy osztály osztályfőnöke!\';
    IF (EXISTS (SELECT 1 FROM table_osztaly_targy WHERE tanar_id = :tanar_id)) THEN
        EXCEPTION ex_korvana '\A tanár nem távolítható el, mert még tanít valamelyik osztályban!\';

    DELETE FROM table_tanar_targy WHERE tanar_id = :tanar_id;
    DELETE FROM table_tanar WHERE id = :tanar_id;
END^

CREATE PROCEDURE PRC_TARGY_FELVETELE (
    targy_id  INTEGER,
    targy_nev VARCHAR(1000))
AS
DECLARE nev VARCHAR(1000);
BEGIN
    nev = TRIM(COALESCE(targy_nev, ''));
    IF (nev = '') THEN
        EXCEPTION ex_korvana '\A tantárgy neve nem lehet üres!\';
    IF (CHAR_LENGTH(nev) > 100) THEN
        EXCEPTION ex_korvana '\A tantárgy neve legfeljebb 100 karakter lehet!\';
    IF (targy_id IS DISTINCT FROM -1 AND
        NOT EXISTS (SELECT 1 FROM table_targy WHERE id = :targy_id)) THEN
        EXCEPTION ex_korvana '\A megadott tantárgy nem létezik!\';
    IF (EXISTS (SELECT 1 FROM table_targy
                WHERE UPPER(targy_nev) = UPPER(:nev) AND id <> :targy_id)) THEN
        EXCEPTION ex_korvana '\Már van ilyen nevű tantárgy!\';

    IF (targy_id = -1) THEN
        INSERT INTO table_targy (targy_nev) VALUES (:nev);
    ELSE
        UPDATE table_targy SET targy_nev = :nev WHERE id = :targy_id;
    WHEN GDSCODE unique_key_violation DO
        EXCEPTION ex_korvana '\Már van ilyen nevű tantárgy!\';
END^

CREATE PROCEDURE PRC_TARGY_TORLESE_TARGYAK_KOZUL (
    targy_id INTEGER)
AS
BEGIN
    IF (NOT EXISTS (SELECT 1 FROM table_targy WHERE id = :targy_id)) THEN
        EXCEPTION ex_korvana '\A megadott tantárgy nem létezik!\';
    IF (EXISTS (SELECT 1 FROM table_osztaly_targy WHERE targy_id = :targy_id)) THEN
        EXCEPTION ex_korvana '\A tantárgy nem törölhető, mert még van osztály, amely tanulja!\';

    DELETE FROM table_tanar_targy WHERE targy_id = :targy_id;
    DELETE FROM table_targy WHERE id = :targy_id;
END^

-- A new class takes grade, letter, track (szak) and class teacher. For an existing
-- class only the track (szak) and the class teacher change; grade and letter name
-- the class for good. A NULL class teacher leaves the class without one.
CREATE PROCEDURE PRC_OSZTALY_FELVETELE (
    osztalyfonok_id INTEGER,
    osztaly_szak    VARCHAR(1000),
    osztaly_betu    VARCHAR(1000),
    osztaly_id      INTEGER,
    osztaly_szam    VARCHAR(10))
AS
DECLARE szak VARCHAR(1000);
DECLARE betu VARCHAR(1000);
DECLARE szam_szoveg VARCHAR(10);
DECLARE szam INTEGER;
BEGIN
    szak = NULLIF(TRIM(COALESCE(osztaly_szak, '')), '');
    IF (CHAR_LENGTH(szak) > 100) THEN
        EXCEPTION ex_korvana '\A tagozat/szakma/szakirány legfeljebb 100 karakter lehet!\';
    IF (osztalyfonok_id IS NOT NULL AND
        NOT EXISTS (SELECT 1 FROM table_tanar WHERE id = :osztalyfonok_id)) THEN
        EXCEPTION ex_korvana '\A megadott osztályfőnök nem létezik!\';

    IF (osztaly_id IS DISTINCT FROM -1) THEN
    BEGIN
        IF (NOT EXISTS (SELECT 1 FROM table_osztaly WHERE id = :osztaly_id)) THEN
            EXCEPTION ex_korvana '\A megadott osztály nem létezik!\';
        UPDATE table_osztaly
           SET osztaly_szak = :szak, osztalyfonok_id = :osztalyfonok_id
         WHERE id = :osztaly_id;
        EXIT;
    END

    szam_szoveg = TRIM(COALESCE(osztaly_szam, ''));
    IF (szam_szoveg NOT SIMILAR TO '[0-9]{1,3}') THEN
        EXCEPTION ex_korvana '\Az évfolyam csak 1 és 13 közötti egész szám lehet!\';
    szam = CAST(szam_szoveg AS INTEGER);
    IF (szam NOT BETWEEN 1 AND 13) THEN
        EXCEPTION ex_korvana '\Az évfolyam csak 1 és 13 közötti egész szám lehet!\';
    betu = TRIM(COALESCE(osztaly_betu, ''));
    IF (betu = '') THEN
        EXCEPTION ex_korvana '\Az osztály betűjele nem lehet üres!\';
    IF (CHAR_LENGTH(betu) > 10) THEN
        EXCEPTION ex_korvana '\Az osztály betűjele legfeljebb 10 karakter lehet!\';
    IF (EXISTS (SELECT 1 FROM table_osztaly
                WHERE osztaly_szam = :szam AND UPPER(osztaly_betu) = UPPER(:betu))) THEN
        EXCEPTION ex_korvana '\Már van ilyen évfolyamú és betűjelű osztály!\';

    INSERT INTO table_osztaly (osztaly_szam, osztaly_betu, osztaly_szak, osztalyfonok_id)
    VALUES (:szam, :betu, :szak, :osztalyfonok_id);
    WHEN GDSCODE unique_key_violation DO
        EXCEPTION ex_korvana '\Már van ilyen évfolyamú és betűjelű osztály!\';
END^

CREATE PROCEDURE PRC_OSZTALY_TORLESE (
    osztaly_id INTEGER)
AS
BEGIN
    IF (NOT EXISTS (SELECT 1 FROM table_osztaly WHERE id = :osztaly_id)) THEN
        EXCEPTION ex_korvana '\A megadott osztály nem létezik!\';
    IF (EXISTS (SELECT 1 FROM table_diak WHERE osztaly_ID = :osztaly_id)) THEN
        EXCEPTION ex_korvana '\Az osztály nem törölhető, mert még vannak tanulói!\';

    DELETE FROM table_osztaly_targy WHERE osztaly_id = :osztaly_id;
    DELETE FROM table_osztaly WHERE id = :osztaly_id;
END^

CREATE PROCEDURE PRC_TARGY_HOZZAADASA_TANARHOZ (
    targy_id INTEGER,
    tanar_id INTEGER)
AS
BEGIN
    IF (NOT EXISTS (SELECT 1 FROM table_tanar WHERE id = :tanar_id)) THEN
        EXCEPTION ex_korvana '\A megadott tanár nem létezik!\';
    IF (NOT EXISTS (SELECT 1 FROM table_targy WHERE id = :targy_id)) THEN
        EXCEPTION ex_korvana '\A megadott tantárgy nem létezik!\';
    IF (EXISTS (SELECT 1 FROM table_tanar_targy
                WHERE tanar_id = :tanar_id AND targy_id = :targy_id)) THEN
        EXCEPTION ex_korvana '\A tanár már tanítja ezt a tantárgyat!\';

    INSERT INTO table_tanar_targy (tanar_id, targy_id) VALUES (:tanar_id, :targy_id);
    WHEN GDSCODE unique_key_violation DO
        EXCEPTION ex_korvana '\A tanár már tanítja ezt a tantárgyat!\';
END^

CREATE PROCEDURE PRC_TARGY_ELVETELE_TANARTOL (
    tanar_id INTEGER,
    targy_id INTEGER)
AS
BEGIN
    IF (NOT EXISTS (SELECT 1 FROM table_tanar WHERE id = :tanar_id)) THEN
        EXCEPTION ex_korvana '\A megadott tanár nem létezik!\';
    IF (NOT EXISTS (SELECT 1 FROM table_targy WHERE id = :targy_id)) THEN
        EXCEPTION ex_korvana '\A megadott tantárgy nem létezik!\';
    IF (NOT EXISTS (SELECT 1 FROM table_tanar_targy
                    WHERE tanar_id = :tanar_id AND targy_id = :targy_id)) THEN
        EXCEPTION ex_korvana '\A tanár nem tanítja ezt a tantárgyat!\';
    IF (EXISTS (SELECT 1 FROM table_osztaly_targy
                WHERE tanar_id = :tanar_id AND targy_id = :targy_id)) THEN
        EXCEPTION ex_korvana '\A tantárgy nem vehető el, mert a tanár még tanítja valamelyik osztályban!\';

    DELETE FROM table_tanar_targy WHERE tanar_id = :tanar_id AND targy_id = :targy_id;
END^

CREATE PROCEDURE PRC_TARGY_HOZZAADASA_OSZTALYHOZ (
    targy_id   INTEGER,
    osztaly_id INTEGER,
    tanar_id   INTEGER)
AS
BEGIN
    IF (NOT EXISTS (SELECT 1 FROM table_osztaly WHERE id = :osztaly_id)) THEN
        EXCEPTION ex_korvana '\A megadott osztály nem létezik!\';
    IF (NOT EXISTS (SELECT 1 FROM table_targy WHERE id = :targy_id)) THEN
        EXCEPTION ex_korvana '\A megadott tantárgy nem létezik!\';
    IF (NOT EXISTS (SELECT 1 FROM table_tanar WHERE id = :tanar_id)) THEN
        EXCEPTION ex_korvana '\A megadott tanár nem létezik!\';
    IF (NOT EXISTS (SELECT 1 FROM table_tanar_targy
                    WHERE tanar_id = :tanar_id AND targy_id = :targy_id)) THEN
        EXCEPTION ex_korvana '\A tanár nem tanítja ezt a tantárgyat!\';
    IF (EXISTS (SELECT 1 FROM table_osztaly_targy
                WHERE osztaly_id = :osztaly_id AND targy_id = :targy_id)) THEN
        EXCEPTION ex_korvana '\Az osztály már tanulja ezt a tantárgyat!\';

    INSERT INTO table_osztaly_targy (osztaly_id, targy_id, tanar_id)
    VALUES (:osztaly_id, :targy_id, :tanar_id);
    WHEN GDSCODE unique_key_violation DO
        EXCEPTION ex_korvana '\Az osztály már tanulja ezt a tantárgyat!\';
END^

CREATE PROCEDURE PRC_TARGY_TORLESE_OSZTALYTOL (
    targy_id   INTEGER,
    osztaly_id INTEGER,
    tanar_id   INTEGER)
AS
BEGIN
    IF (NOT EXISTS (SELECT 1 FROM table_osztaly WHERE id = :osztaly_id)) THEN
        EXCEPTION ex_korvana '\A megadott osztály nem létezik!\';
    IF (NOT EXISTS (SELECT 1 FROM table_targy WHERE id = :targy_id)) THEN
        EXCEPTION ex_korvana '\A megadott tantárgy nem létezik!\';
    IF (NOT EXISTS (SELECT 1 FROM table_tanar WHERE id = :tanar_id)) THEN
        EXCEPTION ex_korvana '\A megadott tanár nem létezik!\';
    IF (NOT EXISTS (SELECT 1 FROM table_osztaly_targy
                    WHERE osztaly_id = :osztaly_id AND targy_id = :targy_id
                      AND tanar_id = :tanar_id)) THEN
        EXCEPTION ex_korvana '\Ez a tanár nem tanítja ezt a tantárgyat ebben az osztályban!\';

    DELETE FROM table_osztaly_targy
     WHERE osztaly_id = :osztaly_id AND targy_id = :targy_id AND tanar_id = :tanar_id;
END^

SET TERM ;^
COMMIT;
