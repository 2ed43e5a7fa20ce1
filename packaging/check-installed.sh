#!/usr/bin/env bash
# Checks an installed Zentrilo: every file in place, the desktop entry and the metainfo valid
# and pointing at what is installed, icons of the right sizes, man pages readable, the
# copyright file in Debian's format, and zentrilo-check answering --help from the installed path.
#   check-installed.sh ROOT PREFIX          an installation under ROOT (/ for the live system)
#   check-installed.sh --stage BUILD ROOT   first installs the build tree BUILD under ROOT/usr
set -euo pipefail

if [ "${1:-}" = "--stage" ]; then
    [ $# -eq 3 ] || { echo "usage: $0 --stage BUILD ROOT" >&2; exit 2; }
    rm -rf "$3"
    DESTDIR="$3" "${CMAKE:-cmake}" --install "$2" --prefix /usr >/dev/null
    exec "$0" "$3" /usr
fi
[ $# -eq 2 ] || { echo "usage: $0 ROOT PREFIX | --stage BUILD ROOT" >&2; exit 2; }

prefix=$2
base="${1%/}$prefix"
metainfo_id=org.zentrilo.zentrilo
failures=0

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

need_file() {
    [ -f "$base/$1" ] || fail "missing $prefix/$1"
}

# Width and height of a PNG, read from its IHDR chunk.
png_size() {
    local b
    read -r -a b < <(od -An -tu1 -j16 -N8 "$1")
    echo "$(((b[0] << 24) | (b[1] << 16) | (b[2] << 8) | b[3]))x$(((b[4] << 24) | (b[5] << 16) | (b[6] << 8) | b[7]))"
}

desktop_value() {
    sed -n "s/^$1=//p" "$base/share/applications/zentrilo.desktop" | head -n1
}

check_binaries() {
    local bin
    for bin in zentrilo zentrilo-check; do
        [ -x "$base/bin/$bin" ] || { fail "missing executable $prefix/bin/$bin"; continue; }
        if ldd "$base/bin/$bin" 2>/dev/null | grep -q 'not found'; then
            fail "$bin has unresolved libraries: $(ldd "$base/bin/$bin" | grep 'not found' | tr -s ' \t\n' ' ')"
        fi
    done
    local help
    if help=$("$base/bin/zentrilo-check" --help 2>&1); then
        grep -q -- '--fetch' <<<"$help" || fail "zentrilo-check --help shows no usage: $help"
    else
        fail "zentrilo-check --help failed from $prefix/bin"
    fi
}

check_desktop_entry() {
    local entry=share/applications/zentrilo.desktop
    need_file "$entry"
    [ -f "$base/$entry" ] || return 0
    desktop-file-validate "$base/$entry" || fail "desktop-file-validate rejects $entry"
    [ "$(desktop_value Categories)" = "Network;InstantMessaging;" ] || fail "Categories are $(desktop_value Categories)"
    local exec_program
    exec_program=$(desktop_value Exec | cut -d' ' -f1)
    [ -x "$base/bin/$exec_program" ] || fail "Exec=$exec_program is not an installed binary"
    [ "$(desktop_value Icon)" = zentrilo ] || fail "Icon=$(desktop_value Icon) is not the installed icon"
}

check_metainfo() {
    local file=share/metainfo/$metainfo_id.metainfo.xml
    need_file "$file"
    [ -f "$base/$file" ] || return 0
    appstreamcli validate --no-net "$base/$file" >/dev/null || {
        appstreamcli validate --no-net "$base/$file" >&2 || true
        fail "appstreamcli rejects $file"
    }
    grep -q '<launchable type="desktop-id">zentrilo.desktop</launchable>' "$base/$file" ||
        fail "metainfo does not launch zentrilo.desktop"
}

check_icons() {
    local size icon
    for size in 16 32 48 128; do
        icon=share/icons/hicolor/${size}x${size}/apps/zentrilo.png
        need_file "$icon"
        [ -f "$base/$icon" ] || continue
        [ "$(png_size "$base/$icon")" = "${size}x${size}" ] ||
            fail "$icon is $(png_size "$base/$icon"), not ${size}x${size}"
    done
    icon=share/icons/hicolor/scalable/apps/zentrilo.svg
    need_file "$icon"
    [ ! -f "$base/$icon" ] || grep -q '<svg' "$base/$icon" || fail "$icon is not an SVG image"
}

check_man_pages() {
    local page
    for page in zentrilo zentrilo-check; do
        page=share/man/man1/$page.1.gz
        need_file "$page"
        [ -f "$base/$page" ] || continue
        gzip -t "$base/$page" || { fail "$page is not a valid gzip file"; continue; }
        zcat "$base/$page" | grep -q '^\.SH NAME' || fail "$page has no NAME section"
        if command -v man >/dev/null; then
            local warnings
            warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$base/$page" 2>&1 >/dev/null)
            [ -z "$warnings" ] || fail "$page renders with warnings: $warnings"
        fi
    done
}

check_copyright() {
    local file=share/doc/zentrilo/copyright
    need_file "$file"
    [ -f "$base/$file" ] || return 0
    head -n1 "$base/$file" | grep -q '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/$' ||
        fail "$file is not in the machine-readable format"
    grep -q '^License: Expat$' "$base/$file" || fail "$file names no licence"
    grep -q '^ Permission is hereby granted' "$base/$file" || fail "$file lacks the licence terms"
}

for check in check_binaries check_desktop_entry check_metainfo check_icons check_man_pages check_copyright; do
    "$check" "$base"
done

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed for the installation under $base" >&2
    exit 1
fi
echo "installation under $base is complete"
