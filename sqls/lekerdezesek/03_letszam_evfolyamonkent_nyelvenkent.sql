-- Létszám évfolyamonként és nyelvenként
-- Each grade by studied language with the grade's total, then the whole school by
-- language and the grand total.
select "Évfolyam", "Tanult nyelv", "Létszám"
from (
    select coalesce(o.osztaly_szam, 99) as evf, 0 as sor,
           coalesce(o.osztaly_szam || '. évfolyam', 'osztály nélkül') as "Évfolyam",
           coalesce(n.nyelv_nev, 'nincs megadva') as "Tanult nyelv",
           count(*) as "Létszám"
    from table_diak d
    left join table_osztaly o on o.id = d.osztaly_ID
    left join table_nyelv n on n.id = d.tanult_nyelv_ID
    group by 1, 3, 4
    union all
    select coalesce(o.osztaly_szam, 99), 1,
           coalesce(o.osztaly_szam || '. évfolyam', 'osztály nélkül'), 'összesen', count(*)
    from table_diak d
    left join table_osztaly o on o.id = d.osztaly_ID
    group by 1, 3
    union all
    select 100, 0, 'Összesen', coalesce(n.nyelv_nev, 'nincs megadva'), count(*)
    from table_diak d
    left join table_nyelv n on n.id = d.tanult_nyelv_ID
    group by 4
    union all
    select 100, 1, 'Összesen', 'összesen', count(*)
    from table_diak
)
order by evf, sor, "Tanult nyelv"
