#!/bin/bash
# Installs the build into a scratch prefix and builds the tiny host
# against the installed files, with pkg-config or with CMake.
# usage: install_test.sh BUILD-DIR HOST-SOURCE-DIR LIBDIR VERSION pkgconfig|cmake [FLAGS...]
# FLAGS are compiler and linker flags the host needs too (the sanitizers).
set -eu
build=$1 source=$2 libdir=$3 version=$4 how=$5
shift 5
flags="$*"
scratch=$(mktemp -d /tmp/tabrix-install-XXXXXX)
trap 'rm -rf "$scratch"' EXIT
prefix=$scratch/prefix

fail() { echo "FAIL: $*"; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null

# The library: its soname, the links to it, and nothing but the C++ runtime.
lib=$prefix/$libdir/libtabrix.so
[ "$(readlink "$lib")" = libtabrix.so.${version%%.*} ] || fail "libtabrix.so does not lead to the soname"
[ "$(readlink "$lib.${version%%.*}")" = libtabrix.so.$version ] || fail "the soname does not lead to the version"
readelf -d "$lib.$version" | grep -q "SONAME.*\[libtabrix.so.${version%%.*}\]" || fail "no soname"
readelf -d "$lib.$version" | grep NEEDED | grep -q png && fail "the library needs libpng"
[ -f "$prefix/include/tabrix/tabrix.h" ] || fail "no header"
# The tool finds the library without help.
[ "$("$prefix/bin/tabrix" --version)" = "$version" ] || fail "the installed tool does not run"

cd "$scratch"
case $how in
pkgconfig)
    export PKG_CONFIG_PATH=$prefix/$libdir/pkgconfig
    [ "$(pkg-config --modversion tabrix)" = "$version" ] || fail "pkg-config version"
    libs=$(pkg-config --libs tabrix)
    cc -std=c99 -Wall -Wextra -Werror $flags $(pkg-config --cflags tabrix) "$source/host.c" \
        -o host $libs -Wl,-rpath,"$(pkg-config --variable=libdir tabrix)"
    ;;
cmake)
    cmake -S "$source" -B hostbuild -DCMAKE_PREFIX_PATH="$prefix" \
        -DCMAKE_C_FLAGS="-Wall -Wextra -Werror $flags" -DCMAKE_EXE_LINKER_FLAGS="$flags" >/dev/null
    cmake --build hostbuild >/dev/null
    cp hostbuild/host host
    ;;
*)
    fail "unknown way $how"
    ;;
esac
readelf -d host | grep -q "NEEDED.*\[libtabrix.so.${version%%.*}\]" || fail "the host does not need the soname"
[ "$(./host)" = "File opening Error: NONE.SCT" ] || fail "the host's session"
echo "installed and built a host with $how"
