-- Születésnapok a következő 30 napban
-- Today's birthdays count too. Someone born on 29 February has it on the 28th in
-- other years (DATEADD keeps to the end of the month).
select b.nap as "Születésnap",
       b.nev as "Név",
       b.osztaly as "Osztály",
       b.szul_ido as "Születési idő",
       extract(year from b.nap) - extract(year from b.szul_ido) as "Betöltött kor"
from (
    select a.nev, a.osztaly, a.szul_ido,
           iif(dateadd(year, a.kul, a.szul_ido) >= current_date,
               dateadd(year, a.kul, a.szul_ido), dateadd(year, a.kul + 1, a.szul_ido)) as nap
    from (
        select d.nev, d.szul_ido,
               o.osztaly_szam || '.' || o.osztaly_betu as osztaly,
               extract(year from current_date) - extract(year from d.szul_ido) as kul
        from table_diak d
        left join table_osztaly o on o.id = d.osztaly_ID
        where d.szul_ido is not null
    ) a
) b
where b.nap <= current_date + 30
order by b.nap, b.nev
