-- Létszám osztályonként
-- Every class, even an empty one; students without a class get a row of their own,
-- so the rows always add up to the total. Boys and girls beside it; a student whose sex
-- is not recorded is neither.
select "Osztály", "Tagozat/Szakma/Szakirány", "Osztályfőnök", "Létszám", "Fiú", "Lány", "Nem nincs megadva"
from (
    select 0 as sor, o.osztaly_szam as szam, o.osztaly_betu as betu,
           o.osztaly_szam || '.' || o.osztaly_betu as "Osztály",
           o.osztaly_szak as "Tagozat/Szakma/Szakirány",
           t.nev as "Osztályfőnök",
           count(d.id) as "Létszám",
           count(iif(a.nem = 'F', 1, null)) as "Fiú",
           count(iif(a.nem = 'L', 1, null)) as "Lány",
           count(iif(d.id is not null and a.nem is null, 1, null)) as "Nem nincs megadva"
    from table_osztaly o
    left join table_tanar t on t.id = o.osztalyfonok_id
    left join table_diak d on d.osztaly_ID = o.id
    left join table_diak_adat a on a.diak_id = d.id
    group by o.osztaly_szam, o.osztaly_betu, o.osztaly_szak, t.nev
    union all
    select 1, null, null, 'osztály nélkül', null, null, count(*),
           count(iif(a.nem = 'F', 1, null)), count(iif(a.nem = 'L', 1, null)), count(iif(a.nem is null, 1, null))
    from table_diak d
    left join table_diak_adat a on a.diak_id = d.id
    where d.osztaly_ID is null
    having count(*) > 0
    union all
    select 2, null, null, 'Összesen', null, null, count(*),
           count(iif(a.nem = 'F', 1, null)), count(iif(a.nem = 'L', 1, null)), count(iif(a.nem is null, 1, null))
    from table_diak d
    left join table_diak_adat a on a.diak_id = d.id
)
order by sor, szam, betu
