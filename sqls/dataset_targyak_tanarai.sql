select ta.id as "ID", ta.nev as "Tanár neve"
from table_tanar_targy tt
inner join table_tanar ta on ta.id = tt.tanar_id
where tt.targy_id = :targy_id
order by ta.nev
