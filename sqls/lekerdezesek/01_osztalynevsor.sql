-- Osztálynévsor
-- The chosen class's students in Hungarian name order (the columns collate PXW_HUN).
select row_number() over (order by d.nev, d.id) as "Ssz.",
       d.nev as "Név",
       d.szul_hely as "Születési hely",
       d.szul_ido as "Születési idő",
       d.diak_taj as "TAJ szám",
       d.diak_OM as "OM azonosító",
       case
           when d.diak_cim_varos is null then d.diak_cim
           when d.diak_cim is null then d.diak_cim_varos
           else d.diak_cim_varos || ', ' || d.diak_cim
       end as "Lakcím",
       d.anyja_nev as "Anyja neve",
       d.gondviselo_nev as "Gondviselő",
       coalesce(d.gondviselo_tel, d.diak_tel) as "Telefon"
from table_diak d
where d.osztaly_ID = :osztaly_id
order by d.nev, d.id
