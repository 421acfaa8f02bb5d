#!/usr/bin/env bash
# Installs the Debian 13 packages this project needs that are not installed yet.
# A second run finds nothing missing and returns at once.
set -euo pipefail

# Build: compiler, CMake, Python 3.13 headers, wxGTK 3.2, OpenCV (and the FreeType and HarfBuzz
# its text drawing uses), libheif, libjxl, pybind11.
BUILD_PKGS=(
    build-essential cmake ninja-build pkg-config
    python3 python3-dev python3-numpy python3-wxgtk4.0
    libwxgtk3.2-dev libgtk-3-dev libopencv-dev libfreetype-dev libharfbuzz-dev
    libheif-dev libheif-plugin-libde265 libheif-plugin-x265
    libjxl-dev pybind11-dev fonts-dejavu-core
)
# Demo on a machine without a display: a virtual X server and a screenshot.
DEMO_PKGS=(xvfb xauth)
# Tests: GoogleTest, pytest, OpenCV's Python binding as an independent reference,
# the reference encoders/decoders and EXIF tools, clang for the fuzzers.
TEST_PKGS=(
    googletest libgtest-dev python3-pytest python3-opencv
    libheif-examples libjxl-tools libimage-exiftool-perl libjpeg-turbo-progs
    clang libclang-rt-dev
)

want=("${BUILD_PKGS[@]}" "${DEMO_PKGS[@]}")
case "${1:-demo}" in
    test) want+=("${TEST_PKGS[@]}") ;;
    demo) ;;
    *) echo "usage: setup.sh [demo|test]" >&2; exit 2 ;;
esac

missing=()
for p in "${want[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    [[ $status == "install ok installed" ]] || missing+=("$p")
done

if ((${#missing[@]})); then
    echo "setup: installing ${missing[*]}" >&2
    if [[ $(id -u) != 0 ]]; then SUDO=sudo; else SUDO=; fi
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
