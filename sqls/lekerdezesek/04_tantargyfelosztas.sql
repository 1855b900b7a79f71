-- Tantárgyfelosztás
-- Who teaches which subject in which class, for the whole school.
select o.osztaly_szam || '.' || o.osztaly_betu as "Osztály",
       t.targy_nev as "Tantárgy",
       ta.nev as "Tanár"
from table_osztaly_targy ot
inner join table_osztaly o on o.id = ot.osztaly_id
inner join table_targy t on t.id = ot.targy_id
inner join table_tanar ta on ta.id = ot.tanar_id
order by o.osztaly_szam, o.osztaly_betu, t.targy_nev
