#!/usr/bin/env bash
# shellcheck disable=SC2015  # in 'test && pass || fail' pass never fails
# The server's package: its control data, files, units and the ICU drop-in, then its
# korvana-szerver unpacked into a trial root (dpkg -x) setting up a private server of
# its own (twice: the second run changes nothing), and the daily backup: made, verified by
# a restore, rotated by a made-up calendar, copied, each result recorded; a truncated
# backup, a wrong count, a stopped server and a missing second place each a failure.
# The machine's own Firebird set-up is never touched.
#   server_package_test.sh
set -u

src=${KORVANA_SOURCE_DIR:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
# shellcheck source=tests/shell_checks.sh
source "$src/tests/shell_checks.sh"
tmp=$(scratch server_package)
start=$SECONDS

# ---------------------------------------------------------------- the package
deb=$("$src/packaging/server/build" "$tmp" 2>&1) && [ -f "$deb" ] && pass || { fail "a csomag: $deb"; exit 1; }
field() { dpkg-deb -f "$deb" "$1"; }
check_eq "a csomag neve" "$(field Package)" korvana-szerver
check_eq "a változat a projekté" "$(field Version)" "$(sed -n 's/^project([^ ]* VERSION \([0-9.]*\).*/\1/p' "$src/CMakeLists.txt")"
for p in firebird3.0-server firebird3.0-utils; do
    [[ ", $(field Depends)," == *", $p,"* ]] && pass || fail "nem függ ettől: $p ($(field Depends))"
done
conffiles=$(printf '/etc/korvana/%s\n' korvana-szerver.conf firebird.conf mentes-ido.conf)
check_eq "a beállítófájlok conffile-ok" "$(dpkg-deb --ctrl-tarfile "$deb" | tar -xO ./conffiles)" "$conffiles"
expected=$(
    sed 's|^|.|' <<<"$conffiles"
    printf './usr/lib/systemd/system/%s\n' korvana-mentes.service korvana-mentes.timer korvana-mentes.timer.d/ido.conf
    echo ./usr/sbin/korvana-szerver
    for f in korvana-szerver create-db upgrade-db backup-db restore-db db-common.sh; do
        echo "./usr/share/korvana-szerver/scripts/$f"
    done
    (cd "$src" && find db -name "*.sql" -type f) | sed "s|^|./usr/share/korvana-szerver/|"
)
check_eq "a csomag fájljai, és semmi más" "$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $6 }' | sort)" \
    "$(sort <<<"$expected")"
check_eq "minden fájl a rooté" "$(dpkg-deb -c "$deb" | awk '{ print $2 }' | sort -u)" root/root
# removal takes the generated drop-in; even a purge leaves databases and backups alone
postrm=$(dpkg-deb --ctrl-tarfile "$deb" | tar -xO ./postrm)
[[ $postrm == *"rm -f /usr/lib/systemd/system/firebird3.0.service.d/korvana-icu.conf"* ]] && pass ||
    fail "a postrm nem veszi ki az ICU-előtöltést"
grep -E 'rm .*(\.fdb|backups|/var/lib/firebird)' <<<"$postrm" && fail "a postrm adatbázist vagy mentést töröl" || pass

root=$tmp/root
dpkg-deb -x "$deb" "$root" && pass || fail "dpkg-deb -x"
ks=$root/usr/sbin/korvana-szerver
[ -x "$ks" ] && pass || fail "a korvana-szerver parancs nem futtatható"
help=$("$ks" segitseg)
for word in Használat telepites mentes ellenorzes allapot frissites atkoltozes; do
    [[ $help == *"$word"* ]] && pass || fail "a súgóban nincs: $word"
done
"$ks" nincs-ilyen > /dev/null 2>&1
check_eq "ismeretlen parancs: használat" "$?" 2

# ---------------------------------------------------------------- ICU drop-in and units
units=$root/usr/lib/systemd/system
out=$("$ks" --root "$root" icu 2>&1) && pass || fail "icu: $out"
dropin=$units/firebird3.0.service.d/korvana-icu.conf
preload=$(sed -n 's/^Environment=LD_PRELOAD=//p' "$dropin")
# the library of the ICU package the installed server depends on, named by its soname
icu_pkg=$(dpkg-query -W -f '${Depends}' firebird3.0-server-core | grep -o 'libicu[0-9]\+')
check_eq "az előtöltött könyvtár a szerver ICU-csomagjáé" "$(dpkg -S "$preload" 2>/dev/null | cut -d: -f1)" "$icu_pkg"
check_eq "az előtöltött könyvtár a sonevén" "$(basename "$preload")" \
    "$(objdump -p "$preload" | awk '$1 == "SONAME" { print $2 }')"
check_eq "másodszor nem változtat" "$("$ks" --root "$root" icu 2>&1)" ""

if command -v systemd-analyze > /dev/null; then
    # systemd-analyze checks units within the root against the system's own units
    cp -an /usr/lib/systemd/system/. "$units/"
    mkdir -p "$root/usr/sbin" && cp /usr/sbin/fbguard "$root/usr/sbin/"
    verify() { systemd-analyze verify --root="$root" korvana-mentes.timer korvana-mentes.service firebird3.0.service 2>&1; }
    # it warns and exits 0 on a misspelled key: any output fails
    check_eq "systemd-analyze verify" "$(verify)" ""
    # the office's time is read: a misspelled key in it is seen
    cp "$root/etc/korvana/mentes-ido.conf" "$tmp/ido.conf"
    sed -i 's/^OnCalendar=\(.\)/OnCalnedar=\1/' "$root/etc/korvana/mentes-ido.conf"
    [[ $(verify) == *OnCalnedar* ]] && pass || fail "a /etc/korvana/mentes-ido.conf nem része az időzítőnek"
    sed -i 's/^Environment=/Envrionment=/' "$dropin"
    [[ $(verify) == *Envrionment* ]] && pass || fail "az ICU-előtöltés nem része a firebird3.0.service-nek"
    cp "$tmp/ido.conf" "$root/etc/korvana/mentes-ido.conf"
    sed -i 's/^Envrionment=/Environment=/' "$dropin"
    when=$(sed -n 's/^OnCalendar=\(.\+\)/\1/p' "$root/etc/korvana/mentes-ido.conf")
    [ -n "$when" ] && systemd-analyze calendar "$when" > /dev/null 2>&1 && pass || fail "a mentés ideje nem naptári kifejezés: $when"
else
    echo "systemd-analyze nincs: a unitok ellenőrzése kihagyva"
fi
grep -qx 'Persistent=true' "$units/korvana-mentes.timer" && pass || fail "az időzítő nem pótolja a kimaradt napot"
grep -qx 'ExecStart=/usr/sbin/korvana-szerver mentes' "$units/korvana-mentes.service" && pass ||
    fail "a szolgáltatás nem a mentést futtatja"

# ---------------------------------------------------------------- telepites
# A private server whose configuration folder is the root's /etc/firebird/3.0: the
# command edits it as it would edit the system's. Bound to 127.0.0.2 by the included file.
p=$((port + 7))
fbdir=$root/etc/firebird/3.0
"$src/scripts/fbserver" start "$fbdir" "$p" || { fail "a próbaszerver nem indult"; exit 1; }
trap '"$src/scripts/fbserver" stop "$fbdir"' EXIT
export KORVANA_UJRAINDITAS="'$src/scripts/fbserver' stop '$fbdir' && '$src/scripts/fbserver' start '$fbdir' $p"
sed -i "s/^PORT=.*/PORT=$p/; s|^MASODIK_HELY=.*|MASODIK_HELY=/mnt/masodik|" "$root/etc/korvana/korvana-szerver.conf"
cp "$fbdir/firebird.conf" "$tmp/firebird.conf.eredeti"
db=127.0.0.2/$p:korvana
# kv QUERY : the one value the query gives on the school database, through its alias
kv() {
    printf "SET NAMES UTF8;\nCONNECT '%s' USER SYSDBA PASSWORD velvetoak;\nSET HEADING OFF;\n%s;\n" "$db" "$1" |
        isql-fb -q 2>&1 | sed -e 's/^[[:space:]]*//' -e 's/[[:space:]]*$//' -e '/^$/d' | head -n 1
}
bound() { ss -Hltn "src $1 and sport = :$p" | grep -q . && echo igen || echo nem; }

out=$("$ks" --root "$root" telepites --cim 127.0.0.2 --esemenyport $((p + 1)) --demo --igen 2>&1) && pass ||
    fail "telepites: $out"
check_eq "kiírja a munkaállomások sorát" "$(tail -n 1 <<<"$out")" "$db"
[[ $out == *"újraindítom"* ]] && pass || fail "nem mondja, hogy újraindítja a szervert: $out"
[[ $out == *"SYSDBA"*"személyes fiókok"* ]] && pass || fail "nem mondja, miért marad a SYSDBA jelszava: $out"
check_eq "az include a szerver saját kulcsai előtt" \
    "$(grep -v '^#' "$fbdir/firebird.conf" | grep -m 1 -B 1 '^RemoteAuxPort')" \
    "include $root/etc/korvana/firebird.conf"$'\n'"RemoteAuxPort = $((p + 1))"
check_eq "megmaradt az eredeti firebird.conf" "$(cat "$fbdir/firebird.conf.korvana-elotte")" "$(cat "$tmp/firebird.conf.eredeti")"
check_eq "az újraindított szerver az include címén figyel" "$(bound 127.0.0.2)/$(bound 127.0.0.1)" igen/nem
check_eq "a bemutató iskola az álnevén" "$(kv "select count(*) from table_diak")" 500

# the configuration it writes (the database's own file changes under any connection)
snapshot() { find "$root/etc/korvana" "$fbdir" -maxdepth 1 -type f -name '*.conf*' -printf '%p %s %T@\n' | sort; }
before=$(snapshot)
server_pid=$(cat "$fbdir/server.pid")
out=$("$ks" --root "$root" telepites --igen 2>&1) && pass || fail "telepites újra: $out"
[[ $out == *"nincs mit változtatni"* && $out != *Módosítom* && $out != *Létrehozom* && $out != *újraindítom* ]] &&
    pass || fail "a második futás változtatott: $out"
check_eq "a második futás után a fájlok változatlanok" "$(snapshot)" "$before"
check_eq "a második futás nem indította újra a szervert" "$(cat "$fbdir/server.pid")" "$server_pid"
check_eq "a második futás után is ugyanaz az iskola" "$(kv "select count(*) from table_diak")" 500

# ---------------------------------------------------------------- backups
backups=$root/var/backups/korvana
second=$root/mnt/masodik
mkdir -p "$backups" "$second"
# a made-up calendar: a backup every day of the 400 days before Monday 2026-12-07
for i in $(seq 1 400); do : > "$backups/korvana-$(date -d "2026-12-07 - $i days" +%F).fbk"; done
last_row() { kv "select ellenorizve || '|' || coalesce(hiba, '') || '|' || fajl || '|' || coalesce(meret, -1) from table_mentes order by id desc rows 1"; }

out=$(KORVANA_MA=2026-12-07 "$ks" --root "$root" mentes 2>&1) && pass || fail "mentés: $out"
file=$backups/korvana-2026-12-07.fbk
check_eq "a mentés ellenőrizve és feljegyezve" "$(last_row)" "1||$file|$(stat -c %s "$file")"
check_eq "a mentést csak a tulajdonosa olvassa" "$(stat -c %a "$file")" 600
# the last 7 days, the newest of the last 4 weeks and of the last 12 months
kept=$(printf 'korvana-%s.fbk\n' 2026-12-0{1..7} 2026-11-29 2026-11-22 2026-11-30 2026-10-31 2026-09-30 \
    2026-08-31 2026-07-31 2026-06-30 2026-05-31 2026-04-30 2026-03-31 2026-02-28 2026-01-31 | sort)
check_eq "a forgatás után megmaradók" "$(cd "$backups" && ls -- *.fbk)" "$kept"
check_eq "a mentés naplója mellette" "$(ls "$backups"/*.log)" "$file.log"
check_eq "másolat a második helyen" "$(cd "$second" && md5sum korvana-2026-12-07.fbk)" "$(cd "$backups" && md5sum korvana-2026-12-07.fbk)"

# a truncated backup: its restore fails; the verification says so, records it, exits 1
head -c $(($(stat -c %s "$file") / 2)) "$file" > "$tmp/csonka.fbk"
cp "$file.log" "$tmp/csonka.fbk.log"
out=$("$ks" --root "$root" ellenorzes "$tmp/csonka.fbk" 2>&1)
check_eq "csonka mentés: hibával lép ki" "$?" 1
case "$(last_row)" in "0|"*"csonka"*"|$tmp/csonka.fbk|"*) pass ;; *) fail "csonka mentés feljegyezve: $(last_row) ($out)" ;; esac
# a whole backup whose log counts one student more: the counts are compared
cp "$file" "$tmp/elter.fbk"
awk '/writing data for table TABLE_DIAK$/ { hit = 1; print; next }
     hit && /records written/ { sub(/[0-9]+ records/, "501 records"); hit = 0 } { print }' "$file.log" > "$tmp/elter.fbk.log"
out=$("$ks" --root "$root" ellenorzes "$tmp/elter.fbk" 2>&1)
check_eq "eltérő rekordszám: hibával lép ki" "$?" 1
case "$(last_row)" in "0|"*"TABLE_DIAK 501"*"TABLE_DIAK 500"*) pass ;; *) fail "eltérő rekordszám feljegyezve: $(last_row) ($out)" ;; esac
check_eq "az ellenőrző adatbázisok nem maradtak meg" "$(ls -A "$root/var/lib/firebird/3.0/data")" korvana.fdb

# the second place gone: the backup is made and verified, the unit fails with a warning
rmdir "$second" 2> /dev/null || rm -rf "$second"
out=$(KORVANA_MA=2026-12-08 "$ks" --root "$root" mentes 2>&1)
check_eq "hiányzó második hely: hibával lép ki" "$?" 1
[[ $out == *"második hely nem érhető el"* ]] && pass || fail "hiányzó második hely: $out"
check_eq "hiányzó második hely: a mentés ellenőrizve" "$(last_row | cut -d'|' -f1)" 1
mkdir -p "$second"

# a stopped server: the unit fails; the failure is recorded once the server is back
"$src/scripts/fbserver" stop "$fbdir"
out=$(KORVANA_MA=2026-12-09 "$ks" --root "$root" mentes 2>&1)
check_eq "leállt szerver: hibával lép ki" "$?" 1
[[ $out == *"nem érhető el a Firebird-szerver"* ]] && pass || fail "leállt szerver: $out"
[ ! -e "$backups/korvana-2026-12-09.fbk" ] && pass || fail "leállt szerver: mégis lett mentésfájl"
"$src/scripts/fbserver" start "$fbdir" "$p"
out=$(KORVANA_MA=2026-12-10 "$ks" --root "$root" mentes 2>&1) && pass || fail "mentés a szerver visszatérése után: $out"
check_eq "a leállás is feljegyezve" \
    "$(kv "select count(*) from table_mentes where ellenorizve = 0 and fajl containing '2026-12-09' and hiba containing 'nem érhető el'")" 1

# a full disk: a small file system over the backups' folder, seen by this command alone
# shellcheck disable=SC2016  # expanded by the inner shell
if unshare -m bash -c 'mount -t tmpfs -o size=64k korvana-probe "$1"' _ "$tmp" 2> /dev/null; then
    out=$(KORVANA_MA=2026-12-11 unshare -m bash -c 'mount -t tmpfs -o size=256k korvana-full "$1" || exit 9
        "$2" --root "$3" mentes' _ "$backups" "$ks" "$root" 2>&1)
    check_eq "megtelt lemez: hibával lép ki" "$?" 1
    check_eq "megtelt lemez feljegyezve" \
        "$(kv "select count(*) from table_mentes where ellenorizve = 0 and fajl containing '2026-12-11' and hiba containing 'megtelt a lemez'")" 1
else
    echo "megtelt lemez: kihagyva (itt nem csatolható saját fájlrendszer)"
fi

# ---------------------------------------------------------------- allapot
out=$("$ks" --root "$root" allapot 2>&1) && pass || fail "állapot: $out"
for what in "A Firebird-szerver fut" "ICU-előtöltés a futó szerverben" "Portok ($p, események: $((p + 1)))" \
    "Az adatbázis elérhető ($db)" "Mérete" "Tranzakciók" "Utolsó ellenőrzött mentés (0 napja)" "Szabad hely"; do
    grep -qF "$what" <<<"$out" && pass || fail "az állapotban nincs: $what ($out)"
done
check_eq "minden sor rendben" "$(grep -vc ': rendben$' <<<"$out")" 0
kv "update table_mentes set ido = dateadd(-5 day to ido); commit" > /dev/null
out=$("$ks" --root "$root" allapot 2>&1)
check_eq "régi mentés: hibával lép ki" "$?" 1
[[ $out == *"Utolsó ellenőrzött mentés (5 napja): régi: systemctl status korvana-mentes.service"* ]] && pass ||
    fail "régi mentés az állapotban: $out"

# ---------------------------------------------------------------- frissites
upgrades=$root/usr/share/korvana-szerver/db/upgrade
# held open as a workstation would
sleep 60 &
sleeper=$!
{ printf "CONNECT '%s' USER SYSDBA PASSWORD velvetoak;\n" "$db"; tail --pid=$sleeper -f /dev/null; } | isql-fb -q > /dev/null 2>&1 &
holder=$!
for _ in $(seq 1 50); do [ "$(kv "select count(*) from mon\$attachments where mon\$remote_protocol is not null")" -ge 2 ] && break; sleep 0.1; done
out=$("$ks" --root "$root" frissites 2>&1)
check_eq "nyitott adatbázis: nem frissít, hibával lép ki" "$?" 1
[[ $out == *"1 kapcsolat használja: nem frissítem"* ]] && pass || fail "nyitott adatbázis: $out"
out=$("$ks" --root "$root" frissites --ha-szabad 2>&1) && pass || fail "a csomag frissítésekor hibával lépett ki: $out"
[[ $out == *"nem frissítem"* ]] && pass || fail "a csomag frissítésekor nem szólt: $out"
kill "$sleeper"; wait "$holder" 2> /dev/null
for _ in $(seq 1 50); do [ "$(kv "select count(*) from mon\$attachments where mon\$remote_protocol is not null")" = 1 ] && break; sleep 0.1; done
# an upgrade that fails half-way: what it wrote before the failing statement goes too
printf "SET NAMES UTF8;\ninsert into table_mentes (fajl, ellenorizve) values ('félbemaradt frissítés', 1);\ncommit;\ncreate table hibas (;\n" > "$upgrades/999_hibas.sql"
rows_before=$(kv "select count(*) from table_mentes")
out=$("$ks" --root "$root" frissites 2>&1)
check_eq "hibás frissítés: hibával lép ki" "$?" 1
[[ $out == *"a frissítés előtti állapotában van"* ]] && pass || fail "hibás frissítés: $out"
check_eq "hibás frissítés: a mentés visszaállítva" "$(kv "select count(*) from table_mentes")" "$rows_before"
rm "$upgrades/999_hibas.sql"
out=$("$ks" --root "$root" frissites 2>&1) && pass || fail "frissítés: $out"
ls "$backups"/korvana-frissites-elott-*.fbk > /dev/null 2>&1 && pass || fail "a frissítés előtt nem készült mentés"

# ---------------------------------------------------------------- atkoltozes
# a new server: another root, its own private server, the backup of the first restored
root2=$tmp/uj
p2=$((port + 12))
dpkg-deb -x "$deb" "$root2"
fbdir2=$root2/etc/firebird/3.0
"$src/scripts/fbserver" start "$fbdir2" "$p2" || fail "a második próbaszerver nem indult"
trap '"$src/scripts/fbserver" stop "$fbdir"; "$src/scripts/fbserver" stop "$fbdir2"' EXIT
sed -i "s/^PORT=.*/PORT=$p2/" "$root2/etc/korvana/korvana-szerver.conf"
out=$(KORVANA_UJRAINDITAS="'$src/scripts/fbserver' stop '$fbdir2' && '$src/scripts/fbserver' start '$fbdir2' $p2" \
    "$root2/usr/sbin/korvana-szerver" --root "$root2" atkoltozes "$file" --cim 127.0.0.1 --esemenyport $((p2 + 1)) --igen 2>&1) &&
    pass || fail "átköltözés: $out"
[[ $out == *"ellenőrizve"* ]] && pass || fail "átköltözés: nem ellenőrizte a mentést: $out"
check_eq "átköltözés: a munkaállomások sora" "$(tail -n 1 <<<"$out")" "127.0.0.1/$p2:korvana"
check_eq "átköltözés: az iskola az új szerveren" \
    "$(db=127.0.0.1/$p2:korvana kv "select count(*) from table_diak")" 500
out=$("$root2/usr/sbin/korvana-szerver" --root "$root2" atkoltozes "$file" --igen 2>&1)
check_eq "átköltözés meglévő adatbázisra: hibával lép ki" "$?" 1
[[ $out == *"nem írom felül"* ]] && pass || fail "átköltözés meglévő adatbázisra: $out"

echo "server_package: $((SECONDS - start)) s"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
