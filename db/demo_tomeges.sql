SET NAMES UTF8;
-- The generated students' registration, in bulk: scripts/create-db generates them with the
-- per-row triggers of table_diak off (a million students one by one took hours), then this
-- writes at once what those triggers keep of each: the further-data row, the class history's
-- enrolment and the headcount. The October counts are rebuilt once at the very end
-- (demo_osszesites.sql). Making the school is not a change of it: the generated students are
-- not in the log (as their further data are not). Only for a new demo school.

-- the further-data row, enrolled today
INSERT INTO table_diak_adat (diak_id, jogviszony_kezdete)
SELECT d.id, CURRENT_DATE FROM table_diak d
 WHERE NOT EXISTS (SELECT 1 FROM table_diak_adat a WHERE a.diak_id = d.id);

-- the enrolment, dated the day enrolment began, as its trigger dates the first row
INSERT INTO table_osztaly_tortenet (diak_id, tanev, osztaly_szam, osztaly_betu, esemeny, mikor)
SELECT d.id, d.evfolyam, o.osztaly_szam, o.osztaly_betu, 'beiratkozás', CAST(CURRENT_DATE AS TIMESTAMP)
  FROM table_diak d LEFT JOIN table_osztaly o ON o.id = d.osztaly_ID;

-- the headcount: one change row, as one registering transaction keeps it
INSERT INTO table_letszam_valtozas (id, valtozas)
SELECT GEN_ID(gen_letszam_valtozas, 1), (SELECT COUNT(*) FROM table_diak) - COALESCE(SUM(valtozas), 0)
  FROM table_letszam_valtozas;
COMMIT;
