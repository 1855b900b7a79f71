# Shared by create-db, backup-db and restore-db (sourced): the fixed account, where a
# database named as in database.src lives, and what a failed Firebird tool meant.
# shellcheck shell=bash

# The administrator's login: Firebird's own ISC_USER / ISC_PASSWORD when set (once personal
# accounts are on, SYSDBA's password is the office's own), else the program's built-in one.
export ISC_USER=${ISC_USER:-SYSDBA} ISC_PASSWORD=${ISC_PASSWORD:-velvetoak}
me=$(basename "$0")

fail() { echo "$me: $*" >&2; exit 1; }

need_tool() {
    command -v "$1" >/dev/null || fail "a(z) $1 nem található (firebird3.0-utils csomag)"
}

# sqlq TEXT : TEXT as an SQL string literal
sqlq() { printf "'%s'" "${1//\'/\'\'}"; }

# parse_database NAME : splits a database name written as in database.src.
#   HOST:PATH, HOST/PORT:PATH   on that server (PATH as the server sees it, or an alias)
#   /PATH, or a relative path without a colon: on the local private server,
#                               127.0.0.1/$KORVANA_FB_PORT (default 3051)
# Sets db_server, db_path, db_local (1 for a bare path, which this machine can check)
# and db_name, the name handed to the Firebird tools.
parse_database() {
    local name=$1
    [ -n "$name" ] || fail "üres adatbázisnév"
    db_local=1
    case "$name" in
        /*) db_path=$name ;;
        *:*) db_local=0 ;;
        *) db_path=$PWD/$name ;;
    esac
    if [ "$db_local" = 1 ]; then
        db_server=127.0.0.1/${KORVANA_FB_PORT:-3051}
    else
        db_server=${name%%:*}
        db_path=${name#*:}
        if [ -z "$db_server" ] || [ -z "$db_path" ]; then
            fail "hibás adatbázisnév: $name (SZERVER/PORT:ÚTVONAL)"
        fi
    fi
    db_name=$db_server:$db_path
}

# applied_upgrades DBDIR : SQL that records every script of DBDIR/upgrade as applied, for
# the program's comparison with its own version
applied_upgrades() {
    local f
    for f in "$1"/upgrade/*.sql; do
        [ -f "$f" ] && printf 'UPDATE OR INSERT INTO table_frissites (nev) VALUES (%s) MATCHING (nev);\n' "$(sqlq "$(basename "$f" .sql)")"
    done
}

# report LOG : the Firebird tool's own messages, then one line on what they mean
report() {
    cat "$1" >&2
    [ -z "$(tail -c 1 "$1")" ] || echo >&2
    explain "$1"
}

# explain LOG : one line on what the Firebird tool's messages in LOG mean, for the causes
# an office meets (server down, no such database, refused login, existing file, full disk)
explain() {
    local log=$1
    if grep -q "Unable to complete network request" "$log"; then
        echo "$me: nem érhető el a Firebird-szerver: $db_server (fut a szerver? jó a cím és a port?)" >&2
    elif grep -q "already exists\|File exists" "$log"; then
        echo "$me: az adatbázis már létezik, nem írom felül: $db_name" >&2
    elif grep -q 'I/O error during "open"' "$log"; then
        echo "$me: nincs ilyen adatbázis a szerveren (vagy nem olvasható): $db_path" >&2
    elif grep -q 'I/O error during "open O_CREAT"' "$log"; then
        echo "$me: a szerver nem tudja létrehozni a fájlt (létezik a mappa? van joga írni?): $db_path" >&2
    elif grep -q "user name and password are not defined" "$log"; then
        # never the advice to set the built-in password back: once personal accounts are on,
        # that would undo them; the server's own jobs say where their login is kept
        if [ -n "${KORVANA_BELEPES_TANACS:-}" ]; then
            echo "$me: a szerver nem fogadta el a(z) $ISC_USER belépést; $KORVANA_BELEPES_TANACS" >&2
        elif [ "$ISC_USER" = SYSDBA ] && [ "$ISC_PASSWORD" = velvetoak ]; then
            echo "$me: a szerver nem fogadta el a program beépített SYSDBA-belépését: adja meg a rendszergazda belépését (ISC_USER, ISC_PASSWORD)" >&2
        else
            echo "$me: a szerver nem fogadta el a(z) $ISC_USER belépést (ISC_USER / ISC_PASSWORD)" >&2
        fi
    elif grep -q "No space left\|Disk quota exceeded" "$log"; then
        echo "$me: megtelt a lemez" >&2
    elif [ "$me" = restore-db ] && grep -q "Done with volume\|Backup incomplete\|backup description\|end of file" "$log"; then
        echo "$me: a mentésfájl csonka, sérült vagy nem gbak-mentés" >&2
    elif grep -q "Done with volume\|write failed\|could not write" "$log"; then
        echo "$me: megtelt a lemez (vagy nem írható a fájl)" >&2
    fi
}

# drop_half_built : removes the database db_name that this run created and could not
# finish, so that a half database never passes for a good one
drop_half_built() {
    local out
    if out=$(printf 'CONNECT %s;\nDROP DATABASE;\n' "$(sqlq "$db_name")" | isql-fb -q 2>&1) ||
        { [ "$db_local" = 1 ] && rm -f "$db_path"; } || grep -q 'I/O error during "open"' <<<"$out"; then
        echo "$me: félkész adatbázis nem maradt vissza." >&2
    elif grep -q "Unable to complete network request" <<<"$out"; then
        echo "$me: a szerver nem érhető el; ha maradt félkész adatbázis, törölje kézzel: $db_name" >&2
    else
        echo "$me: a félkész adatbázist nem tudtam törölni, törölje kézzel: $db_name" >&2
    fi
}
