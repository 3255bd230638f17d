#!/usr/bin/env bash
# Installs the Debian packages the build, tests and benchmarks need, and only
# those that are missing: running it again on a ready machine does nothing.
set -euo pipefail

packages=(
  cmake
  ninja-build
  g++
  make
  libgtest-dev
  libgmock-dev
  libbenchmark-dev
  libembree-dev
  libtinyobjloader-dev
  assimp-testmodels
  libassimp-dev
  libstb-dev
  libtinyexr-dev
  libsdl2-dev
  xvfb
  xauth
  pkg-config        # the installed-package test compiles a host with hox.pc
  binutils          # nm and readelf for the exported-symbol and SONAME checks
  clang             # make fuzz: libFuzzer
  libclang-rt-dev
  libopenmpi-dev    # hox-cluster-master: MPI between the render ranks
  openmpi-bin       # mpirun, for the master and its end-to-end test
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null 2>&1; then SUDO="sudo"; else
    echo "install-deps: need root (or sudo) to install: ${missing[*]}" >&2
    exit 1
  fi
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
