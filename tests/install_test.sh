#!/usr/bin/env bash
# Installs a release build into temporary prefixes, then builds and runs a C and a C++
# program against it through pkg-config and through find_package; removes a staged install;
# builds the Debian package and checks it holds what make install installs.
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
         include/ilvo/debug.h include/ilvo/hexdump.h share/man/man1/html.1 share/man/man1/listtint.1 \
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

# The C program includes "debug.h", the C++ one <ilvo/debug.h>: in a standard prefix the
# latter needs no flags, as the prefix's include folder stands here.
check "no flags for <ilvo/...>" c++ -fsyntax-only -I"$tmp/prefix/include" "$src/tests/install/consumer.cpp"

check "find_package configure" cmake -S "$src/tests/install" -B "$tmp/consumer" \
  -DCMAKE_PREFIX_PATH="$tmp/prefix"
check "find_package build" cmake --build "$tmp/consumer"
check "run C (find_package)" runs "$tmp/consumer/c_consumer"
check "run C++ (find_package)" runs "$tmp/consumer/cxx_consumer"

for page in "$tmp"/prefix/share/man/man*/*; do
  check "mandoc -Tlint $(basename "$page")" sh -c '! mandoc -Tlint -W warning "$1" 2>&1 | grep .' _ "$page"
done

# make uninstall, with the PREFIX and DESTDIR of the install: a staged install leaves nothing.
check "staged install" make -C "$src" install BUILD="$tmp/build" WERROR=OFF PREFIX=/usr/local \
  DESTDIR="$tmp/stage"
check "staged install has files" test -x "$tmp/stage/usr/local/bin/html"
check "staged uninstall" make -C "$src" uninstall BUILD="$tmp/build" WERROR=OFF PREFIX=/usr/local \
  DESTDIR="$tmp/stage"
check "nothing left of the stage" test ! -e "$tmp/stage"
check "uninstall PREFIX with a blank" make -C "$src" uninstall BUILD="$tmp/build" WERROR=OFF \
  PREFIX="$tmp/pre fix"
check "no file left under the blank" sh -c '! find "$1" ! -type d | grep .' _ "$tmp/pre fix"

# make package: every file that make install puts under /usr is in the package, with its mode
# (a manual page compressed); lintian finds no error.
check "package" make -C "$src" package PKGBUILD="$tmp/pkg" WERROR=OFF
deb=$(ls "$tmp"/pkg/ilvo-companions_*.deb 2>/dev/null | head -1)
check "unpack" dpkg-deb -x "$deb" "$tmp/deb"
DESTDIR="$tmp/usr" cmake --install "$tmp/build" --prefix /usr >/dev/null
in_package() {  # in_package FILE: FILE, or its compressed page, in the package with its mode
  want=$(stat -c %a "$tmp/usr$1")
  for f in "$tmp/deb$1" "$tmp/deb$1.gz"; do
    [ -f "$f" ] && [ "$(stat -c %a "$f")" = "$want" ] && return 0
  done
  echo "$1 (mode $want) is not in the package as it is installed"; return 1
}
(cd "$tmp/usr" && find . ! -type d) >"$tmp/files"
while IFS= read -r f; do check "package holds ${f#.}" in_package "${f#.}"; done <"$tmp/files"
check "package's copyright" test -f "$tmp/deb/usr/share/doc/ilvo-companions/copyright"
check "lintian: no error" sh -c '! lintian "$1" 2>&1 | grep "^E:"' _ "$deb"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
