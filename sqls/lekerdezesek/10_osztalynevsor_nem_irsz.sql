-- Osztálynévsor nemmel és irányítószámmal
-- The chosen class's students in Hungarian name order with sex and postcode, for letters
-- and the headcount of girls and boys; the statuses are in no list.
select row_number() over (order by d.nev, d.id) as "Ssz.",
       d.nev as "Név",
       decode(a.nem, 'F', 'fiú', 'L', 'lány', 'nincs megadva') as "Neme",
       d.szul_ido as "Születési idő",
       a.iranyitoszam as "Irányítószám",
       d.diak_cim_varos as "Város",
       d.diak_cim as "Cím",
       a.allampolgarsag as "Állampolgárság",
       a.jogviszony_kezdete as "Jogviszony kezdete"
from table_diak d
left join table_diak_adat a on a.diak_id = d.id
where d.osztaly_ID = :osztaly_id
order by d.nev, d.id
