#!/usr/bin/env bash
# Makes the Windows installer build-win/zentrilo-<version>-setup.exe with NSIS from the Windows
# build (scripts/windows-build.sh runs first), then checks it under Wine in a throwaway prefix:
# a silent install into Program Files, "zentrilo.exe -minimized" started from there, a silent
# uninstall, and no installed file left behind.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/windows-deps.sh
scripts/windows-build.sh
sdk=$(sed -n 's/^ZENTRILO_WINDOWS_SDK:[A-Z]*=//p' build-win/CMakeCache.txt)
version=$(sed -n 's/^project(Zentrilo VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
runtime=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll)")

# The files the program needs and nothing more: its two executables, the Qt modules they link,
# the platform, style and SQLite plugins Qt loads at run time, the compiler's runtime DLLs.
package=build-win/package
stage=$package/Zentrilo
rm -rf "$package"
mkdir -p "$stage/platforms" "$stage/styles" "$stage/sqldrivers"
cp build-win/app/zentrilo.exe build-win/tools/zentrilo-check/zentrilo-check.exe "$stage/"
for module in Core Gui Widgets Sql; do
    cp "$sdk/bin/Qt6$module.dll" "$stage/"
done
cp "$sdk/plugins/platforms/qwindows.dll" "$stage/platforms/"
cp "$sdk/plugins/styles/qwindowsvistastyle.dll" "$stage/styles/"
cp "$sdk/plugins/sqldrivers/qsqlite.dll" "$stage/sqldrivers/"
cp "$runtime/libstdc++-6.dll" "$runtime/libgcc_s_seh-1.dll" \
    /usr/x86_64-w64-mingw32/lib/libwinpthread-1.dll "$stage/"
sed 's/$/\r/' LICENSE >"$stage/License.txt"

# Every DLL a staged file imports is staged or is part of Windows.
find "$stage" -name '*.exe' -o -name '*.dll' | while read -r file; do
    x86_64-w64-mingw32-objdump -p "$file" | sed -n 's/^\s*DLL Name: //p' | while read -r dll; do
        case "$dll" in api-ms-win-*) continue ;; esac # Windows' API sets
        if [ ! -f "$stage/$dll" ] && [ ! -f "/usr/x86_64-w64-mingw32/lib/lib${dll%.*}.a" ] &&
            [ ! -f "/usr/x86_64-w64-mingw32/lib/lib$(echo "${dll%.*}" | tr 'A-Z' 'a-z').a" ]; then
            echo "$file imports $dll, which is neither staged nor part of Windows" >&2
            exit 1
        fi
    done
done

# The program carries its icon (Explorer, the Start menu and the uninstaller show it) and its
# version details.
resources=$(x86_64-w64-mingw32-windres -i "$stage/zentrilo.exe" -O rc)
for wanted in 'RT_GROUP_ICON' "VALUE \"ProductVersion\", \"$version\""; do
    grep -qF "$wanted" <<<"$resources" || { echo "zentrilo.exe lacks $wanted" >&2; exit 1; }
done

# The install and removal lines of exactly the staged files, so that uninstalling leaves none.
(
    cd "$stage"
    find . -type d | sort | while read -r dir; do
        echo "SetOutPath \"\$INSTDIR${dir#.}\"" | tr '/' '\\'
        find "$dir" -maxdepth 1 -type f | sort | while read -r file; do
            echo "File \"$(realpath "$file")\""
        done
    done
) | sed 's|\\\\|\\|g' >"$package/files.nsh"
(
    cd "$stage"
    find . -type f | sort | sed 's|^\./|Delete "$INSTDIR\\|; s|$|"|' | tr '/' '\\'
    find . -mindepth 1 -type d | sort -r | sed 's|^\./|RMDir "$INSTDIR\\|; s|$|"|' | tr '/' '\\'
) >"$package/unfiles.nsh"

setup=build-win/zentrilo-$version-setup.exe
makensis -V2 -DVERSION="$version" -DSTAGE="$(realpath "$stage")" \
    -DFILES="$(realpath "$package/files.nsh")" -DUNFILES="$(realpath "$package/unfiles.nsh")" \
    -DICON="$(realpath build-win/app/zentrilo.ico)" \
    -DOUTFILE="$(realpath -m "$setup")" packaging/windows/zentrilo.nsi
echo "$setup: $(($(stat -c %s "$setup") / 1024)) KiB"

# Under Wine: install, start from the installed folder, uninstall, nothing left.
. scripts/windows-wine.sh
installed="$WINEPREFIX/drive_c/Program Files/Zentrilo"
wine "$setup" /S
for file in $(cd "$stage" && find . -type f); do
    [ -f "$installed/$file" ] || { echo "not installed: $file" >&2; exit 1; }
done
wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Zentrilo' /v UninstallString
[ -f "$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Zentrilo.lnk" ] ||
    { echo "no Start-menu shortcut" >&2; exit 1; }

# Started minimized with no service configured: its window class shows it is up.
wine "$installed/zentrilo.exe" -minimized &
program=$!
started=0
for _ in $(seq 1 60); do
    if wine build-win/tests/zentrilo-e2e-post-exit.exe --find; then
        started=1
        break
    fi
    sleep 0.5
done
[ "$started" = 1 ] || { echo "zentrilo.exe -minimized did not start" >&2; exit 1; }
wine build-win/tests/zentrilo-e2e-post-exit.exe
wait "$program"

wine "$installed/uninstall.exe" /S # runs from a copy in the temporary folder
# The copy finishes on its own: give it up to half a minute.
for _ in $(seq 1 60); do
    [ -e "$installed" ] || break
    sleep 0.5
done
if [ -e "$installed" ]; then
    echo "left after the uninstall:" >&2
    find "$installed" >&2
    exit 1
fi
if wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Zentrilo' 2>/dev/null; then
    echo "the Uninstall entry is left" >&2
    exit 1
fi
echo "installer checked: installed, started, uninstalled without a trace"
