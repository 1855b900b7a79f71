select o.id as "ID", o.osztaly_szam as "Évfolyam", o.osztaly_betu as "Osztály",
       o.osztaly_szak as "Tagozat/Szakma/Szakirány", t.nev as "Osztályfőnök"
from table_osztaly o
left join table_tanar t on t.id = o.osztalyfonok_id
order by o.osztaly_szam, o.osztaly_betu
