-- Létszám osztályonként
-- Every class, even an empty one; students without a class get a row of their own,
-- so the rows always add up to the total.
select "Osztály", "Tagozat/Szakma/Szakirány", "Osztályfőnök", "Létszám"
from (
    select 0 as sor, o.osztaly_szam as szam, o.osztaly_betu as betu,
           o.osztaly_szam || '.' || o.osztaly_betu as "Osztály",
           o.osztaly_szak as "Tagozat/Szakma/Szakirány",
           t.nev as "Osztályfőnök",
           count(d.id) as "Létszám"
    from table_osztaly o
    left join table_tanar t on t.id = o.osztalyfonok_id
    left join table_diak d on d.osztaly_ID = o.id
    group by o.osztaly_szam, o.osztaly_betu, o.osztaly_szak, t.nev
    union all
    select 1, null, null, 'osztály nélkül', null, null, count(*)
    from table_diak
    where osztaly_ID is null
    having count(*) > 0
    union all
    select 2, null, null, 'Összesen', null, null, count(*)
    from table_diak
)
order by sor, szam, betu
