-- Kilépett tanulók a választott tanévben
-- The leavers' archive: who left in the chosen school year (1 September to 31 August), why
-- and from which class.
select a.nev as "Név",
       a.szul_ido as "Születési idő",
       a.utolso_osztaly_szam || '.' || a.utolso_osztaly_betu as "Utolsó osztály",
       a.kilepes_datum as "Kilépés",
       FN_KILEPES_OKA(a.kilepes_ok) as "Oka",
       a.kilepes_megjegyzes as "Megjegyzés"
from table_diak_archiv a
where a.kilepes_datum >= dateadd(year, :tanev - 2000, date '2000-09-01')
  and a.kilepes_datum < dateadd(year, :tanev - 1999, date '2000-09-01')
order by a.kilepes_datum, a.nev
