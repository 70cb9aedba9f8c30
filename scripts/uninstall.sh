#!/usr/bin/env bash
# Removes what `make install` installed from a build, for the same PREFIX and DESTDIR: every
# file, then the install's folders that are left empty (the prefix and the folders above it
# too under a DESTDIR, where the install made them all). The files are those the build installs
# now, found by an install into a scratch folder. Usage: uninstall.sh BUILD PREFIX
set -eu
build=$1 prefix=$2 dest=${DESTDIR:-}
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
DESTDIR=$stage cmake --install "$build" --prefix "$prefix" >/dev/null
(cd "$stage" && find . ! -type d) | while IFS= read -r f; do
  f=${f#.}
  rm -f "$dest$f" && echo "-- Removed: $dest$f"
done
# Deepest folders first; without a DESTDIR, never the prefix itself or a folder above it.
(cd "$stage" && find . -mindepth 1 -type d | sort -r) | while IFS= read -r d; do
  d=${d#.}
  [ -z "$dest" ] && case "$prefix/" in "$d"/*) continue ;; esac
  rmdir "$dest$d" 2>/dev/null && echo "-- Removed folder: $dest$d" || true
done
[ -z "$dest" ] || rmdir "$dest" 2>/dev/null || true
