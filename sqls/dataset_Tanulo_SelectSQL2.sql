select l.ID, l.NEV as "Diák neve", l.EVFOLYAM as "Évfolyam", l.OSZTALY as "Osztály"
from PRC_TANULOK_OSZTALYONKENT(0) l
