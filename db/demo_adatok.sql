SET NAMES UTF8;
-- The demo school's further data (run after students.sql and demo_archiv.sql): sex as the
-- first given name says, a postcode, about one in fifty foreign or dual citizens, commuters,
-- boarders and individual schedules as a county school has them, and the statuses at about
-- the national shares (SNI 5%, BTMN 7%, HH 10% and within it HHH 4%). Each value is drawn
-- from the student's id, so every run gives the same. The enrolment start stays empty: the
-- school was registered at once. Written in one statement a table, never logged: it is
-- part of making the school, not a change of it.

ALTER TRIGGER trg_diak_adat_naplo INACTIVE;
ALTER TRIGGER trg_diak_bizalmas_naplo INACTIVE;
COMMIT;

UPDATE table_diak_adat a SET
    nem = IIF(POSITION('|' || (SELECT SUBSTRING(r FROM 1 FOR COALESCE(NULLIF(POSITION(' ' IN r), 0) - 1, 40))
                               FROM (SELECT TRIM(SUBSTRING(n FROM POSITION(' ' IN n) + 1)) AS r
                                     FROM (SELECT COALESCE((SELECT d.nev FROM table_diak d WHERE d.id = a.diak_id),
                                                           (SELECT v.nev FROM table_diak_archiv v WHERE v.id = a.diak_id)) AS n
                                           FROM rdb$database))) || '|'
                       IN '|Hanna|Anna|Jázmin|Lili|Zsófia|Luca|Boglárka|Emma|Léna|Zoé|Nóra|Eszter|Réka|Dorina|Fanni|Petra|Vivien|Kitti|Lilla|Virág|Nikolett|Bianka|Kata|Csenge|Dóra|Flóra|Laura|Panna|Rebeka|Sára|Viktória|Alexandra|Enikő|Írisz|Orsolya|Szonja|Tímea|Zsanett|Barbara|Anita|Ágnes|Gréta|Hajnalka|Emese|Őzike|Ünige|Olívia|Kamilla|Maja|Tekla|') > 0, 'L', 'F'),
    iranyitoszam = 1000 + MOD(a.diak_id * 7919, 9000),
    allampolgarsag = DECODE(MOD(a.diak_id * 31, 100), 0, 'román', 1, 'magyar, ukrán', 'magyar'),
    jogviszony_kezdete = NULL,
    bejaro = IIF(MOD(a.diak_id * 37, 100) < 22, 1, 0),
    kollegista = IIF(MOD(a.diak_id * 37, 100) BETWEEN 22 AND 29, 1, 0),
    egyeni_munkarend = IIF(MOD(a.diak_id * 41, 100) = 7, 1, 0),
    gondviselo_irsz = IIF(MOD(a.diak_id * 43, 100) < 90, 1000 + MOD(a.diak_id * 7919, 9000), 1000 + MOD(a.diak_id * 104729, 9000)),
    gondviselo_email = IIF(MOD(a.diak_id * 47, 100) < 60, 'gondviselo' || a.diak_id || '@freemail.hu', NULL);

INSERT INTO table_diak_bizalmas (diak_id, sni, sni_kelte, sni_ervenyes, btmn, btmn_kelte, btmn_ervenyes,
                                 hh, hh_kelte, hh_ervenyes, hhh, hhh_kelte, hhh_ervenyes)
SELECT id, IIF(k < 5, 1, 0), IIF(k < 5, kelte, NULL), IIF(k < 5, DATEADD(3 YEAR TO kelte), NULL),
       IIF(k BETWEEN 5 AND 11, 1, 0), IIF(k BETWEEN 5 AND 11, kelte, NULL), IIF(k BETWEEN 5 AND 11, DATEADD(2 YEAR TO kelte), NULL),
       IIF(k BETWEEN 12 AND 21, 1, 0), IIF(k BETWEEN 12 AND 21, kelte, NULL), IIF(k BETWEEN 12 AND 21, DATEADD(1 YEAR TO kelte), NULL),
       IIF(k BETWEEN 12 AND 15, 1, 0), IIF(k BETWEEN 12 AND 15, kelte, NULL), IIF(k BETWEEN 12 AND 15, DATEADD(1 YEAR TO kelte), NULL)
FROM (SELECT d.id, MOD(d.id * 53 + 17, 100) AS k, DATEADD(-MOD(d.id * 97, 700) DAY TO DATE '2026-09-01') AS kelte
      FROM table_diak d) x
WHERE k < 22 AND NOT EXISTS (SELECT 1 FROM table_diak_bizalmas b WHERE b.diak_id = x.id);
COMMIT;

-- About one SNI student in five has compulsory schooling extended.
UPDATE table_diak_bizalmas SET sni_hosszabb = 1 WHERE sni = 1 AND MOD(diak_id * 59, 5) = 0;
COMMIT;

ALTER TRIGGER trg_diak_adat_naplo ACTIVE;
ALTER TRIGGER trg_diak_bizalmas_naplo ACTIVE;
COMMIT;

-- The demo school's own data, so that its documents can be issued at once.
UPDATE table_iskola SET nev = 'Bemutató Gimnázium és Technikum', cim = '4400 Nyíregyháza, Iskola utca 12.',
       om_azonosito = '033999', igazgato = 'Dr. Fehér Margit', kelt_helye = 'Nyíregyháza',
       helyettes_nev = 'Bodnár István', helyettes_beosztas = 'igazgatóhelyettes', alairo = 0,
       utolso_evfolyam = 12
 WHERE id = 1;
COMMIT;

-- A demo, not a school's registry: the program does not warn of its backups.
UPDATE table_adatbazis SET jelleg = 'bemutato' WHERE id = 1;
COMMIT;
