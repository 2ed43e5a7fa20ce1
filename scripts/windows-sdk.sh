#!/usr/bin/env bash
# Builds the Windows SDK the program links against, from Debian's own sources with Debian's
# MinGW-w64 (posix threads): SQLite (for Qt SQL's driver), qtbase (only what the program uses)
# and OpenSSL (TLS). Nothing prebuilt is downloaded.
#
# The SDK lands in ${ZENTRILO_WINDOWS_SDK:-~/.cache/zentrilo/windows-sdk-<hash>}, where the hash
# covers this file, the source versions and the compiler; a folder holding the stamp is complete
# and left alone. Prints the folder on the last line of its output.
#
# Keep this file's content stable: any change here makes a new hash and a new 40-minute build.
set -euo pipefail
cd "$(dirname "$0")/.."
start=$SECONDS
scripts/windows-deps.sh

recipe=$(realpath "$0")
target=x86_64-w64-mingw32
cc=$target-gcc-posix
cxx=$target-g++-posix
# Parallel compile jobs; they change how long the build takes, never what it makes.
jobs=${ZENTRILO_SDK_JOBS:-$(nproc)}

# The version of the source package a binary package of the current lists was built from.
source_version() {
    apt-cache show --no-all-versions "$1" |
        awk '/^Source:/ && $3 { gsub(/[()]/, "", $3); src = $3 } /^Version:/ { v = $2 }
             END { print (src ? src : v) }'
}
[ -n "$(apt-cache show --no-all-versions libsqlite3-dev 2>/dev/null)" ] || apt-get update
qt_version=$(source_version libqt6core6)
sqlite_version=$(source_version libsqlite3-dev)
openssl_version=$(source_version libssl-dev)
hash=$({
    sha256sum <"$recipe"
    echo "qt6-base=$qt_version sqlite3=$sqlite_version openssl=$openssl_version"
    $cxx --version | head -n 1
} | sha256sum | cut -c 1-16)
sdk=${ZENTRILO_WINDOWS_SDK:-$HOME/.cache/zentrilo/windows-sdk-$hash}
stamp=$sdk/windows-sdk.stamp

if [ -f "$stamp" ]; then
    echo "Windows SDK complete in $sdk (checked in $((SECONDS - start)) s)"
    echo "$sdk"
    exit 0
fi

work=$sdk.work
mkdir -p "$work" "$sdk"
cd "$work"

# One source package at the binary packages' version; when the archive lacks that source
# (security updates sometimes publish binaries first) the newest source it has instead.
fetch_source() {
    local wanted=$1 package=$2
    shift 2
    local versions
    versions=$(apt-cache "$@" showsrc "$package" | awk '/^Version:/ { print $2 }' |
        sort -u | sort -r -V)
    for version in $wanted $versions; do
        if apt-get "$@" source "$package=$version" >"$package.log" 2>&1; then
            echo "$package=$version" >>sources.fetched
            return
        fi
    done
    cat "$package.log"
    return 1
}

# Debian's source lists, for this call only: a private list folder, the system's untouched.
fetch_sources() {
    [ -f sources.done ] && return
    local apt=$work/apt
    mkdir -p "$apt/lists/partial" "$apt/parts"
    : >"$apt/sources.list"
    if [ -f /etc/apt/sources.list ]; then
        sed -n 's/^deb /deb-src /p' /etc/apt/sources.list >"$apt/sources.list"
    fi
    for f in /etc/apt/sources.list.d/*.sources; do
        [ -f "$f" ] && sed 's/^Types: deb$/Types: deb-src/' "$f" >"$apt/parts/$(basename "$f")"
    done
    local opts=(-o "Dir::Etc::SourceList=$apt/sources.list" -o "Dir::Etc::SourceParts=$apt/parts"
        -o "Dir::State::Lists=$apt/lists" -o Dir::Cache::pkgcache= -o Dir::Cache::srcpkgcache=
        -o APT::Sandbox::User=root)
    apt-get "${opts[@]}" update
    fetch_source "$qt_version" qt6-base "${opts[@]}"
    fetch_source "$sqlite_version" sqlite3 "${opts[@]}"
    fetch_source "$openssl_version" openssl "${opts[@]}"
    touch sources.done
}

# SQLite as one amalgamated file, built into a static library that Qt's SQLite driver takes in.
build_sqlite() {
    [ -f sqlite.done ] && return
    local src
    src=$(find . -maxdepth 1 -type d -name 'sqlite3-*' | head -n 1)
    mkdir -p sqlite-build
    (cd sqlite-build && "../$src/configure" --disable-tcl >/dev/null && make sqlite3.c >/dev/null)
    mkdir -p "$sdk/include" "$sdk/lib"
    $cc -O2 -DSQLITE_THREADSAFE=1 -DSQLITE_OMIT_LOAD_EXTENSION -DSQLITE_ENABLE_COLUMN_METADATA \
        -c sqlite-build/sqlite3.c -o sqlite-build/sqlite3.o
    $target-ar rcs "$sdk/lib/libsqlite3.a" sqlite-build/sqlite3.o
    cp sqlite-build/sqlite3.h sqlite-build/sqlite3ext.h "$sdk/include/"
    touch sqlite.done
}

build_qtbase() {
    [ -f qtbase.done ] && return
    local src
    src=$(find "$work" -maxdepth 1 -type d -name 'qt6-base-*' | head -n 1)
    cat >toolchain.cmake <<EOF
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER $cc)
set(CMAKE_CXX_COMPILER $cxx)
set(CMAKE_RC_COMPILER $target-windres)
set(CMAKE_AR /usr/bin/$target-ar CACHE FILEPATH "")
set(CMAKE_RANLIB /usr/bin/$target-ranlib CACHE FILEPATH "")
set(CMAKE_STRIP /usr/bin/$target-strip CACHE FILEPATH "")
set(CMAKE_FIND_ROOT_PATH /usr/$target $sdk)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
EOF
    # Optimised for size: a smaller installer, and a quicker build than -O3.
    # No OpenGL (and so no dynamic GL), no tablet input (Debian's source lacks its header),
    # no D-Bus, ICU, networking, XML or printing: the program uses Core, Gui, Widgets and Sql.
    env -u PKG_CONFIG_PATH cmake -G Ninja -S "$src" -B qtbase-build \
        -DCMAKE_TOOLCHAIN_FILE="$work/toolchain.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DFEATURE_optimize_size=ON -DCMAKE_INSTALL_PREFIX="$sdk" \
        -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
        -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
        -DFEATURE_pkg_config=OFF \
        -DFEATURE_opengl=OFF -DFEATURE_dynamicgl=OFF -DFEATURE_vulkan=OFF \
        -DFEATURE_tabletevent=OFF -DFEATURE_dbus=OFF -DFEATURE_icu=OFF \
        -DFEATURE_network=OFF -DFEATURE_xml=OFF -DFEATURE_printsupport=OFF \
        -DFEATURE_concurrent=OFF -DFEATURE_testlib=OFF -DFEATURE_freetype=OFF \
        -DFEATURE_jpeg=OFF -DFEATURE_gif=OFF \
        -DFEATURE_sql=ON -DFEATURE_sql_sqlite=ON -DFEATURE_system_sqlite=ON \
        -DSQLite3_INCLUDE_DIR="$sdk/include" -DSQLite3_LIBRARY="$sdk/lib/libsqlite3.a" \
        -DFEATURE_sql_odbc=OFF -DFEATURE_sql_psql=OFF -DFEATURE_sql_mysql=OFF \
        -DFEATURE_sql_ibase=OFF -DFEATURE_sql_oci=OFF -DFEATURE_sql_db2=OFF
    cmake --build qtbase-build --parallel "$jobs"
    cmake --install qtbase-build --strip
    touch qtbase.done
}

# OpenSSL's libraries only, static, so the program carries no OpenSSL DLL of its own.
build_openssl() {
    [ -f openssl.done ] && return
    local src
    src=$(find "$work" -maxdepth 1 -type d -name 'openssl-*' | head -n 1)
    (cd "$src" &&
        ./Configure mingw64 no-shared no-tests no-asm \
            --prefix="$sdk" --libdir=lib CC=$cc AR=$target-ar RANLIB=$target-ranlib \
            RC=$target-windres >/dev/null &&
        make -j"$jobs" build_libs >/dev/null && make install_dev >/dev/null)
    touch openssl.done
}

fetch_sources
build_sqlite
build_qtbase
build_openssl
cd "$sdk"
{
    tr '\n' ' ' <"$work/sources.fetched"
    echo
    echo "built in $((SECONDS - start)) s, $(du -sm . | cut -f 1) MB"
} >"$stamp"
rm -rf "$work"
cat "$stamp"
echo "Windows SDK built in $sdk in $((SECONDS - start)) s"
echo "$sdk"
