#!/usr/bin/env bash
# shellcheck disable=SC2015  # in 'test && pass || fail' pass never fails
# The Debian package: cpack builds it from the build folder, its control data declares what
# the program links and the office's database.src as a conffile, and its contents unpacked
# into a temporary root (dpkg -x) make a program that starts against the test server to its
# main window, or stays on the connection error when its database is not there.
#   package_test.sh BUILD
set -u

build=${1:?build folder}
src=${KORVANA_SOURCE_DIR:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
# shellcheck source=tests/shell_checks.sh
source "$src/tests/shell_checks.sh"
tmp=$(scratch package)
start=$SECONDS

# ---------------------------------------------------------------- the package itself
if ! out=$(cpack --config "$build/CPackConfig.cmake" -G DEB -B "$tmp/cpack" 2>&1); then
    fail "cpack: $out"
    echo "$passed passed, $failed failed"
    exit 1
fi
debs=("$tmp"/cpack/korvana_*.deb)
check_eq "egy csomag készült" "${#debs[@]}" 1
deb=${debs[0]}
check_eq "a csomag neve" "$(dpkg-deb -f "$deb" Package)" korvana

# every library the executable needs directly comes from a package that it depends on
depends=$(dpkg-deb -f "$deb" Depends)
for p in libfbclient2 libqt6widgets6 libqt6gui6 libqt6core6 fonts-liberation qt6-translations-l10n; do
    [[ ", $depends," == *", $p "* || ", $depends," == *", $p,"* ]] && pass || fail "nem függ ettől: $p ($depends)"
done
while read -r lib; do
    path=$(ldd "$build/korvana_v20" | awk -v l="$lib" '$1 == l { print $3 }')
    owner=$(dpkg -S "$path" 2>/dev/null || dpkg -S "$(readlink -f "$path")" 2>/dev/null)
    owner=${owner%%:*}
    [ -n "$owner" ] && [[ ", $depends," == *", $owner "* || ", $depends," == *", $owner,"* ]] && pass ||
        fail "$lib ($path, csomag: «$owner») nincs a függőségek között: $depends"
done < <(objdump -p "$build/korvana_v20" | awk '$1 == "NEEDED" { print $2 }')

check_eq "a database.src és a sablonok conffile-ok" "$(dpkg-deb --ctrl-tarfile "$deb" | tar -xO ./conffiles)" \
    "$(printf '%s\n' /opt/korvana/database.src; (cd "$src" && ls sablonok/*.html) | sed 's|^|/opt/korvana/|')"
expected=$(
    printf '%s\n' ./opt/korvana/korvana_v20 ./opt/korvana/database.src \
        ./usr/share/applications/korvana.desktop ./usr/share/icons/hicolor/scalable/apps/korvana.svg \
        ./usr/share/doc/korvana/copyright ./usr/share/doc/korvana/changelog.gz \
        ./usr/share/lintian/overrides/korvana
    (cd "$src" && find sqls -name "*.sql" -type f) | sed "s|^|./opt/korvana/|"
    (cd "$src" && find sablonok -name "*.html" -type f) | sed "s|^|./opt/korvana/|"
    (cd "$src" && find db -name "*.sql" -type f) | sed "s|^|./opt/korvana/|"
    for f in create-db backup-db restore-db upgrade-db db-common.sh; do echo "./opt/korvana/scripts/$f"; done
)
check_eq "a csomag fájljai, és semmi más" "$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $6 }' | sort)" \
    "$(sort <<<"$expected")"
check_eq "minden fájl a rooté" "$(dpkg-deb -c "$deb" | awk '{ print $2 }' | sort -u)" root/root
# Debian's own checks: no error; the program folder's two, which the office's set-up (the
# program and its database.src in /opt/korvana) makes on purpose, are overridden in the package
if command -v lintian > /dev/null; then
    check_eq "lintian" "$(lintian --no-tag-display-limit "$deb" 2>&1 | grep '^E: ')" ""
else
    fail "nincs lintian (./test.sh telepíti)"
fi

# ---------------------------------------------------------------- unpacked into a root
root=$tmp/root
dpkg -x "$deb" "$root" && pass || fail "dpkg -x"
program=$root/opt/korvana
[ -x "$program/korvana_v20" ] && pass || fail "a program nem futtatható"
check_eq "minden könyvtár megvan" "$(ldd "$program/korvana_v20" | grep -c 'not found')" 0
check_eq "a sqls mappa a programmal" "$(cd "$program/sqls" && md5sum ./*.sql)" "$(cd "$src/sqls" && md5sum ./*.sql)"
case "$(head -n 1 "$program/database.src")" in
    "$src"* | *"$build"* | "") fail "a database.src nem a telepítésnek szól: $(cat "$program/database.src")" ;;
    */*:/*) pass ;;
    *) fail "a database.src első sora nem SZERVER/PORT:ÚTVONAL: $(cat "$program/database.src")" ;;
esac

desktop=$root/usr/share/applications/korvana.desktop
out=$(desktop-file-validate "$desktop" 2>&1 | grep -v "hint:")
check_eq "a menübejegyzés érvényes" "$out" ""
entry() { sed -n "s/^$1=//p" "$desktop"; }
for category in Office Education; do
    [[ ";$(entry Categories)" == *";$category;"* ]] && pass || fail "a menüben nem itt van: $category"
done
[ -x "$root$(entry Exec)" ] && pass || fail "a menübejegyzés nem a programot indítja: $(entry Exec)"
check_eq "a menübejegyzés ikonja" \
    "$(file -b --mime-type "$root/usr/share/icons/hicolor/scalable/apps/$(entry Icon).svg")" image/svg+xml

# ---------------------------------------------------------------- the installed program
# The packaged create-db puts the database on the server named by --server alone, in a
# folder whose name has a space, as an office may have it.
mkdir -p "$tmp/iskola adatai"
db="$tmp/iskola adatai/iskola.fdb"
out=$(env -u KORVANA_FB_PORT "$program/scripts/create-db" --server "127.0.0.1/$port" "$db" --students 25 2>&1) &&
    pass || fail "a csomag create-db-je: $out"

printf '%s\n' "127.0.0.1/$port:$db" > "$program/database.src"
QT_QPA_PLATFORM=offscreen "$program/korvana_v20" > "$tmp/program.log" 2>&1 &
pid=$!
# the student list open on the installed program's own attachment
list_open() {
    value "$db" "select count(*) from mon\$statements s join mon\$attachments a on a.mon\$attachment_id = s.mon\$attachment_id
        where a.mon\$remote_pid = $pid and a.mon\$remote_process = '$program/korvana_v20' and s.mon\$sql_text containing 'table_diak'"
}
for _ in $(seq 1 100); do [ "$(list_open)" = 1 ] && break; sleep 0.2; done
check_eq "a telepített program kapcsolódott és megnyitotta a tanulók listáját" "$(list_open)" 1
sleep 0.5
# a program whose start-up failed ends with 1; one that reached its main window ends with 0
kill -TERM "$pid" 2> /dev/null
for _ in $(seq 1 100); do kill -0 "$pid" 2> /dev/null || break; sleep 0.2; done
kill -KILL "$pid" 2> /dev/null
wait "$pid"
check_eq "a főablakig jutott program rendben kilép" "$?" 0

# A database.src whose database is not there, on a real X server: the program shows its
# connection error, and ends with an error once the user has pressed OK.
printf '%s\n' "127.0.0.1/$port:$tmp/nincs.fdb" > "$program/database.src"
# shellcheck disable=SC2016  # expanded by the inner shell
out=$(xvfb-run -a bash -c 'QT_QPA_PLATFORM=xcb "$1" > "$2" 2>&1 &
    pid=$!
    for _ in $(seq 1 100); do
        dialog=$(xdotool search --onlyvisible --name "^Error$" 2> /dev/null | head -n 1)
        [ -n "$dialog" ] && break
        sleep 0.2
    done
    [ -n "$dialog" ] && echo "hibaablak" && xdotool windowfocus --sync "$dialog" key Return
    for _ in $(seq 1 50); do kill -0 "$pid" 2> /dev/null || break; sleep 0.2; done
    kill -KILL "$pid" 2> /dev/null
    wait "$pid"
    echo "kilépés=$?"' _ "$program/korvana_v20" "$tmp/program.log" 2>&1)
check_eq "kapcsolódási hiba: hibaablak, OK után hibával kilép" "$out" "hibaablak"$'\n'"kilépés=1"

echo "package: $((SECONDS - start)) s"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
