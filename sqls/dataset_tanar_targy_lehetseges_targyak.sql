select t.id as "ID", t.targy_nev as "Tantárgy"
from table_targy t
where not exists (select 1 from table_tanar_targy tt
                  where tt.targy_id = t.id and tt.tanar_id = :tanar_id)
order by t.targy_nev
