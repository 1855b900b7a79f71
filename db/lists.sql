SET NAMES UTF8;
-- Student lists ordered by class. A join cannot walk an index in an order made of
-- both tables' columns, so it would sort the whole table before its first row; this
-- procedure takes the few classes in order and streams each class's students along
-- the (osztaly_ID, nev) index, bounded by the class (no bitmap of the whole class
-- first: that would cost what the class holds). The names keep their column's type and
-- collation. Safe to run again on an existing database.
--   betu_elobb = 0: by grade, letter, name;  1: by letter, grade, name.

SET TERM ^;

CREATE OR ALTER PROCEDURE PRC_TANULOK_OSZTALYONKENT (betu_elobb SMALLINT)
RETURNS (id INTEGER, nev TYPE OF COLUMN table_diak.nev, evfolyam INTEGER,
         osztaly TYPE OF COLUMN table_osztaly.osztaly_betu)
AS
DECLARE osztaly_id INTEGER;
BEGIN
    -- 16 classes or so: sorting them costs nothing, whatever the order asked for
    FOR SELECT o.id, o.osztaly_szam, o.osztaly_betu FROM table_osztaly o
        ORDER BY IIF(:betu_elobb = 1, o.osztaly_betu, NULL), o.osztaly_szam,
                 IIF(:betu_elobb = 1, NULL, o.osztaly_betu)
        INTO :osztaly_id, :evfolyam, :osztaly DO
        FOR SELECT d.id, d.nev FROM table_diak d
            WHERE d.osztaly_ID = :osztaly_id
            PLAN (d ORDER ix_diak_osztaly_nev)
            ORDER BY d.osztaly_ID, d.nev
            INTO :id, :nev DO
            SUSPEND;
END^

SET TERM ;^
COMMIT;
