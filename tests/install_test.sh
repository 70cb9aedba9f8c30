#!/usr/bin/env bash
# Installs a release build into temporary prefixes, then builds and runs a C and a C++
# program against it through pkg-config and through find_package.
# Usage: install_test.sh SOURCE_DIR
set -u
src=$(cd "$1" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
passed=0 failed=0
check() {  # check NAME COMMAND...: one case
  if "${@:2}" >"$tmp/log" 2>&1; then passed=$((passed + 1)); else
    failed=$((failed + 1)); echo "FAIL: $1"; cat "$tmp/log"; fi
}
# runs PROGRAM and wants the DEBUG line and the dump of "Ab"
runs() {
  out=$(DEBUG=y "$1" 2>&1) || return 1
  case $out in *"DEBUG=0x1"*"  000000   4162"*"* Ab *"*) return 0 ;; esac
  echo "$out"; return 1
}

generator=$(command -v ninja >/dev/null 2>&1 && echo Ninja || echo "Unix Makefiles")
check build cmake -S "$src" -B "$tmp/build" -G "$generator" -DILVO_TESTS=OFF \
  -DCMAKE_BUILD_TYPE=Release -DILVO_WERROR=OFF
check compile cmake --build "$tmp/build"
# make install as the README gives it, into a prefix with a blank in it.
check "make install PREFIX with a blank" make -C "$src" install BUILD="$tmp/build" WERROR=OFF \
  PREFIX="$tmp/pre fix"
check "installed under the blank" test -x "$tmp/pre fix/bin/html"
check install cmake --install "$tmp/build" --prefix "$tmp/prefix"
export DESTDIR="$tmp/dest"
check destdir cmake --install "$tmp/build" --prefix /usr/local
unset DESTDIR
for f in bin/html bin/listtint bin/ilvo_isilvoterm bin/ilvo_preview share/man/man1/ilvo_preview.1 lib/libilvo_debug.a lib/libilvo_hexdump.a \
         include/debug.h include/hexdump.h share/man/man1/html.1 share/man/man1/listtint.1 \
         share/man/man1/ilvo_isilvoterm.1 share/man/man3/Debug.3 share/man/man3/hexdump.3 \
         lib/pkgconfig/ilvo-companions.pc lib/cmake/ilvo-companions/ilvo-companionsConfig.cmake; do
  check "installed $f" test -f "$tmp/prefix/$f"
  check "DESTDIR $f" test -f "$tmp/dest/usr/local/$f"
done

export PKG_CONFIG_PATH="$tmp/prefix/lib/pkgconfig"
flags=$(pkg-config --cflags --libs ilvo-companions)
# shellcheck disable=SC2086
check "pkg-config C" cc -o "$tmp/c_pc" "$src/tests/install/consumer.c" $flags
# shellcheck disable=SC2086
check "pkg-config C++" c++ -o "$tmp/cxx_pc" "$src/tests/install/consumer.cpp" $flags
check "run C (pkg-config)" runs "$tmp/c_pc"
check "run C++ (pkg-config)" runs "$tmp/cxx_pc"

check "find_package configure" cmake -S "$src/tests/install" -B "$tmp/consumer" \
  -DCMAKE_PREFIX_PATH="$tmp/prefix"
check "find_package build" cmake --build "$tmp/consumer"
check "run C (find_package)" runs "$tmp/consumer/c_consumer"
check "run C++ (find_package)" runs "$tmp/consumer/cxx_consumer"

for page in "$tmp"/prefix/share/man/man*/*; do
  check "mandoc -Tlint $(basename "$page")" sh -c '! mandoc -Tlint -W warning "$1" 2>&1 | grep .' _ "$page"
done

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
