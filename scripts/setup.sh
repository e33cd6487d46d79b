#!/usr/bin/env bash
# Prepares a Debian 12 machine (as root) to build and test the suite:
# system packages, the zh_CN.UTF-8 locale, Wine built from Debian's source in
# its WoW64 mode (outside the work tree, so other clones reuse it), then
# libjpeg-turbo and GoogleTest built for the 32-bit Windows target into the
# build tree, and a template Wine prefix. Every step is skipped when its
# result is already there.
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
. "$ROOT/scripts/lib/common.sh"

DEPS=$BUILD/deps
PREFIX=$DEPS/i686
TOOLCHAIN=$ROOT/cmake/toolchain-i686-w64-mingw32.cmake

APT_NATIVE=(mingw-w64 cmake ninja-build nasm googletest libgtest-dev g++ clang libclang-rt-14-dev
            libopenslide-dev libtiff-dev libjpeg62-turbo-dev dpkg-dev autoconf
            xvfb xauth xdotool imagemagick fonts-wqy-microhei locales iproute2 procps psmisc
            ffmpeg gstreamer1.0-libav gstreamer1.0-plugins-good)

log() { printf '[setup] %s\n' "$*"; }

need_root() {
    if [ "$(id -u)" != 0 ]; then
        echo "setup.sh must run as root (it installs packages and creates network namespaces)" >&2
        exit 1
    fi
}

packages_missing() {
    local p
    for p in "${APT_NATIVE[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || { echo "$p"; }
    done
}

install_packages() {
    local missing
    missing=$(packages_missing)
    local have_src=0
    grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ && have_src=1
    grep -qs '^deb-src' /etc/apt/sources.list && have_src=1
    if [ -z "$missing" ] && [ $have_src = 1 ]; then
        log "packages present"
        return
    fi
    log "installing packages: $(echo $missing)"
    if [ $have_src = 0 ]; then
        cat > /etc/apt/sources.list.d/zelvo-src.sources <<'EOF'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
    fi
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -q >/dev/null
    apt-get install -y -q --no-install-recommends "${APT_NATIVE[@]}" >/dev/null
}

# Wine from Debian's source, configured for the new WoW64 mode: the 32-bit
# programs run inside a 64-bit Wine process.
build_wine() {
    if [ -x "$WINE_HOME/bin/wine" ] && [ -f "$WINE_HOME/.zelvo-ready" ]; then
        log "Wine (WoW64) present"
        return
    fi
    log "building Wine from Debian's source in WoW64 mode (a quarter of an hour on a new machine)"
    export DEBIAN_FRONTEND=noninteractive
    apt-get build-dep -y -q wine >/dev/null
    local src=$WINE_CACHE/src
    if [ ! -f "$src/.zelvo-generated" ]; then
        rm -rf "$WINE_CACHE"
        mkdir -p "$WINE_CACHE"
        ( cd "$WINE_CACHE" && apt-get source -q wine ) >"$WINE_CACHE/source.log" 2>&1
        mv "$(find "$WINE_CACHE" -mindepth 1 -maxdepth 1 -type d -name 'wine-*' | head -n 1)" "$src"
        (
            cd "$src"
            # The generated files Debian's packaging makes before configuring.
            ./debian/scripts/generate server/trace.generated make_requests
            ./debian/scripts/generate server/request.generated make_requests
            ./tools/make_unicode
            ./tools/make_requests
            ( cd dlls/dsound && ./make_fir )
            ( cd dlls/opengl32 && ./make_opengl )
            ( cd dlls/winevulkan && ./make_vulkan -x /usr/share/vulkan/registry/vk.xml )
            ln -sf /usr/share/misc/config.sub tools
            ln -sf /usr/share/misc/config.guess tools
            sed -n '/# image files used/,/^ifneq/p' debian/rules | grep 'ln -sf' | sed 's/^\t//' | bash
            autoreconf -f
        ) >"$WINE_CACHE/generate.log" 2>&1
        touch "$src/.zelvo-generated"
    fi
    # Maintainer mode makes the icons that Debian's repacked source leaves out;
    # it only works inside the source tree.
    (
        cd "$src"
        [ -f Makefile ] || ./configure --enable-archs=i386,x86_64 --enable-maintainer-mode --disable-tests \
            --prefix="$WINE_HOME" --without-oss --without-sane --with-gnutls \
            CFLAGS="-O2 -Wno-array-bounds -Wno-unused-function"
        # Wine's own headers first, so that no compiler finds an older copy.
        make -j "$(nproc)" include/all
        make -j "$(nproc)"
        make install
    ) >"$WINE_CACHE/build.log" 2>&1 || { tail -n 30 "$WINE_CACHE/build.log" >&2; exit 1; }
    touch "$WINE_HOME/.zelvo-ready"
}

setup_locale() {
    if locale -a 2>/dev/null | grep -qi '^zh_CN\.utf-\?8$'; then
        log "locale zh_CN.UTF-8 present"
        return
    fi
    log "generating zh_CN.UTF-8"
    sed -i 's/^# *\(zh_CN.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' >> /etc/locale.gen
    locale-gen >/dev/null
}

build_libjpeg() {
    if [ -f "$PREFIX/lib/cmake/libjpeg-turbo/libjpeg-turboConfig.cmake" ]; then
        log "libjpeg-turbo for i686 present"
        return
    fi
    log "building libjpeg-turbo for i686 from Debian's source"
    local src=$DEPS/src
    rm -rf "$src/jpeg" && mkdir -p "$src/jpeg"
    ( cd "$src/jpeg" && apt-get source -q --download-only libjpeg-turbo >/dev/null 2>&1 )
    local dsc
    dsc=$(ls "$src"/jpeg/libjpeg-turbo_*.dsc | head -n 1)
    dpkg-source -q -x "$dsc" "$src/jpeg/tree" >/dev/null
    cmake -S "$src/jpeg/tree" -B "$src/jpeg/build" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$PREFIX" -DENABLE_SHARED=OFF -DENABLE_STATIC=ON \
        -DWITH_SIMD=ON -DREQUIRE_SIMD=ON -DWITH_TURBOJPEG=OFF -DWITH_JPEG8=OFF \
        -DCMAKE_POLICY_DEFAULT_CMP0075=NEW >/dev/null
    cmake --build "$src/jpeg/build" --target install >/dev/null
}

build_gtest() {
    if [ -f "$PREFIX/lib/cmake/GTest/GTestConfig.cmake" ]; then
        log "GoogleTest for i686 present"
        return
    fi
    log "building GoogleTest for i686"
    local b=$DEPS/src/gtest-build
    rm -rf "$b"
    cmake -S /usr/src/googletest -B "$b" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$PREFIX" -DBUILD_GMOCK=ON -Dgtest_force_shared_crt=ON >/dev/null
    cmake --build "$b" --target install >/dev/null
}

make_wine_prefix() {
    local p=$WINE_TEMPLATE
    if [ -f "$p/.zelvo-ready" ]; then
        log "Wine prefix present"
        return
    fi
    log "creating the template Wine prefix"
    rm -rf "$p"; mkdir -p "$(dirname "$p")"
    (
        export WINEPREFIX=$p WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
        export LC_ALL=zh_CN.UTF-8
        unset DISPLAY
        wineboot -i </dev/null >"$BUILD/wineboot.log" 2>&1
        # Without a window manager, hiding a top-level window waits seconds.
        wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f </dev/null >>"$BUILD/wineboot.log" 2>&1
        wine reg add 'HKCU\Software\Wine\Drivers' /v Audio /t REG_SZ /d '' /f </dev/null >>"$BUILD/wineboot.log" 2>&1
        wineserver -w
    )
    touch "$p/.zelvo-ready"
}

need_root
mkdir -p "$BUILD" "$DEPS/src"
install_packages
setup_locale
build_wine
build_libjpeg
build_gtest
make_wine_prefix
log "ready"
