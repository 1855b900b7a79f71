# Shared by the shell tests (sourced): a scratch folder, counting checks, and isql-fb
# against the private server at 127.0.0.1/$KORVANA_FB_PORT as SYSDBA.
# shellcheck shell=bash

port=${KORVANA_FB_PORT:-3051}
export KORVANA_FB_PORT=$port

# scratch NAME : a new, empty folder for one test's files
scratch() {
    local folder=${KORVANA_TEST_TMP:-/tmp/korvana-test}/$1
    rm -rf "$folder"
    mkdir -p "$folder"
    echo "$folder"
}

passed=0
failed=0
pass() { passed=$((passed + 1)); }
fail() { failed=$((failed + 1)); printf 'HIBA: %s\n' "$*"; }

# sql DB STATEMENTS... : runs the statements in one session, output and errors together
sql() {
    local db=$1; shift
    printf "SET NAMES UTF8;\nCONNECT '127.0.0.1/%s:%s' USER SYSDBA PASSWORD velvetoak;\n%s\nCOMMIT;\n" \
        "$port" "$db" "$*" | isql-fb -q 2>&1
}

# value DB QUERY : the single value the query returns, trimmed
value() {
    sql "$1" "SET HEADING OFF; $2;" | sed -e 's/^[[:space:]]*//' -e 's/[[:space:]]*$//' | sed '/^$/d' | head -n 1
}

# rows DB QUERY : every row of a one-column query, trimmed, joined by |
rows() {
    sql "$1" "SET HEADING OFF; $2;" | sed -e 's/^[[:space:]]*//' -e 's/[[:space:]]*$//' | sed '/^$/d' | paste -sd '|'
}

check_eq() {  # DESCRIPTION ACTUAL EXPECTED
    if [ "$2" == "$3" ]; then pass; else fail "$1: kapott «$2», várt «$3»"; fi
}
