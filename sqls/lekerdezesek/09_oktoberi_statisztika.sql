-- Októberi statisztika (október 1-jei állapot)
-- The school as of a day (1 October of the program's school year unless another is typed),
-- to help fill in the official statistics: per grade the students and girls, the statuses,
-- foreign citizens, individual schedule, commuters and boarders with their girls; then the
-- year's leavers by reason.
select sor as "Évfolyam / távozás oka",
       letszam as "Létszám",
       lany as "Ebből lány",
       nincs_megadva as "Nem: nincs megadva",
       sni as "SNI", sni_lany as "SNI lány",
       btmn as "BTMN", btmn_lany as "BTMN lány",
       hh as "HH", hh_lany as "HH lány",
       hhh as "HHH", hhh_lany as "HHH lány",
       kulfoldi as "Külföldi", kulfoldi_lany as "Külföldi lány",
       egyeni as "Egyéni munkarend", egyeni_lany as "Egyéni m. lány",
       bejaro as "Bejáró", bejaro_lany as "Bejáró lány",
       kollegista as "Kollégista", kollegista_lany as "Kollégista lány"
from PRC_OKTOBERI_STATISZTIKA(:nap)
