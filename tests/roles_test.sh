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
    "delete from table_kiadott_dokumentum;"
    "execute procedure PRC_TARGY_FELVETELE(-1, 'szerepteszt');"
)
for w in "${writes[@]}"; do
    refused R_OLV KORVANA_OLVASO "$w"
    allowed R_IRO KORVANA_IRODA "$w"
    allowed R_VEZ RDB\$ADMIN "$w"
done
allowed R_OLV KORVANA_OLVASO "select count(*) from table_diak; select count(*) from table_naplo;"
# The log's events are read and made by every role; only a writer names its own.
allowed R_OLV KORVANA_OLVASO "select count(*) from table_naplo_esemeny; execute procedure PRC_NAPLO_OSSZEVONAS;"
refused R_OLV KORVANA_OLVASO "execute procedure PRC_NAPLO_ESEMENY('beolvasás');"
allowed R_IRO KORVANA_IRODA "execute procedure PRC_NAPLO_ESEMENY('beolvasás');"
# The statuses, their log and the statistics' counts of them by class and day are the
# office's; the read-only role gets the statistics only.
for t in table_diak_bizalmas table_naplo_bizalmas table_okt_valtozas_bizalmas table_okt_napi_bizalmas \
    table_okt_alap_bizalmas tmp_oktoberi_bizalmas; do
    refused R_OLV KORVANA_OLVASO "select count(*) from $t;"
    allowed R_IRO KORVANA_IRODA "select count(*) from $t;"
    allowed R_VEZ KORVANA_VEZETO "select count(*) from $t;"
done
allowed R_OLV KORVANA_OLVASO "select * from PRC_OKTOBERI_STATISZTIKA(current_date);"
allowed R_IRO KORVANA_IRODA "update table_diak_bizalmas set sni = 0;"
# The year-end move, the school's data and the accounts are the head of office's.
for w in "execute procedure PRC_TANEVVALTAS(2099, 12, current_date);" "update table_iskola set nev = nev;" \
    "insert into table_fiok (felhasznalo) values ('X');"; do
    refused R_IRO KORVANA_IRODA "$w"
    allowed R_VEZ KORVANA_VEZETO "$w"
done
refused R_IRO KORVANA_IRODA "create user R_MASIK password 'masik-jelszo' using plugin Srp;"
# A role the person does not hold gives nothing.
refused R_OLV KORVANA_IRODA "update table_diak set nev = nev where id = $student;"

# Every procedure under each role: called with nulls, it may refuse the values, but the
# only permission it may lack is the role's own to call it.
readonly_procs=" PRC_LETSZAM_OSSZEVONAS PRC_NAPLO_OSSZEVONAS PRC_OKTOBERI_OSSZEVONAS PRC_OKTOBERI_STATISZTIKA PRC_TANEVVALTAS_ALLAPOT PRC_TANULOK_OSZTALYONKENT TMP_OSZTALY TMP_TANAR_TARGY "
while IFS='|' read -r proc type inputs; do
    [ -n "$proc" ] || continue
    args=$(for ((i = 0; i < inputs; i++)); do printf 'null,'; done); args=${args%,}
    [ -n "$args" ] && args="($args)"
    if [ "$type" = 1 ]; then call="select * from $proc$args;"; else call="execute procedure $proc$args;"; fi
    for who in "R_VEZ RDB\$ADMIN" "R_IRO KORVANA_IRODA" "R_OLV KORVANA_OLVASO"; do
        read -r user role <<<"$who"
        out=$(as "$user" "$role" "$call")
        may=1
        [ "$user" = R_IRO ] && [[ "$proc" == PRC_TANEVVALTAS || "$proc" == PRC_TANEVVALTAS_VISSZAVONASA ]] && may=0
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
