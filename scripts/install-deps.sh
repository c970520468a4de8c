#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the command-line renderer need.
# Idempotent: packages already present are not fetched again.
set -euo pipefail
pkgs=(
  cmake g++ make pkg-config
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine64
  libopenimageio-dev openimageio-tools fonts-dejavu-core zlib1g-dev libpng-dev
  clang-14 libclang-rt-14-dev
  python3-dev python3-pybind11 pybind11-dev python3-numpy python3-openimageio
)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "installing: ${missing[*]}" >&2
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
fi
