# Shared by scripts/run, scripts/test and scripts/package: installs the Debian packages the build
# and the tests need (each only when it is missing).
set -euo pipefail

KOV_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
KOV_PACKAGES=(
  cmake g++ make pkg-config ccache clang-format-14
  zlib1g-dev libssl-dev libusb-1.0-0-dev libcurl4-openssl-dev
  qt6-base-dev
  libgtest-dev libgmock-dev libbenchmark-dev libpugixml-dev
  umockdev libumockdev-dev
  dpkg-dev file
)

kov_install_packages() {
  local missing=() p
  for p in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$p")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
}

kov_jobs() { echo "${KOV_JOBS:-2}"; }

# Compiler cache for repeated builds (clean clones and work trees of one machine share it).
kov_cmake_cache_args() {
  if command -v ccache >/dev/null; then
    echo "-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache"
  fi
}
