SET NAMES UTF8;
-- The demo school's October counts, built once from its students (scripts/create-db writes
-- the school with the statistics' per-row triggers off): what those triggers and their fold
-- would have kept, summed a class and day at once. Only for a new demo school, alone on it.

DELETE FROM table_okt_valtozas_bizalmas;
DELETE FROM table_okt_napi_bizalmas;
DELETE FROM table_okt_alap_bizalmas;
DELETE FROM table_okt_alapnap;

SET TERM ^;
EXECUTE BLOCK AS
    DECLARE nap DATE;
BEGIN
    nap = CAST(FN_AKTUALIS_TANEV(CURRENT_DATE) || '-10-01' AS DATE);
    INSERT INTO table_okt_napi_bizalmas (fajta, hova, datum, letszam, lany, nincs_megadva, sni, sni_lany,
           btmn, btmn_lany, hh, hh_lany, hhh, hhh_lany, kulfoldi, kulfoldi_lany, egyeni, egyeni_lany, bejaro,
           bejaro_lany, kollegista, kollegista_lany)
    SELECT e.fajta, e.hova, e.datum, SUM(e.letszam), SUM(e.lany), SUM(e.nincs_megadva), SUM(e.sni),
           SUM(e.sni_lany), SUM(e.btmn), SUM(e.btmn_lany), SUM(e.hh), SUM(e.hh_lany), SUM(e.hhh), SUM(e.hhh_lany),
           SUM(e.kulfoldi), SUM(e.kulfoldi_lany), SUM(e.egyeni), SUM(e.egyeni_lany), SUM(e.bejaro),
           SUM(e.bejaro_lany), SUM(e.kollegista), SUM(e.kollegista_lany)
      FROM (SELECT id FROM table_diak UNION SELECT id FROM table_diak_archiv) x
      LEFT JOIN PRC_OKTOBERI_TANULO(x.id) e ON 1 = 1
     WHERE e.fajta IS NOT NULL
     GROUP BY e.fajta, e.hova, e.datum
    HAVING SUM(ABS(e.letszam) + ABS(e.lany) + ABS(e.nincs_megadva) + ABS(e.sni) + ABS(e.sni_lany)
               + ABS(e.btmn) + ABS(e.btmn_lany) + ABS(e.hh) + ABS(e.hh_lany) + ABS(e.hhh) + ABS(e.hhh_lany)
               + ABS(e.kulfoldi) + ABS(e.kulfoldi_lany) + ABS(e.egyeni) + ABS(e.egyeni_lany) + ABS(e.bejaro)
               + ABS(e.bejaro_lany) + ABS(e.kollegista) + ABS(e.kollegista_lany)) > 0;
    INSERT INTO table_okt_alap_bizalmas (fajta, hova, letszam, lany, nincs_megadva, sni, sni_lany, btmn,
           btmn_lany, hh, hh_lany, hhh, hhh_lany, kulfoldi, kulfoldi_lany, egyeni, egyeni_lany, bejaro,
           bejaro_lany, kollegista, kollegista_lany)
    SELECT fajta, hova, SUM(letszam), SUM(lany), SUM(nincs_megadva), SUM(sni), SUM(sni_lany), SUM(btmn),
           SUM(btmn_lany), SUM(hh), SUM(hh_lany), SUM(hhh), SUM(hhh_lany), SUM(kulfoldi), SUM(kulfoldi_lany),
           SUM(egyeni), SUM(egyeni_lany), SUM(bejaro), SUM(bejaro_lany), SUM(kollegista), SUM(kollegista_lany)
      FROM table_okt_napi_bizalmas WHERE datum <= :nap
     GROUP BY fajta, hova;
    INSERT INTO table_okt_alapnap (id, nap, osszevonas) VALUES (0, :nap, 1);
END^
SET TERM ;^

-- what cancelled out goes, as the fold leaves it
DELETE FROM table_okt_napi_bizalmas
 WHERE letszam = 0 AND lany = 0 AND nincs_megadva = 0 AND sni = 0 AND sni_lany = 0 AND btmn = 0
   AND btmn_lany = 0 AND hh = 0 AND hh_lany = 0 AND hhh = 0 AND hhh_lany = 0 AND kulfoldi = 0
   AND kulfoldi_lany = 0 AND egyeni = 0 AND egyeni_lany = 0 AND bejaro = 0 AND bejaro_lany = 0
   AND kollegista = 0 AND kollegista_lany = 0;
DELETE FROM table_okt_alap_bizalmas
 WHERE letszam = 0 AND lany = 0 AND nincs_megadva = 0 AND sni = 0 AND sni_lany = 0 AND btmn = 0
   AND btmn_lany = 0 AND hh = 0 AND hh_lany = 0 AND hhh = 0 AND hhh_lany = 0 AND kulfoldi = 0
   AND kulfoldi_lany = 0 AND egyeni = 0 AND egyeni_lany = 0 AND bejaro = 0 AND bejaro_lany = 0
   AND kollegista = 0 AND kollegista_lany = 0;
COMMIT;
