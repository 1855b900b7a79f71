SET NAMES UTF8;
-- A transaction's own marks, for the triggers: what the leaving, the move, the import and
-- the triggers themselves say of the work they are doing. A context variable alone is no
-- mark: any session can set one. So each mark is also a row of a temporary table that no
-- role may write; only the routines that own it can. The context variable stays as the
-- quick test a write pays for when no mark is set. Safe to run again.

SET TERM ^;
EXECUTE BLOCK AS
BEGIN
    IF (NOT EXISTS (SELECT 1 FROM rdb$relations WHERE rdb$relation_name = 'TMP_SAJAT_MUNKA')) THEN
        EXECUTE STATEMENT '
        CREATE GLOBAL TEMPORARY TABLE tmp_sajat_munka (
            jel    VARCHAR(63) NOT NULL,
            ertek  VARCHAR(63) NOT NULL,
            CONSTRAINT pk_sajat_munka PRIMARY KEY (jel)
        ) ON COMMIT DELETE ROWS';
END^
SET TERM ;^
COMMIT;

SET TERM ^;
-- Sets (or with NULL clears) a mark of this transaction.
CREATE OR ALTER PROCEDURE PRC_SAJAT_JEL (jel VARCHAR(63), ertek VARCHAR(63))
AS
BEGIN
    RDB$SET_CONTEXT('USER_TRANSACTION', jel, ertek);
    IF (ertek IS NULL) THEN
        DELETE FROM tmp_sajat_munka WHERE jel = :jel;
    ELSE
        UPDATE OR INSERT INTO tmp_sajat_munka (jel, ertek) VALUES (:jel, :ertek) MATCHING (jel);
END^

-- A mark of this transaction as its routine set it; a variable set by the session alone
-- is not one.
CREATE OR ALTER FUNCTION FN_SAJAT_JEL (jel VARCHAR(63)) RETURNS VARCHAR(63)
AS
BEGIN
    IF (RDB$GET_CONTEXT('USER_TRANSACTION', jel) IS NULL) THEN RETURN NULL;
    RETURN (SELECT ertek FROM tmp_sajat_munka WHERE jel = :jel);
END^
SET TERM ;^
COMMIT;
