select t.targy_nev as "Tantárgy neve", ta.nev as "Tanár neve"
from table_osztaly_targy ot
inner join table_targy t on t.id = ot.targy_id
inner join table_tanar ta on ta.id = ot.tanar_id
where ot.osztaly_id = :osztaly_id
order by t.targy_nev
