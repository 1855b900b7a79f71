select t.targy_nev as "Tantárgy"
from table_tanar_targy tt
inner join table_targy t on t.id = tt.targy_id
where tt.tanar_id = :tanar_id
order by t.targy_nev
