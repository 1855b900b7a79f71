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

# ---------------------------------------------------------------- the rows' checksums
# A backup is proven by its rows, not only by their count: every table's rows hashed
# column by column, in the live database and in the restored copy. The live side leaves
# out the rows written by transactions the backup's snapshot could not see (by their
# record version), and lists their keys, so that a backup taken while the office works
# is compared with what it saw.

# fp_sql DB SQL : SQL's single-column lines from DB (a login error fails)
fp_sql() {
    local out
    out=$(printf 'SET NAMES UTF8;\nCONNECT %s;\nSET HEADING OFF;\n%s\nCOMMIT;\n' "$(sqlq "$1")" "$2" | isql-fb -q -bail 2>&1) &&
        ! grep -q "Statement failed\|SQLSTATE\|Unable to complete" <<<"$out" || { printf '%s\n' "$out" >&2; return 1; }
    sed -e 's/^[[:space:]]*//' -e 's/[[:space:]]*$//' -e '/^$/d' <<<"$out"
}

# fp_tables DB : "TABLE<tab>KEY<tab>HASH" for every stored table: KEY the primary key's columns
# (the row's hash where there is none), HASH the row's hash over every column
fp_tables() {
    # shellcheck disable=SC2016  # awk's own variables
    local build='
        function flush() {
            if (t == "") return
            key = ""
            for (i = 0; i < 16; i++) if (i in k) key = key (key == "" ? "" : " || " q "|" q " || ") k[i]
            if (key == "") key = "(hash(" h ") || " q q ")"
            print t "\t" key "\thash(" h ")"
            delete k
        }
        $1 != t { flush(); t = $1; h = "" }
        { c = "x.\"" $2 "\""; h = h (h == "" ? "" : " || " q "," q " || ") "coalesce(hash(" c "), -1)"; if ($3 >= 0) k[$3] = c }
        END { flush() }'
    fp_sql "$1" "select trim(f.rdb\$relation_name) || '|' || trim(f.rdb\$field_name) || '|' ||
        coalesce((select s.rdb\$field_position from rdb\$relation_constraints c
                  join rdb\$index_segments s on s.rdb\$index_name = c.rdb\$index_name
                  where c.rdb\$relation_name = f.rdb\$relation_name and c.rdb\$constraint_type = 'PRIMARY KEY'
                    and s.rdb\$field_name = f.rdb\$field_name), -1)
      from rdb\$relation_fields f
      join rdb\$relations r on r.rdb\$relation_name = f.rdb\$relation_name
      join rdb\$fields t on t.rdb\$field_name = f.rdb\$field_source
      where coalesce(r.rdb\$system_flag, 0) = 0 and r.rdb\$view_blr is null and r.rdb\$relation_type = 0
        and t.rdb\$computed_blr is null and r.rdb\$relation_name <> 'KORVANA_KIZART'
      order by f.rdb\$relation_name, f.rdb\$field_position;" | awk -F'|' -v q="'" "$build"
}

# fp_where MARKS : the rows whose version is older than MARKS (see fp_marks)
fp_where() {
    local rest
    rest=$(sed -e 's/^[0-9]*//' -e 's/^ *//' -e 's/ \+/, /g' <<<"$1")
    echo "x.rdb\$record_version < ${1%% *}${rest:+ and x.rdb\$record_version not in ($rest)}"
}

# fp_marks DB : "NEXT ACTIVE..." : the next transaction's number and those still running;
# a row version of any other number was committed before this moment
fp_marks() {
    local out
    # one transaction: the monitoring tables hold still within it
    out=$(fp_sql "$1" "select mon\$next_transaction from mon\$database;
select mon\$transaction_id from mon\$transactions where mon\$state = 1;") || return 1
    echo $out
}

# fp_sums HASH : count and two sums of the rows' hashes (a changed byte moves both)
fp_sums() { echo "count(*) || '|' || coalesce(sum(mod($1, 1000000007)), 0) || '|' || coalesce(sum(mod(bin_shr($1, 29), 998244353)), 0)"; }

# fp_live DB MARKS : "S|TABLE|COUNT|SUM|SUM" over each table's rows older than MARKS, and
# "K|TABLE|KEY" for each newer row
fp_live() {
    local db=$1 sql="" t key hash old
    old=$(fp_where "$2")
    while IFS=$'\t' read -r t key hash; do
        sql+="select 'S|$t|' || $(fp_sums h) from (select $hash h from \"$t\" x where $old);
select 'K|$t|' || $key from \"$t\" x where not ($old);
"
    done < <(fp_tables "$db")
    [ -n "$sql" ] && fp_sql "$db" "$sql"
}

# fp_copy DB [KEYS] : "F|TABLE|COUNT|SUM|SUM" over each table's rows in DB, and beside it
# "E|TABLE|..." over the rows whose keys KEYS ("K|TABLE|KEY" lines) names
fp_copy() {
    local db=$1 keys=${2:-} sql="" t key hash tables
    tables=$(fp_tables "$db") || return 1
    if [ -n "$keys" ]; then
        sql="recreate table korvana_kizart (korvana_tabla varchar(63) character set win1250, korvana_kulcs varchar(500) character set win1250);
create index korvana_kizart_ix on korvana_kizart (korvana_tabla, korvana_kulcs);
commit;
$(awk -F'|' -v q="'" '{ t = $2; sub(/^K\|[^|]*\|/, ""); gsub(q, q q); print "insert into korvana_kizart values (" q t q ", " q $0 q ");" }' <<<"$keys")
"
    fi
    while IFS=$'\t' read -r t key hash; do
        sql+="select 'F|$t|' || $(fp_sums h) from (select $hash h from \"$t\" x);
"
        grep -q "^K|$t|" <<<"$keys" && sql+="select 'E|$t|' || $(fp_sums h) from (select $hash h from \"$t\" x
  where exists (select 1 from korvana_kizart k where k.korvana_tabla = '$t' and k.korvana_kulcs = $key));
"
    done <<<"$tables"
    [ -n "$keys" ] && sql+="commit;
drop table korvana_kizart;"
    fp_sql "$db" "$sql"
}

# fp_rows DB TABLE [MARKS] : "KEY|HASH" of each row of TABLE in DB (older than MARKS), sorted
fp_rows() {
    local t key hash
    IFS=$'\t' read -r t key hash < <(fp_tables "$1" | grep "^$2$(printf '\t')")
    fp_sql "$1" "select $key || '|' || $hash from \"$t\" x${3:+ where $(fp_where "$3")};" | LC_ALL=C sort
}
