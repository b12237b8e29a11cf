#!/usr/bin/env bash
# Cross-builds the Windows program on Debian 12 or 13: installs mingw-w64, builds SDL 1.2 and
# SDL_mixer 1.2 (WAV only) once into build-win/deps, from Debian 12's source packages (Debian 13
# has SDL 1.2 only as sdl12-compat over SDL 2), then builds build-win/brivane-win.exe (static,
# no DLLs) and the folder a Windows user unzips, build-win/brivane-win/, zipped as
# build-win/brivane-win.zip. Arguments go to CMake (scripts/test.sh gives -DBRIVANE_WERROR=ON).
# Run it as yourself: the packages and apt's source entry are installed through sudo.
set -euo pipefail
cd "$(dirname "$0")/.."
racine=$PWD
hote=x86_64-w64-mingw32
deps=$racine/build-win/deps
prefixe=$deps/mingw

# zip makes the zip again after CPack, without the dates that would differ from build to build.
bash scripts/deps.sh dpkg-dev g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix \
    binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev zip
# en_root COMMAND...: COMMAND as root, through sudo for another user.
en_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

# The two libraries, built once: their sources come from Debian's archive.
if [ ! -f "$prefixe/lib/libSDL_mixer.a" ]; then
    sources=(libsdl1.2/bookworm sdl-mixer1.2/bookworm)
    if ! apt-get source --print-uris "${sources[@]}" >/dev/null 2>&1; then
        # Debian 12's sources, from the mirror apt already uses.
        miroir=$(awk '/^URIs:/ { print $2; exit }' /etc/apt/sources.list.d/debian.sources \
            2>/dev/null || true)
        [ -n "$miroir" ] || miroir=$(awk '/^deb / { print $2; exit }' /etc/apt/sources.list \
            2>/dev/null || true)
        printf 'Types: deb-src\nURIs: %s\nSuites: bookworm\nComponents: main\nSigned-By: %s\n' \
            "${miroir:-http://deb.debian.org/debian}" /usr/share/keyrings/debian-archive-keyring.gpg |
            en_root tee /etc/apt/sources.list.d/brivane-bookworm-src.sources >/dev/null
        en_root env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    fi
    rm -rf "$deps"
    mkdir -p "$deps/src"
    journal=$deps/build.log
    # etape CMD...: runs one step quietly; on failure shows the end of its output.
    etape() { "$@" >>"$journal" 2>&1 || { tail -n 30 "$journal" >&2 && exit 1; }; }
    cd "$deps/src"
    etape apt-get source "${sources[@]}"
    commun=(--build=x86_64-linux-gnu --host=$hote --prefix="$prefixe" --disable-shared --disable-nasm)

    echo "Building SDL 1.2 for Windows..."
    cd "$deps"/src/libsdl1.2-*/
    # Debian's sdl-config leaves out the libraries a static link needs.
    etape patch -R -p1 -i debian/patches/dont_propagate_lpthread.diff
    etape ./configure "${commun[@]}"
    etape make -j2
    etape make install

    echo "Building SDL_mixer 1.2 (WAV only) for Windows..."
    cd "$deps"/src/sdl-mixer1.2-*/
    # SDL_mixer must find this SDL, not the host's, through sdl-config and pkg-config.
    export PATH=$prefixe/bin:$PATH PKG_CONFIG_LIBDIR=$prefixe/lib/pkgconfig
    etape ./configure "${commun[@]}" --disable-music-cmd \
        --disable-music-mod --disable-music-mod-modplug --disable-music-midi \
        --disable-music-timidity-midi --disable-music-native-midi \
        --disable-music-fluidsynth-midi --disable-music-ogg --disable-music-flac \
        --disable-music-mp3 --disable-music-mp3-mad-gpl
    etape make -j2
    etape make install
    # libtool's .la files would reorder the static libraries wrongly.
    rm -f "$prefixe"/lib/*.la
    cd "$racine"
fi

cmake -S . -B build-win -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DBRIVANE_SDL_PREFIX="$prefixe" \
    --no-warn-unused-cli -DBRIVANE_WERROR=OFF "$@" >/dev/null
cmake --build build-win -j2 --target package >/dev/null
# The folder inside the zip, unpacked as a Windows user would.
rm -rf build-win/brivane-win
(cd build-win && cmake -E tar xf brivane-win.zip)
echo "Built build-win/brivane-win.exe and build-win/brivane-win.zip, unpacked in build-win/brivane-win/"
