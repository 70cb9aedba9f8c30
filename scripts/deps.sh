#!/usr/bin/env bash
# Installs, from Debian's packages, whatever the build and the tests need and this machine lacks.
# Usage: deps.sh build|test|fuzz|bench|coverage|package
set -eu
want=()
have_cmd() { command -v "$1" >/dev/null 2>&1; }
have_cmd cmake || want+=(cmake)
have_cmd g++ || want+=(g++)
have_cmd make || want+=(make)
if [ "${1:-build}" = test ] || [ "${1:-build}" = coverage ]; then
  [ -f /usr/include/gtest/gtest.h ] || want+=(libgtest-dev)
  have_cmd python3 || want+=(python3)
  have_cmd script || want+=(bsdutils)
  have_cmd pkg-config || want+=(pkg-config)
  have_cmd mandoc || want+=(mandoc)
  have_cmd clang-format || want+=(clang-format)
  have_cmd git || want+=(git)
fi
if [ "${1:-build}" = coverage ]; then
  have_cmd gcovr || want+=(gcovr)
fi
if [ "${1:-build}" = test ] || [ "${1:-build}" = package ]; then
  have_cmd dpkg-shlibdeps || want+=(dpkg-dev)
  have_cmd lintian || want+=(lintian)
fi
if [ "${1:-build}" = bench ]; then
  have_cmd python3 || want+=(python3)
  [ -x /usr/bin/time ] || want+=(time)
fi
if [ "${1:-build}" = fuzz ]; then
  have_cmd clang++ || want+=(clang)
  ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1 ||
    want+=(libclang-rt-dev)
fi
[ ${#want[@]} -eq 0 ] && exit 0
echo "deps: installing ${want[*]}" >&2
if [ "$(id -u)" != 0 ]; then
  echo "deps: run as root, or install these packages: ${want[*]}" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq "${want[@]}" >/dev/null
