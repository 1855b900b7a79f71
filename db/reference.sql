SET NAMES UTF8;
-- Languages a student may learn; every database starts with them.

INSERT INTO table_nyelv (nyelv_nev) VALUES ('angol');
INSERT INTO table_nyelv (nyelv_nev) VALUES ('német');
INSERT INTO table_nyelv (nyelv_nev) VALUES ('francia');
INSERT INTO table_nyelv (nyelv_nev) VALUES ('olasz');
INSERT INTO table_nyelv (nyelv_nev) VALUES ('spanyol');
INSERT INTO table_nyelv (nyelv_nev) VALUES ('orosz');
INSERT INTO table_nyelv (nyelv_nev) VALUES ('latin');
INSERT INTO table_nyelv (nyelv_nev) VALUES ('kínai');
INSERT INTO table_nyelv (nyelv_nev) VALUES ('japán');
COMMIT;
