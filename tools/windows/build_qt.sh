#!/usr/bin/env bash
# Builds Qt for 64-bit Windows once, from Debian's own source of the Qt the
# Linux build uses, statically, into ~/.cache/kovra (or $KOVRA_CACHE); a
# later run with the same recipe reuses it. Prints the install prefix.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
cache="${KOVRA_CACHE:-$HOME/.cache/kovra}"
version="6.4.2+dfsg"
# The recipe is this script and the toolchain: a change to either builds anew.
recipe="$(cat "${BASH_SOURCE[0]}" "$root/cmake/mingw-w64.cmake" | sha256sum | cut -c1-12)"
prefix="$cache/qt-$version-mingw-$recipe"
if [ -f "$prefix/.complete" ]; then
  echo "$prefix"
  exit 0
fi

source "$root/tools/setup.sh"
kovra_install_missing g++-mingw-w64-x86-64-posix mingw-w64-tools dpkg-dev >&2

mkdir -p "$cache"
source_dir="$cache/qt6-base-$version"
if [ ! -d "$source_dir" ]; then
  # Debian's source package: a deb-src entry for bookworm is added if none is there.
  if ! grep -rqs '^Types:.*deb-src\|^deb-src ' /etc/apt/sources.list /etc/apt/sources.list.d/; then
    printf 'Types: deb-src\nURIs: http://deb.debian.org/debian\nSuites: bookworm\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' |
      kovra_as_root tee /etc/apt/sources.list.d/kovra-deb-src.sources >/dev/null
    kovra_as_root apt-get update -qq
  fi
  (cd "$cache" && apt-get source -qq "qt6-base=${version}-10" >&2)
fi

# Builds and installs of other recipes are this script's own leftovers.
find "$cache" -mindepth 1 -maxdepth 1 \( -name 'qt-build-*' -o -name "qt-*-mingw-*" \) \
  ! -name "qt-build-$recipe" ! -name "qt-$version-mingw-$recipe" -exec rm -rf {} +
# An interrupted build goes on where it stopped.
build="$cache/qt-build-$recipe"
rm -rf "$prefix"
# Static, with Qt's own zlib, PCRE2, libpng and FreeType (the offscreen
# platform's fonts on Windows); without what Kovra does not use. Without
# HarfBuzz, Latin and Cyrillic are laid out by the font engine alone, and the
# build is a third shorter. Debian's source has no wintab.h, so no tablet
# events; the Windows platform plugin needs OpenGL on (it is loaded at run
# time), and Direct2D on for Qt's DirectWrite font database, which it links
# (the Direct2D platform plugin is left out).
cmake -S "$source_dir" -B "$build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
  -DFEATURE_sql=OFF -DFEATURE_dbus=OFF -DFEATURE_printsupport=OFF -DFEATURE_xml=OFF \
  -DFEATURE_ssl=OFF -DFEATURE_openssl=OFF -DFEATURE_schannel=OFF -DFEATURE_vulkan=OFF \
  -DFEATURE_tabletevent=OFF \
  -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_png=OFF \
  -DFEATURE_harfbuzz=OFF -DFEATURE_system_freetype=OFF -DFEATURE_system_jpeg=OFF \
  -DFEATURE_jpeg=OFF -DFEATURE_gif=OFF -DFEATURE_sql_sqlite=OFF -DFEATURE_concurrent=OFF \
  -DFEATURE_direct2d1_1=OFF >&2
cmake --build "$build" --parallel "$(nproc)" >&2
cmake --install "$build" >&2
touch "$prefix/.complete"
rm -rf "$build"
echo "$prefix"
