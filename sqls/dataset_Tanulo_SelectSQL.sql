select table_diak.ID, table_diak.nev as "Diák neve", table_osztaly.osztaly_szam as "Évfolyam",
       table_osztaly.osztaly_betu as "Osztály"
from table_diak
inner join table_osztaly on table_osztaly.id = table_diak.osztaly_ID
plan join (table_diak order pk_diak, table_osztaly index (pk_osztaly))
order by table_diak.ID
