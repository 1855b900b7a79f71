SET NAMES UTF8;
-- The generated students' registration, in bulk: scripts/create-db generates them with the
-- per-row triggers of table_diak off (a million students one by one took hours), then this
-- writes at once what those triggers keep of each: the further-data row, the class history's
-- enrolment, the "felvétel" log row and the headcount. The October counts are rebuilt once at
-- the very end (demo_osszesites.sql). Only for a new demo school.

-- the further-data row, enrolled today
INSERT INTO table_diak_adat (diak_id, jogviszony_kezdete)
SELECT d.id, CURRENT_DATE FROM table_diak d
 WHERE NOT EXISTS (SELECT 1 FROM table_diak_adat a WHERE a.diak_id = d.id);

-- the enrolment, dated the day enrolment began, as its trigger dates the first row
INSERT INTO table_osztaly_tortenet (diak_id, tanev, osztaly_szam, osztaly_betu, esemeny, mikor)
SELECT d.id, d.evfolyam, o.osztaly_szam, o.osztaly_betu, 'beiratkozás', CAST(CURRENT_DATE AS TIMESTAMP)
  FROM table_diak d LEFT JOIN table_osztaly o ON o.id = d.osztaly_ID;

-- the log: every field that is not empty, as a new value
INSERT INTO table_naplo_fuggo (tranzakcio, mikor, muvelet, diak_id, diak_nev, kliens_cim, kliens_gep,
    kliens_folyamat, felhasznalo, u_nev, u_diak_cim, u_diak_cim_varos, u_szul_hely, u_szul_ido, u_sz_szam,
    u_diak_tel, u_anyja_nev, u_gondviselo_nev, u_gondviselo_cim, u_gondviselo_tel, u_diak_taj, u_diak_OM,
    u_diak_diak, u_osztaly_ID, u_tanult_nyelv_ID, u_evfolyam, u_mj)
SELECT CURRENT_TRANSACTION, CURRENT_TIMESTAMP, 'felvétel', d.id, d.nev,
       RDB$GET_CONTEXT('SYSTEM', 'CLIENT_ADDRESS'), RDB$GET_CONTEXT('SYSTEM', 'CLIENT_HOST'),
       RDB$GET_CONTEXT('SYSTEM', 'CLIENT_PROCESS'), CURRENT_USER,
       NULLIF(d.nev, ''), NULLIF(d.diak_cim, ''), NULLIF(d.diak_cim_varos, ''), NULLIF(d.szul_hely, ''),
       d.szul_ido, NULLIF(d.sz_szam, ''), NULLIF(d.diak_tel, ''), NULLIF(d.anyja_nev, ''),
       NULLIF(d.gondviselo_nev, ''), NULLIF(d.gondviselo_cim, ''), NULLIF(d.gondviselo_tel, ''),
       NULLIF(d.diak_taj, ''), NULLIF(d.diak_OM, ''), NULLIF(d.diak_diak, ''),
       FN_NAPLO_OSZTALY(d.osztaly_ID, 1),
       IIF(d.tanult_nyelv_ID IS NULL, NULL, COALESCE((SELECT nyelv_nev FROM table_nyelv WHERE id = d.tanult_nyelv_ID), d.tanult_nyelv_ID)),
       d.evfolyam, IIF(COALESCE(d.mj, '') = '', NULL, d.mj)
  FROM table_diak d;

-- the headcount: one change row, as one registering transaction keeps it
INSERT INTO table_letszam_valtozas (id, valtozas)
SELECT GEN_ID(gen_letszam_valtozas, 1), (SELECT COUNT(*) FROM table_diak) - COALESCE(SUM(valtozas), 0)
  FROM table_letszam_valtozas;
COMMIT;
