SET NAMES UTF8;
-- Open clients listen for these events to refresh their student lists.

SET TERM ^;

CREATE TRIGGER trg_diak_uj FOR table_diak
ACTIVE AFTER INSERT POSITION 0
AS
BEGIN
    POST_EVENT 'uj_diak';
END^

CREATE TRIGGER trg_diak_modositas FOR table_diak
ACTIVE AFTER UPDATE POSITION 0
AS
BEGIN
    POST_EVENT 'diak_modositas';
END^

CREATE TRIGGER trg_diak_torles FOR table_diak
ACTIVE AFTER DELETE POSITION 0
AS
BEGIN
    POST_EVENT 'diak_torles';
END^

SET TERM ;^
COMMIT;
