SET NAMES UTF8;
-- A parent's request for what the school holds of her child: the reads of the statuses
-- are part of it, though only the head reads their table; making the files is an event of
-- the change log. Safe to run again.

SET TERM ^;
-- Who read one student's statuses, and when: for the office answering a request.
CREATE OR ALTER PROCEDURE PRC_JOGALLAS_OLVASASAI (diak_id INTEGER)
RETURNS (mikor TIMESTAMP, felhasznalo VARCHAR(200), munkaallomas VARCHAR(255))
AS
BEGIN
    FOR SELECT o.mikor, COALESCE((SELECT f.teljes_nev FROM table_fiok f WHERE f.felhasznalo = o.felhasznalo)
                                 || ' (' || TRIM(o.felhasznalo) || ')', TRIM(o.felhasznalo)),
               COALESCE(NULLIF(TRIM(o.kliens_gep), ''), o.kliens_cim)
          FROM table_jogallas_olvasas o WHERE o.diak_id = :diak_id ORDER BY o.id
          INTO :mikor, :felhasznalo, :munkaallomas DO
        SUSPEND;
END^

-- The request answered: an event of the change log of its own, naming the student.
CREATE OR ALTER PROCEDURE PRC_HOZZAFERESI_KERELEM (diak_id INTEGER)
AS
    DECLARE nev VARCHAR(100);
BEGIN
    nev = COALESCE((SELECT nev FROM table_diak WHERE id = :diak_id),
                   (SELECT nev FROM table_diak_archiv WHERE id = :diak_id));
    IF (nev IS NULL) THEN
        EXCEPTION ex_korvana '\A tanuló már nem szerepel az adatbázisban.\';
    INSERT INTO table_naplo_esemeny (id, mikor, fajta, diak_id, diak_nev, tanulok, osszegzes, tranzakcio,
                                     kliens_cim, kliens_gep, kliens_folyamat, felhasznalo)
    VALUES (NEXT VALUE FOR gen_naplo_esemeny, CURRENT_TIMESTAMP, 'hozzáférési kérelem', :diak_id, :nev, 1,
            'Hozzáférési kérelem: ' || :nev || ' adatai (PDF és Excel)', CURRENT_TRANSACTION,
            RDB$GET_CONTEXT('SYSTEM', 'CLIENT_ADDRESS'), RDB$GET_CONTEXT('SYSTEM', 'CLIENT_HOST'),
            RDB$GET_CONTEXT('SYSTEM', 'CLIENT_PROCESS'), CURRENT_USER);
END^
SET TERM ;^
COMMIT;
