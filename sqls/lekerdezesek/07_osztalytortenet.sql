-- Osztálytörténet (a választott osztály tanulói)
-- Where each student of the chosen class was in earlier school years, as grade and letter
-- at the time (the year-end move renames the classes), oldest first.
select d.nev as "Név",
       t.tanev || '/' || (t.tanev + 1) as "Tanév",
       t.osztaly_szam || '.' || t.osztaly_betu as "Osztály",
       t.esemeny as "Esemény",
       cast(t.mikor as date) as "Dátum"
from table_diak d
join table_osztaly_tortenet t on t.diak_id = d.id
where d.osztaly_ID = :osztaly_id
order by d.nev, d.id, t.tanev, t.id
