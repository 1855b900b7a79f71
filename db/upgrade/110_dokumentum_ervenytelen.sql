SET NAMES UTF8;
-- An issued document marked void, with the reason: the register keeps the document and
-- its number, which is never given again. Safe to run again.

SET TERM ^;
EXECUTE BLOCK AS
BEGIN
    IF (NOT EXISTS (SELECT 1 FROM rdb$relations WHERE rdb$relation_name = 'TABLE_DOKUMENTUM_ERVENYTELEN')) THEN
        EXECUTE STATEMENT '
        CREATE TABLE table_dokumentum_ervenytelen (
            dokumentum_id  INTEGER NOT NULL,
            ok             VARCHAR(300) NOT NULL,
            mikor          TIMESTAMP DEFAULT CURRENT_TIMESTAMP NOT NULL,
            felhasznalo    VARCHAR(63) DEFAULT CURRENT_USER NOT NULL,
            CONSTRAINT pk_dokumentum_ervenytelen PRIMARY KEY (dokumentum_id),
            CONSTRAINT fk_dokumentum_ervenytelen FOREIGN KEY (dokumentum_id)
                REFERENCES table_kiadott_dokumentum (id),
            CONSTRAINT ck_dokumentum_ervenytelen_ok CHECK (TRIM(ok) <> '''')
        )';
END^
SET TERM ;^
COMMIT;
