#!/usr/bin/env bash
# Prepares a Debian 12 machine (as root) to build and test the suite:
# system packages, the zh_CN.UTF-8 locale, libjpeg-turbo and GoogleTest built
# for the Windows targets (32-bit as delivered, 64-bit as run here) into the
# build tree, and a template Wine prefix. Every step is skipped when its
# result is already there.
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
. "$ROOT/scripts/lib/common.sh"

DEPS=$BUILD/deps

APT_NATIVE=(mingw-w64 cmake ninja-build nasm googletest libgtest-dev g++ clang libclang-rt-14-dev
            libopenslide-dev libtiff-dev libjpeg62-turbo-dev pkg-config dpkg-dev autoconf
            xvfb xauth xdotool imagemagick fonts-wqy-microhei locales iproute2 procps psmisc
            wine wine64 ffmpeg gstreamer1.0-libav gstreamer1.0-plugins-good)
# The 32-bit Wine and what the programs call through it, only where the machine
# runs 32-bit code. wine32 and libwine only recommend most of these, and we
# install without recommends: OpenGL for the video renderer's Direct3D device
# (without it RenderFile dies inside quartz.dll), XRender for text and alpha
# blending, XRandR and Xinerama for the display's size, XInput2 for injected
# input, Xcursor for the programs' cursors, XFixes for the clipboard,
# XComposite for the video window's picture, and the GStreamer plugins that
# decode the clips. Printing, Kerberos, TLS, audio, joysticks, cameras and
# Vulkan are left out: nothing here calls them.
APT_RUN32=(wine32:i386 libgl1:i386 libgl1-mesa-dri:i386 libxrender1:i386 libxrandr2:i386
           libxinerama1:i386 libxi6:i386 libxcursor1:i386 libxfixes3:i386 libxcomposite1:i386
           gstreamer1.0-libav:i386 gstreamer1.0-plugins-good:i386)
runs_32bit && APT_NATIVE+=("${APT_RUN32[@]}")

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

# apt_run LOG ARGS...: apt-get with its output in LOG. Another install may hold
# the package manager's lock (a fresh machine often runs one at boot): wait
# for it, up to ten minutes, rather than fail.
apt_run() {
    local log=$1 waited=0; shift
    while :; do
        apt-get -o DPkg::Lock::Timeout=60 "$@" >"$log" 2>&1 && return 0
        grep -qE 'Could not get lock|Unable to acquire the dpkg frontend lock|is another process using it' "$log" || return 1
        [ $waited -lt 600 ] || return 1
        [ $waited = 0 ] && log "another package install holds the lock; waiting for it"
        sleep 10; waited=$((waited + 10))
    done
}

# A mirror in the middle of a sync serves an index that does not match its
# release file; apt then fails the whole update. Try a few times, then go on
# with what was fetched. STALE_SUITES is left holding the suites whose index
# did not update (for example "bookworm-security"), which the install may
# have to hold back.
STALE_SUITES=()
update_package_lists() {
    local try log=$BUILD/apt-update.log
    STALE_SUITES=()
    for try in 1 2 3; do
        apt_run "$log" update -q && return
        [ $try = 3 ] || sleep 10
    done
    log "warning: the package lists did not all update; going on with those fetched:"
    grep -E '^(E|W):' "$log" | sed 's/^/[setup]   /' >&2 || true
    mapfile -t STALE_SUITES < <(sed -nE 's|^E: Failed to fetch .*/dists/([^/ ]+)/.*|\1|p' "$log" | sort -u)
}

# install_all LOG [APT OPTIONS...]: every package the suite needs.
install_all() {
    local log=$1; shift
    apt_run "$log" install -y -q --no-install-recommends "$@" "${APT_NATIVE[@]}"
}

# install_with_held_back LOG SUITES...: the install once more, with the given
# suites pinned below the others for this one command, so that every
# architecture takes its versions from suites whose indexes agree.
install_with_held_back() {
    local log=$1; shift
    local prefs=$BUILD/apt-held-back.pref suite
    : >"$prefs"
    for suite in "$@"; do
        printf 'Package: *\nPin: release n=%s\nPin-Priority: 100\n\n' "$suite" >>"$prefs"
    done
    install_all "$log" -o Dir::Etc::Preferences="$prefs"
}

install_packages() {
    local missing
    missing=$(packages_missing)
    local have_src=0 have_i386=1
    if runs_32bit; then
        dpkg --print-foreign-architectures | grep -qx i386 || have_i386=0
    fi
    grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ && have_src=1
    grep -qs '^deb-src' /etc/apt/sources.list && have_src=1
    if [ -z "$missing" ] && [ $have_src = 1 ] && [ $have_i386 = 1 ]; then
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
    [ $have_i386 = 1 ] || dpkg --add-architecture i386
    export DEBIAN_FRONTEND=noninteractive
    update_package_lists
    # ZELVO_SETUP_STALE_SUITE names a suite to treat as not updated: the first
    # install then counts as failed, so that the held-back path also runs on
    # a machine whose package lists are all fresh.
    local forced=${ZELVO_SETUP_STALE_SUITE:-}
    [ -n "$forced" ] && STALE_SUITES+=("$forced")
    local log=$BUILD/apt-install.log
    if [ -z "$forced" ] && install_all "$log"; then
        return
    fi
    if [ ${#STALE_SUITES[@]} = 0 ]; then
        cat "$log" >&2
        log "error: installing the packages failed (apt's output above, also in $log)" >&2
        exit 1
    fi
    # Multi-Arch: same libraries need one version on every architecture, and
    # the newest candidate of one may live in a suite whose index for the
    # other did not update.
    if [ -n "$forced" ]; then
        log "ZELVO_SETUP_STALE_SUITE=$forced: the first install counts as failed"
    else
        sed -n '/unmet dependencies/,$p' "$log" | sed 's/^/[setup]   /' >&2
    fi
    log "warning: the install failed with the package lists of ${STALE_SUITES[*]} not updated;"
    log "warning: trying again with ${STALE_SUITES[*]} held back (pinned below the other suites for this install)"
    if install_with_held_back "$log" "${STALE_SUITES[@]}"; then
        log "installed with ${STALE_SUITES[*]} held back; a later update with fresh lists brings their versions"
        return
    fi
    sed -n '/unmet dependencies/,$p' "$log" | sed 's/^/[setup]   /' >&2
    grep -E '^E: Failed to fetch' "$BUILD/apt-update.log" | sed 's/^/[setup]   failed index: /' >&2 || true
    log "error: no consistent set of packages even with ${STALE_SUITES[*]} held back; the packages above conflict (apt's output in $log)" >&2
    exit 1
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

# build_libjpeg ARCH TOOLCHAIN: libjpeg-turbo from Debian's source, static, SIMD on.
build_libjpeg() {
    local arch=$1 toolchain=$2 prefix=$DEPS/$1
    if [ -f "$prefix/lib/cmake/libjpeg-turbo/libjpeg-turboConfig.cmake" ]; then
        log "libjpeg-turbo for $arch present"
        return
    fi
    log "building libjpeg-turbo for $arch from Debian's source"
    local src=$DEPS/src/jpeg
    # Extracted beside its final name and renamed once whole, so that an
    # interrupted run never leaves a half tree for the next one to reuse.
    if [ ! -d "$src/tree" ]; then
        rm -rf "$src" && mkdir -p "$src"
        if ! ( cd "$src" && apt-get source -q --download-only libjpeg-turbo ) >"$BUILD/apt-source.log" 2>&1; then
            cat "$BUILD/apt-source.log" >&2
            log "error: fetching libjpeg-turbo's source failed (apt's output above)" >&2
            exit 1
        fi
        # Debian's signing key is not needed: the archive's signed lists vouch for the files.
        dpkg-source -q -x "$(ls "$src"/libjpeg-turbo_*.dsc | head -n 1)" "$src/tree.part" >/dev/null 2>"$BUILD/dpkg-source.log" \
            || { cat "$BUILD/dpkg-source.log" >&2; exit 1; }
        mv "$src/tree.part" "$src/tree"
    fi
    rm -rf "$src/build-$arch"
    cmake -S "$src/tree" -B "$src/build-$arch" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$prefix" -DENABLE_SHARED=OFF -DENABLE_STATIC=ON \
        -DWITH_SIMD=ON -DREQUIRE_SIMD=ON -DWITH_TURBOJPEG=OFF -DWITH_JPEG8=OFF \
        -DCMAKE_POLICY_DEFAULT_CMP0075=NEW >/dev/null 2>&1
    cmake --build "$src/build-$arch" --target install >/dev/null
}

# build_gtest ARCH TOOLCHAIN
build_gtest() {
    local arch=$1 toolchain=$2 prefix=$DEPS/$1
    if [ -f "$prefix/lib/cmake/GTest/GTestConfig.cmake" ]; then
        log "GoogleTest for $arch present"
        return
    fi
    log "building GoogleTest for $arch"
    local b=$DEPS/src/gtest-build-$arch
    rm -rf "$b"
    cmake -S /usr/src/googletest -B "$b" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_GMOCK=ON -Dgtest_force_shared_crt=ON >/dev/null
    cmake --build "$b" --target install >/dev/null
}

make_wine_prefix() {
    local p=$WINE_TEMPLATE
    if [ -f "$p/.zelvo-ready" ]; then
        log "Wine prefix present"
        return
    fi
    log "creating the template Wine prefix ($WIN_ARCH)"
    rm -rf "$p"; mkdir -p "$(dirname "$p")"
    (
        export WINEPREFIX=$p WINEARCH=$WIN_ARCH WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
        export LC_ALL=zh_CN.UTF-8
        unset DISPLAY
        "$WINE" wineboot -i </dev/null >"$BUILD/wineboot.log" 2>&1
        # Without a window manager, hiding a top-level window waits seconds.
        "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f </dev/null >>"$BUILD/wineboot.log" 2>&1
        "$WINE" reg add 'HKCU\Software\Wine\Drivers' /v Audio /t REG_SZ /d '' /f </dev/null >>"$BUILD/wineboot.log" 2>&1
        "$WINESERVER" -w
    )
    touch "$p/.zelvo-ready"
}

need_root
mkdir -p "$BUILD" "$DEPS/src"
install_packages
setup_locale
for arch in i686 x86_64; do
    build_libjpeg $arch "$ROOT/cmake/toolchain-$arch-w64-mingw32.cmake"
    build_gtest $arch "$ROOT/cmake/toolchain-$arch-w64-mingw32.cmake"
done
make_wine_prefix
win_arch_note
log "ready"
