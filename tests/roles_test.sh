#!/usr/bin/env bash
# shellcheck disable=SC2015  # in 'test && pass || fail' pass never fails
# Personal accounts in the database: each role's limit tried through isql-fb, every
# procedure called under each role, and the script that turns the accounts on.
# Needs a running private server at 127.0.0.1/$KORVANA_FB_PORT.
set -u

src=${KORVANA_SOURCE_DIR:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
# shellcheck source=tests/shell_checks.sh
source "$src/tests/shell_checks.sh"
tmp=$(scratch roles)
db=$tmp/roles.fdb
"$src/scripts/create-db" "$db" --demo > /dev/null || { echo "create-db failed"; exit 1; }

# Users are the server's: made anew for this run.
sql "$db" "create or alter user R_VEZ password 'vez-jelszo1' using plugin Srp grant admin role;
create or alter user R_IRO password 'iro-jelszo1' using plugin Srp;
create or alter user R_OLV password 'olv-jelszo1' using plugin Srp;
commit;
grant KORVANA_VEZETO to R_VEZ; grant RDB\$ADMIN to R_VEZ;
grant KORVANA_IRODA to R_IRO; grant KORVANA_OLVASO to R_OLV;" > /dev/null

# as USER ROLE STATEMENTS : run as that person in that role, rolled back; output and errors
as() {
    local password
    case "$1" in R_VEZ) password=vez-jelszo1 ;; R_IRO) password=iro-jelszo1 ;; *) password=olv-jelszo1 ;; esac
    printf "SET NAMES UTF8;\nCONNECT '127.0.0.1/%s:%s' USER %s PASSWORD '%s' ROLE %s;\n%s\nROLLBACK;\n" \
        "$port" "$db" "$1" "$password" "$2" "$3" | isql-fb -q 2>&1
}

# allowed USER ROLE STATEMENT / refused USER ROLE STATEMENT
allowed() {
    local out; out=$(as "$1" "$2" "$3")
    if grep -q "no permission" <<<"$out"; then fail "$1 ($2) nem futtathatta: $3: $out"; else pass; fi
}
refused() {
    local out; out=$(as "$1" "$2" "$3")
    if grep -q "no permission" <<<"$out"; then pass; else fail "$1 ($2) mégis futtathatta: $3"; fi
}

student="(select min(id) from table_diak)"
writes=(
    "insert into table_tanar (nev) values ('Szerep Teszt');"
    "update table_diak set diak_tel = '+36 1 111' where id = $student;"
    "execute procedure PRC_TARGY_FELVETELE(-1, 'szerepteszt');"
)
for w in "${writes[@]}"; do
    refused R_OLV KORVANA_OLVASO "$w"
    allowed R_IRO KORVANA_IRODA "$w"
    allowed R_VEZ RDB\$ADMIN "$w"
done
allowed R_OLV KORVANA_OLVASO "select count(*) from table_diak; select count(*) from table_naplo;"
allowed R_OLV KORVANA_OLVASO "select count(*) from table_naplo_esemeny; execute procedure PRC_NAPLO_OSSZEVONAS;"

# What only the database writes, tried by every role as a curious member of staff would:
# the sequences, the log, the register, the backup record, the kept counts and the marks
# that the triggers trust. Each must be the server's own refusal.
attacks=(
    "select gen_id(gen_naplo, -100) from rdb\$database;"
    "select gen_id(gen_letszam_valtozas, -1) from rdb\$database;"
    "select gen_id(gen_naplo_esemeny, 5) from rdb\$database;"
    "select gen_id(gen_oktoberi_valtozas, 5) from rdb\$database;"
    "update table_naplo set felhasznalo = 'VEZETO';"
    "update table_naplo_esemeny set felhasznalo = 'VEZETO';"
    "delete from table_naplo_mezo;"
    "delete from table_naplo;"
    "insert into table_naplo_fuggo (tranzakcio, mikor, muvelet, diak_id, felhasznalo) values (1, current_timestamp - 30, 'törlés', 1, 'VEZETO');"
    "delete from table_naplo_bizalmas;"
    "insert into table_jogallas_olvasas (diak_id, felhasznalo) values (1, 'VEZETO');"
    "update table_jogallas_olvasas set felhasznalo = 'VEZETO';"
    "delete from table_jogallas_olvasas;"
    "delete from table_adatmegorzes_torles;"
    "insert into table_adatmegorzes_tanulo (diak_id, kategoria, torolve, kilepes_datum) values (1, 'kapcsolat', current_date, current_date);"
    "delete from table_naplo_nyitott;"
    "delete from table_valtozas_jel;"
    "delete from table_kiadott_dokumentum;"
    "update table_ki_tette set felhasznalo = 'VEZETO';"
    "update table_dokumentum_szamlalo set utolso = 0;"
    "insert into table_dokumentum_ervenytelen (dokumentum_id, ok, felhasznalo) values ((select min(id) from table_kiadott_dokumentum), 'x', 'VEZETO');"
    "delete from table_dokumentum_ervenytelen;"
    "insert into table_mentes (fajl, meret, ellenorizve) values ('/nincs.fbk', 1, 1);"
    "delete from table_mentes;"
    "delete from table_frissites;"
    "delete from table_letszam_valtozas;"
    "update table_okt_napi_bizalmas set letszam = 0;"
    "delete from table_okt_valtozas_bizalmas;"
    "delete from table_okt_alap_bizalmas;"
    "delete from table_osztaly_tortenet;"
    "delete from table_diak_archiv;"
    "delete from table_tanevvaltas;"
    "delete from table_fiok_jel;"
    "delete from table_jogosultsag;"
    "update table_adatbazis set jelleg = 'bemutato';"
    "insert into tmp_sajat_munka (jel, ertek) values ('KORVANA_NAPLO_KILEPES', '1');"
    "execute procedure PRC_SAJAT_JEL('KORVANA_NAPLO_KILEPES', 1);"
    "execute procedure PRC_NAPLO_ESEMENY('beolvasás');"
)
for w in "${attacks[@]}"; do
    refused R_OLV KORVANA_OLVASO "$w"
    refused R_IRO KORVANA_IRODA "$w"
    refused R_VEZ KORVANA_VEZETO "$w"
done
# The statuses, their log and the statistics' counts of them by class and day are the
# office's; the read-only role gets none of them, nor the statistics, whose figures of
# two days would tell one student's status.
for t in table_diak_bizalmas table_naplo_bizalmas table_okt_valtozas_bizalmas table_okt_napi_bizalmas \
    table_okt_alap_bizalmas tmp_oktoberi_bizalmas; do
    refused R_OLV KORVANA_OLVASO "select count(*) from $t;"
done
refused R_OLV KORVANA_OLVASO "select * from PRC_OKTOBERI_STATISZTIKA(current_date);"
allowed R_IRO KORVANA_IRODA "select count(*) from table_naplo_bizalmas; select * from PRC_OKTOBERI_STATISZTIKA(current_date);"
# The statuses themselves: no role selects them, nor searches them in an update; each
# read goes through the procedure that records it, each write through its own.
for who in "R_VEZ KORVANA_VEZETO" "R_IRO KORVANA_IRODA" "R_OLV KORVANA_OLVASO"; do
    read -r user role <<<"$who"
    refused "$user" "$role" "select count(*) from table_diak_bizalmas;"
    refused "$user" "$role" "select sni from table_diak_bizalmas where diak_id = $student;"
    refused "$user" "$role" "update table_diak_bizalmas set sni = 0 where diak_id = $student;"
done
for who in "R_VEZ KORVANA_VEZETO" "R_IRO KORVANA_IRODA"; do
    read -r user role <<<"$who"
    allowed "$user" "$role" "select * from PRC_JOGALLAS($student);"
    allowed "$user" "$role" "execute procedure PRC_JOGALLAS_IRASA($student, 1, null, null, 0, null, null, 0, null, null, 0, null, null, 0);"
done
refused R_OLV KORVANA_OLVASO "select * from PRC_JOGALLAS($student);"
# who read them is the head's to see
refused R_IRO KORVANA_IRODA "select count(*) from table_jogallas_olvasas;"
refused R_OLV KORVANA_OLVASO "select count(*) from table_jogallas_olvasas;"
allowed R_VEZ KORVANA_VEZETO "select count(*) from table_jogallas_olvasas;"
# a read is recorded even when the reader rolls back (as() always does), in the reader's name
before=$(rows "$db" "select count(*) from table_jogallas_olvasas where felhasznalo = 'R_IRO' and diak_id = $student")
as R_IRO KORVANA_IRODA "select sni from PRC_JOGALLAS($student);" > /dev/null
check_eq "a jogállás olvasása feljegyezve" \
    "$(rows "$db" "select count(*) from table_jogallas_olvasas where felhasznalo = 'R_IRO' and diak_id = $student")" \
    "$((before + 1))"
# The register is written through its routines, in the name of the login.
allowed R_IRO KORVANA_IRODA "execute procedure PRC_DOKUMENTUM_ERVENYTELENITESE(2026, 1, 'próba');"
# The year-end move, the school's data and the accounts are the head of office's.
for w in "execute procedure PRC_TANEVVALTAS(2099, 12, current_date);" "update table_iskola set nev = nev;" \
    "insert into table_fiok (felhasznalo) values ('X');"; do
    refused R_IRO KORVANA_IRODA "$w"
    allowed R_VEZ KORVANA_VEZETO "$w"
done
# the leavers' data periods and their clearing are the head's
refused R_IRO KORVANA_IRODA "update or insert into table_adatmegorzes (kategoria, evek) values ('kapcsolat', 1) matching (kategoria);"
allowed R_VEZ KORVANA_VEZETO "update or insert into table_adatmegorzes (kategoria, evek) values ('kapcsolat', 1) matching (kategoria);"
refused R_IRO KORVANA_IRODA "create user R_MASIK password 'masik-jelszo' using plugin Srp;"
# A role the person does not hold gives nothing.
refused R_OLV KORVANA_IRODA "update table_diak set nev = nev where id = $student;"

# The grants are exactly the list's: no role holds a privilege its row does not name,
# every routine holds what it refers to, and an object the list leaves out stops the upgrade.
check_eq "a listán kívüli jogok" "$(rows "$db" "select trim(p.rdb\$user) || ' ' || trim(p.rdb\$relation_name) || ' ' || p.rdb\$privilege
  from rdb\$user_privileges p left join table_jogosultsag j on j.nev = p.rdb\$relation_name
 where p.rdb\$user starting with 'KORVANA_' and p.rdb\$user_type = 13 and p.rdb\$privilege <> 'M'
   and not (decode(p.rdb\$user, 'KORVANA_VEZETO', j.vezeto, 'KORVANA_IRODA', j.iroda, j.olvaso) = 'W' and p.rdb\$privilege in ('S', 'I', 'U', 'D')
         or decode(p.rdb\$user, 'KORVANA_VEZETO', j.vezeto, 'KORVANA_IRODA', j.iroda, j.olvaso) = 'R' and p.rdb\$privilege = 'S'
         or decode(p.rdb\$user, 'KORVANA_VEZETO', j.vezeto, 'KORVANA_IRODA', j.iroda, j.olvaso) = 'X' and p.rdb\$privilege = 'X')")" ""
check_eq "a rutinok hiányzó jogai" "$(rows "$db" "select distinct trim(d.rdb\$dependent_name) || ' -> ' || trim(d.rdb\$depended_on_name)
  from rdb\$dependencies d
 where d.rdb\$dependent_type in (2, 5, 15) and d.rdb\$depended_on_type in (0, 5, 14, 15)
   and (d.rdb\$depended_on_type <> 0 or exists (select 1 from rdb\$relations x where x.rdb\$relation_name = d.rdb\$depended_on_name and coalesce(x.rdb\$system_flag, 0) = 0))
   and (d.rdb\$dependent_type <> 2 or exists (select 1 from rdb\$triggers g where g.rdb\$trigger_name = d.rdb\$dependent_name and coalesce(g.rdb\$system_flag, 0) = 0))
   and not exists (select 1 from rdb\$user_privileges p where p.rdb\$user = d.rdb\$dependent_name and p.rdb\$relation_name = d.rdb\$depended_on_name)")" ""
# a grant made by hand beyond the list goes at the next upgrade, whoever made it
sql "$db" "grant all on table_naplo to role KORVANA_IRODA granted by R_VEZ; grant usage on sequence gen_naplo to role KORVANA_OLVASO;" > /dev/null
"$src/scripts/upgrade-db" "$db" > /dev/null 2>&1 && pass || fail "upgrade-db a kézi jogok után"
refused R_IRO KORVANA_IRODA "delete from table_naplo;"
refused R_OLV KORVANA_OLVASO "select gen_id(gen_naplo, 1) from rdb\$database;"
sql "$db" "create table table_senki_listajan (id integer);" > /dev/null
out=$("$src/scripts/upgrade-db" "$db" 2>&1) && fail "listán kívüli táblával is frissített" ||
    { grep -q "TABLE_SENKI_LISTAJAN" <<<"$out" && pass || fail "upgrade-db hibája nem nevezi meg a táblát: $out"; }
sql "$db" "drop table table_senki_listajan;" > /dev/null

# as_commit USER ROLE STATEMENTS : like as, but kept
as_commit() {
    local password
    case "$1" in R_VEZ) password=vez-jelszo1 ;; R_IRO) password=iro-jelszo1 ;; *) password=olv-jelszo1 ;; esac
    printf "SET NAMES UTF8;\nCONNECT '127.0.0.1/%s:%s' USER %s PASSWORD '%s' ROLE %s;\n%s\nCOMMIT;\n" \
        "$port" "$db" "$1" "$password" "$2" "$3" | isql-fb -q 2>&1
}
mark() { echo "select rdb\$set_context('USER_TRANSACTION', '$1', '$2') from rdb\$database;"; }
for n in "Hamis Kilépő" "Hamis Történet" "Hamis Adat" "Hamis Beolvasott"; do
    sql "$db" "insert into table_diak (nev, szul_hely, szul_ido, anyja_nev, osztaly_ID, tanult_nyelv_ID, evfolyam)
        values ('$n', 'Pécs', date '2010-01-01', 'Anyja', (select min(id) from table_osztaly),
                (select min(id) from table_nyelv), 2026);" > /dev/null
done
sql "$db" "execute procedure PRC_NAPLO_OSSZEVONAS;" > /dev/null
hamis_adat=$(value "$db" "select id from table_diak where nev = 'Hamis Adat'")
jelek=$(value "$db" "select count(*) from table_valtozas_jel where tabla = 'TABLE_OSZTALY'")
# A mark the session sets itself is no mark: each write below is kept, logged and counted
# as any other. Cases: name | statements as iroda | check (SYSDBA, after a fold) | expected
while IFS='|' read -r name stmts check expected; do
    [ -n "$name" ] || continue
    out=$(as_commit R_IRO KORVANA_IRODA "$stmts")
    grep -q "Statement failed\|SQLSTATE" <<<"$out" && fail "$name: $out"
    sql "$db" "execute procedure PRC_NAPLO_OSSZEVONAS;" > /dev/null
    check_eq "$name" "$(value "$db" "$check")" "$expected"
done <<EOF2
törlés kilépésnek jelölve|$(mark KORVANA_NAPLO_KILEPES 1) delete from table_diak where nev = 'Hamis Kilépő';|select count(*) from table_naplo where muvelet = 'törlés' and diak_nev = 'Hamis Kilépő'|1
osztályváltás történet nélkül|$(mark KORVANA_TORTENET_KI 1) update table_diak set osztaly_ID = (select max(id) from table_osztaly) where nev = 'Hamis Történet';|select count(*) from table_osztaly_tortenet t join table_diak d on d.id = t.diak_id where d.nev = 'Hamis Történet' and t.esemeny = 'osztályváltás'|1
felvétel visszavételnek jelölve|$(mark KORVANA_ESEMENY visszavétel) insert into table_diak (nev, szul_hely, szul_ido, anyja_nev, osztaly_ID, tanult_nyelv_ID, evfolyam, diak_tel) select 'Hamis Visszavett', 'Pécs', date '2010-01-01', 'Anyja', min(id), (select min(id) from table_nyelv), 2026, '+36 1 222' from table_osztaly;|select count(*) from table_naplo n join table_naplo_mezo m on m.naplo_id = n.id where n.diak_nev = 'Hamis Visszavett' and n.muvelet = 'felvétel' and m.mezo = 'diak_tel'|1
további adat új tanulónak jelölve|$(mark KORVANA_UJ_DIAK "$hamis_adat") update table_diak_adat set bejaro = 1 where diak_id = (select id from table_diak where nev = 'Hamis Adat');|select count(*) from table_naplo n join table_naplo_mezo m on m.naplo_id = n.id where n.diak_nev = 'Hamis Adat' and m.mezo = 'bejaro'|1
osztály változása tanévváltásnak jelölve|$(mark KORVANA_TANEVVALTAS 1) update table_osztaly set osztaly_szak = 'hamis' where id = (select min(id) from table_osztaly);|select count(*) from table_valtozas_jel where tabla = 'TABLE_OSZTALY'|$((jelek + 1))
beolvasásnak nevezett törlés|execute procedure PRC_BEOLVASAS_ESEMENY; delete from table_diak where nev = 'Hamis Beolvasott';|select count(*) from table_naplo_esemeny where diak_nev = 'Hamis Beolvasott' and osszegzes starting with 'Törlés: Hamis Beolvasott'|1
EOF2

# A log row the fold cannot store stays pending, and the fold says so instead of dropping it.
taken=$(value "$db" "select max(id) from table_naplo")
sql "$db" "alter sequence gen_naplo restart with $((taken - 1));" > /dev/null
sql "$db" "update table_diak set diak_tel = '+36 1 333' where nev = 'Hamis Történet';" > /dev/null
out=$(sql "$db" "execute procedure PRC_NAPLO_OSSZEVONAS;")
grep -q "PRIMARY or UNIQUE KEY" <<<"$out" && pass || fail "a fold elnyelte a hibát: $out"
check_eq "a tárolhatatlan sor függőben marad" "$(value "$db" "select count(*) from table_naplo_fuggo where u_diak_tel = '+36 1 333'")" 1
sql "$db" "alter sequence gen_naplo restart with $((taken + 100)); execute procedure PRC_NAPLO_OSSZEVONAS;" > /dev/null
check_eq "majd a helyére kerül" "$(value "$db" "select count(*) from table_naplo_fuggo where u_diak_tel = '+36 1 333'")" 0

# Every procedure under each role: called with nulls, it may refuse the values, but the
# only permission it may lack is the role's own to call it.
readonly_procs=" PRC_LETSZAM_OSSZEVONAS PRC_NAPLO_OSSZEVONAS PRC_OKTOBERI_OSSZEVONAS PRC_TANEVVALTAS_ALLAPOT PRC_TANULOK_OSZTALYONKENT "
heads_procs=" PRC_TANEVVALTAS PRC_TANEVVALTAS_VISSZAVONASA PRC_ADATMEGORZES "
# called by other routines only: no role may
inner_procs=" PRC_NAPLO_ESEMENY PRC_NAPLO_ESEMENYE PRC_NAPLO_ESEMENY_KESZ PRC_NAPLO_KILEPES PRC_OKTOBERI_ESEMENYEK PRC_OKTOBERI_KIIR PRC_OKTOBERI_TANULO PRC_SAJAT_JEL PRC_TANEVVALTAS_AKADALYOK "
while IFS='|' read -r proc type inputs; do
    [ -n "$proc" ] || continue
    args=$(for ((i = 0; i < inputs; i++)); do printf 'null,'; done); args=${args%,}
    [ -n "$args" ] && args="($args)"
    if [ "$type" = 1 ]; then call="select * from $proc$args;"; else call="execute procedure $proc$args;"; fi
    for who in "R_VEZ KORVANA_VEZETO" "R_IRO KORVANA_IRODA" "R_OLV KORVANA_OLVASO"; do
        read -r user role <<<"$who"
        out=$(as "$user" "$role" "$call")
        may=1
        [[ "$inner_procs" == *" $proc "* ]] && may=0
        [ "$user" = R_IRO ] && [[ "$heads_procs" == *" $proc "* ]] && may=0
        [ "$user" = R_OLV ] && [[ "$readonly_procs" != *" $proc "* ]] && may=0
        if [ "$may" = 1 ]; then
            grep -q "no permission" <<<"$out" && fail "$proc ($role): $(grep -m1 'no permission' <<<"$out")" || pass
        else
            grep -q "no permission for EXECUTE access to PROCEDURE $proc" <<<"$out" && pass ||
                fail "$proc ($role) futhatott: $out"
        fi
    done
done < <(sql "$db" "SET HEADING OFF; SET LIST OFF;
select trim(p.rdb\$procedure_name) || '|' || coalesce(p.rdb\$procedure_type, 2) || '|' ||
  (select count(*) from rdb\$procedure_parameters pp where pp.rdb\$procedure_name = p.rdb\$procedure_name and pp.rdb\$parameter_type = 0)
from rdb\$procedures p where coalesce(p.rdb\$system_flag, 0) = 0 and p.rdb\$package_name is null;" |
    sed -e 's/^[[:space:]]*//' -e 's/[[:space:]]*$//' | grep '|')

# The script that turns the accounts on: a head of office who may log in and manage, the mark.
out=$(KORVANA_UJ_JELSZO=elso-vezeto1 "$src/scripts/fiokok-bekapcsolasa" "$db" r_elso "Első Vezető" 2>&1) &&
    pass || fail "fiokok-bekapcsolasa: $out"
check_eq "a jel" "$(value "$db" "select count(*) from table_fiok_jel")" 1
check_eq "a teljes név" "$(value "$db" "select teljes_nev from table_fiok where felhasznalo = 'R_ELSO'")" "Első Vezető"
check_eq "a vezető szerepei" "$(rows "$db" "select trim(rdb\$relation_name) from rdb\$user_privileges where rdb\$user = 'R_ELSO' and rdb\$privilege = 'M' order by 1")" "KORVANA_VEZETO|RDB\$ADMIN"
out=$(printf "CONNECT '127.0.0.1/%s:%s' USER R_ELSO PASSWORD 'elso-vezeto1' ROLE RDB\$ADMIN;\nselect sec\$user_name from sec\$users where sec\$user_name = 'R_ELSO';\n" "$port" "$db" | isql-fb -q 2>&1)
grep -q R_ELSO <<<"$out" && pass || fail "a vezető nem látja a fiókokat: $out"
out=$(KORVANA_UJ_JELSZO=rovid "$src/scripts/fiokok-bekapcsolasa" "$db" r_masik "Más" 2>&1) &&
    fail "rövid jelszót elfogadott" || pass
# The administrator's login comes from Firebird's own environment when it is set.
out=$(ISC_USER=R_ELSO ISC_PASSWORD=rossz "$src/scripts/upgrade-db" "$db" 2>&1) &&
    fail "rossz belépéssel is frissített" || { grep -q "R_ELSO" <<<"$out" && pass || fail "upgrade-db: $out"; }

sql "$db" "drop user R_ELSO; drop user R_VEZ; drop user R_IRO; drop user R_OLV;" > /dev/null
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
