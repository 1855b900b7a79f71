# Shared by run.sh and test.sh: install what is missing, then build.
# Sourced; expects ROOT and BUILD to be set.
PACKAGES=(build-essential cmake qt6-base-dev qt6-base-dev-tools firebird3.0-server firebird3.0-utils firebird-dev
          libfbclient2 fonts-liberation xvfb xauth poppler-utils dpkg-dev file desktop-file-utils
          x11-utils xdotool qt6-translations-l10n libxlsxwriter-dev libzip-dev systemd iproute2 lintian)

install_missing() {
    local missing=()
    for p in "${PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Telepítés: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo apt-get update -qq
    # The system's own Firebird service is not needed: the project runs a private server.
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# build [--target NAME...] : everything, or only what is named
build() {
    cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$BUILD" -j"$(nproc)" "$@"
}
