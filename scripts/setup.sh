#!/usr/bin/env bash
# Installs the Debian 13 packages that the named jobs need and that are not installed yet:
#   scripts/setup.sh [studio] [test] [fuzz] [wheel] [bench]      (default: studio)
# A second run finds nothing missing and returns at once. On a host that is not Debian 13 this
# happens inside the project's Debian 13 root (scripts/debian13-root.sh), created if needed.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib/on-debian13.sh
movra_on_debian13 "$0" "$@"

# Build: compiler, CMake, Python 3.13 headers, wxGTK 3.2, OpenCV (and the FreeType and HarfBuzz
# its text drawing uses), libheif, libjxl, pybind11.
BUILD_PKGS=(
    build-essential cmake ninja-build pkg-config ccache
    python3 python3-dev python3-numpy python3-wxgtk4.0
    libwxgtk3.2-dev libgtk-3-dev libopencv-dev libfreetype-dev libharfbuzz-dev
    libheif-dev libheif-plugin-libde265 libheif-plugin-x265
    libjxl-dev libjpeg-dev pybind11-dev fonts-dejavu-core
)
# Windows without a display: a virtual X server and xdpyinfo to see that it answers; the SVG
# image loader, without which GTK's theme cannot draw its symbolic icons (the marks of check and
# radio menu items).
X_PKGS=(xvfb x11-utils librsvg2-common)
# The Wayland pass of the tests: a headless compositor (with its screenshooter client).
WAYLAND_PKGS=(weston)
# Tests: GoogleTest, pytest, OpenCV's Python binding as an independent reference,
# the reference encoders/decoders and EXIF tools, a JSON Schema validator for the ROI data, and
# a window manager (windows get their final size later under one than on a bare X server).
TEST_PKGS=(
    googletest libgtest-dev python3-pytest python3-opencv
    libheif-examples libjxl-tools libimage-exiftool-perl libjpeg-turbo-progs
    python3-jsonschema openbox
)
# Fuzzers: clang with libFuzzer and the sanitizer runtimes.
FUZZ_PKGS=(clang libclang-rt-dev)
# The wheel: pip, venv, the scikit-build-core backend, and mypy to check the installed stub.
WHEEL_PKGS=(python3-pip python3-venv python3-scikit-build-core python3-pytest mypy)

want=("${BUILD_PKGS[@]}")
(($#)) || set -- studio
for job in "$@"; do
    case $job in
        studio) want+=("${X_PKGS[@]}") ;;
        test) want+=("${X_PKGS[@]}" "${TEST_PKGS[@]}" "${WAYLAND_PKGS[@]}") ;;
        fuzz) want+=("${FUZZ_PKGS[@]}") ;;
        wheel) want+=("${X_PKGS[@]}" "${WHEEL_PKGS[@]}") ;;
        # The reference tools of the tests, and venv for the benchmarks' comparison peers.
        bench) want+=("${X_PKGS[@]}" "${TEST_PKGS[@]}" python3-venv) ;;
        *) echo "usage: setup.sh [studio] [test] [fuzz] [wheel] [bench]" >&2; exit 2 ;;
    esac
done

missing=()
for p in "${want[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    [[ $status == "install ok installed" ]] || missing+=("$p")
done
((${#missing[@]})) || exit 0

echo "setup: installing ${missing[*]}" >&2
if [[ $(id -u) == 0 ]]; then
    SUDO=()
elif command -v sudo >/dev/null; then
    SUDO=(sudo)
else
    echo "setup: installing packages needs root: run as root (or install sudo)" >&2
    exit 1
fi
# Wait for another set-up (or any apt) in the same system instead of failing on its lock.
LOCK_WAIT=(-o DPkg::Lock::Timeout=600)
"${SUDO[@]}" apt-get "${LOCK_WAIT[@]}" update -qq
"${SUDO[@]}" env DEBIAN_FRONTEND=noninteractive \
    apt-get "${LOCK_WAIT[@]}" install -y -q --no-install-recommends "${missing[@]}"
