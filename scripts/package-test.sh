#!/usr/bin/env bash
# CI step for the Debian package: builds it, checks its control data and contents, installs it
# (with apt-get as root when no zentrilo package is installed yet, otherwise into a scratch
# root), checks the installation, starts the program from it under Xvfb, removes it again and
# checks that nothing of ours remains.
#   ZENTRILO_PACKAGE_BUILD  build folder (default build-package)
#   ZENTRILO_PACKAGE_MODE   system or scratch (default: system when possible)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh

build=${ZENTRILO_PACKAGE_BUILD:-build-package}
work=$(mktemp -d "${TMPDIR:-/tmp}/zentrilo-package.XXXXXX")
trap 'rm -rf "$work"' EXIT

step() { printf '\n== %s\n' "$*"; }
die() {
    echo "FAIL: $*" >&2
    exit 1
}
# Whether dpkg knows zentrilo at all (installed, or its configuration files left over).
known_to_dpkg() {
    local status
    status=$(dpkg-query -W -f='${db:Status-Status}' zentrilo 2>/dev/null) || return 1
    [ -n "$status" ] && [ "$status" != not-installed ]
}

build_package() {
    step "building the package in $build"
    cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release \
        -DZENTRILO_BUILD_TESTS=OFF -DZENTRILO_BUILD_BENCH=OFF >/dev/null
    cmake --build "$build" -j"$(nproc)"
    rm -f "$build"/zentrilo_*.deb
    (cd "$build" && cpack -G DEB >/dev/null)
    deb=$(realpath "$build"/zentrilo_*.deb)
    echo "$deb"
}

check_control() {
    step "control data"
    dpkg-deb -f "$deb" Package Version Architecture Maintainer Depends Recommends
    [ "$(dpkg-deb -f "$deb" Package)" = zentrilo ] || die "package name"
    local version
    version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
    [ -n "$version" ] && [ "$(dpkg-deb -f "$deb" Version)" = "$version" ] ||
        die "package version $(dpkg-deb -f "$deb" Version), project version $version"
    [ "$(dpkg-deb -f "$deb" Maintainer)" = "Zentrilo developers" ] || die "maintainer"
    local depends lib
    depends=$(dpkg-deb -f "$deb" Depends)
    for lib in libqt6core6 libqt6widgets6 qt6-qpa-plugins libqt6sql6-sqlite libc6; do
        grep -Eq "(^|, )$lib( |,|$)" <<<"$depends" || die "Depends lacks $lib: $depends"
    done
}

# The package's regular files and symbolic links, as absolute paths.
package_files() {
    dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { sub(/^\.\//, "/", $6); print $6 }'
}

check_contents() {
    step "contents"
    package_files | tee "$work/files"
    ! grep -v '^/usr/' "$work/files" || die "files outside /usr"
    ! grep -q '^/usr/local/' "$work/files" || die "files under /usr/local"
}

# Starts the installed program on a private X server and waits for its window; its settings,
# runtime folder and hosts are private, so no real settings or running instance interfere.
check_starts() {
    local binary=$1
    step "starting $binary"
    mkdir -m 0700 -p "$work/home" "$work/runtime"
    HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_RUNTIME_DIR="$work/runtime" \
        ZENTRILO_SITE= ZENTRILO_SITE_RO= ZENTRILO_DETECT_HOST= ZENTRILO_INDICATOR_HOST= \
        QT_QPA_PLATFORM=xcb xvfb-run -a dbus-run-session -- bash -c '
            "$1" & pid=$!
            for _ in $(seq 100); do
                if xdotool search --name "^Zentrilo" >/dev/null 2>&1; then
                    kill "$pid"; wait "$pid" 2>/dev/null; exit 0
                fi
                kill -0 "$pid" 2>/dev/null || { echo "it exited before showing a window" >&2; exit 1; }
                sleep 0.1
            done
            kill "$pid"; echo "no window within 10 s" >&2; exit 1' _ "$binary" ||
        die "$binary did not start"
    echo "a Zentrilo window appeared"
}

system_test() {
    step "installing with apt-get"
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "$deb"
    packaging/check-installed.sh / /usr
    check_starts /usr/bin/zentrilo

    step "purging"
    dpkg --purge zentrilo
    ! known_to_dpkg || die "dpkg still knows zentrilo"
    local left
    left=$(while read -r f; do [ ! -e "$f" ] && [ ! -L "$f" ] || echo "$f"; done <"$work/files")
    [ -z "$left" ] || die "left behind: $left"
    left=$(find /usr -name '*zentrilo*' 2>/dev/null)
    [ -z "$left" ] || die "left behind: $left"
    echo "nothing of ours remains"
}

scratch_test() {
    step "unpacking into a scratch root"
    dpkg-deb -x "$deb" "$work/root"
    packaging/check-installed.sh "$work/root" /usr
    check_starts "$work/root/usr/bin/zentrilo"
    rm -rf "$work/root"
}

build_package
check_control
check_contents

mode=${ZENTRILO_PACKAGE_MODE:-}
if [ -z "$mode" ]; then
    mode=scratch
    if [ "$(id -u)" -eq 0 ] && ! known_to_dpkg; then
        mode=system
    fi
fi
case $mode in
system) system_test ;;
scratch) scratch_test ;;
*) die "ZENTRILO_PACKAGE_MODE must be system or scratch, not $mode" ;;
esac
step "package test passed ($mode)"
