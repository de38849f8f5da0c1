#!/usr/bin/env bash
# Builds the libraries that Debian ships only as sources, for both MinGW triples:
# GoogleTest (from the googletest package) and libpng (from `apt-get source`),
# installed under PREFIX/<triple>. A stamp per triple makes a second run instant.
set -euo pipefail
prefix=${1:-/opt/pindrel-deps}
stamp_id=$(sha256sum "$0" | cut -c1-16)
cmake_dir=$(cd "$(dirname "$0")/../cmake" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for triple in i686-w64-mingw32 x86_64-w64-mingw32; do
  dest=$prefix/$triple
  [ -f "$dest/.stamp-$stamp_id" ] && continue
  echo "deps: building GoogleTest and libpng for $triple"
  rm -rf "$dest"
  mkdir -p "$dest"
  toolchain=$cmake_dir/mingw-${triple%%-w64-mingw32}.cmake

  cmake -S /usr/src/googletest -B "$work/gtest-$triple" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$dest" -DCMAKE_CROSSCOMPILING_EMULATOR= \
    -Dgtest_disable_pthreads=OFF >/dev/null
  cmake --build "$work/gtest-$triple" --target install >/dev/null

  if [ ! -d "$work/libpng" ]; then
    mkdir -p "$work/libpng"
    (cd "$work/libpng" && apt-get source -qq libpng1.6 >/dev/null 2>&1)
  fi
  src=$(find "$work/libpng" -maxdepth 1 -type d -name 'libpng1.6-*' | head -n1)
  cmake -S "$src" -B "$work/png-$triple" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$dest" -DCMAKE_CROSSCOMPILING_EMULATOR= \
    -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF \
    -DZLIB_LIBRARY=/usr/$triple/lib/libz.a -DZLIB_INCLUDE_DIR=/usr/$triple/include >/dev/null
  cmake --build "$work/png-$triple" --target install >/dev/null
  touch "$dest/.stamp-$stamp_id"
done
