#!/usr/bin/env bash
# Installs what is missing, builds, creates the demo database, starts the local
# private server and opens the program. Run it again to open a second copy.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
BUILD=$ROOT/build
PORT=${KORVANA_FB_PORT:-3051}
FBDIR=$ROOT/.fb/run
DB=$ROOT/data/korvana.fdb
source "$ROOT/scripts/setup.sh"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "Nincs grafikus kijelző: indítsa így: xvfb-run -a ./run.sh (vagy egy asztali munkamenetből)." >&2
    exit 1
fi

install_missing
build --target korvana_v20 # the tests are built by test.sh
"$ROOT/scripts/fbserver" start "$FBDIR" "$PORT"
if [ ! -f "$DB" ]; then
    mkdir -p "$(dirname "$DB")"
    KORVANA_FB_PORT=$PORT "$ROOT/scripts/create-db" "$DB" --demo
else
    # a database made by an earlier version is brought up to this one
    KORVANA_FB_PORT=$PORT "$ROOT/scripts/upgrade-db" "$DB" >/dev/null
fi
printf '127.0.0.1/%s:%s\n' "$PORT" "$DB" > "$BUILD/database.src"
exec "$BUILD/korvana_v20"
