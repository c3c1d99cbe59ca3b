#!/usr/bin/env bash
# Installs every Debian package the project needs. Idempotent and quiet; run as root
# (or with sudo available) on Debian 12.
set -euo pipefail

packages=(
  cmake g++ make pkg-config git ca-certificates
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  libcurl4-openssl-dev libsimdjson-dev libstb-dev libhowardhinnant-date-dev nlohmann-json3-dev
  libcpp-httplib-dev libboost-dev libsqlite3-dev sqlite3 libsodium-dev
  clang libclang-rt-14-dev
  qt6-base-dev libqt6svg6-dev
)
# Extra packages named on the command line (e.g. bench peers) are installed too.
packages+=("$@")

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
