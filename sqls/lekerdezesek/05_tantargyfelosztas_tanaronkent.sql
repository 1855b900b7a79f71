-- Tantárgyfelosztás egy tanárra
-- The chosen teacher's subjects and the classes they are taught in.
select t.targy_nev as "Tantárgy",
       o.osztaly_szam || '.' || o.osztaly_betu as "Osztály",
       o.osztaly_szak as "Tagozat/Szakma/Szakirány"
from table_osztaly_targy ot
inner join table_osztaly o on o.id = ot.osztaly_id
inner join table_targy t on t.id = ot.targy_id
where ot.tanar_id = :tanar_id
order by t.targy_nev, o.osztaly_szam, o.osztaly_betu
