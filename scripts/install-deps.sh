#!/usr/bin/env bash
# Installs every Debian 12 package Morvalen needs to build, run and test.
# Safe to run again: apt-get skips what is already there.
set -euo pipefail

packages=(
  # build
  build-essential cmake ninja-build pkg-config clang-format
  qt6-base-dev qt6-base-dev-tools qt6-charts-dev libqt6sql6-sqlite libqt6svg6-dev
  libqt6opengl6-dev libgl-dev
  # the clinic's shared database: Qt's PostgreSQL driver, and a server the tests start
  # (its pg_trgm index for the search comes with postgresql-15)
  libqt6sql6-psql postgresql-15 postgresql-common
  libsqlite3-dev sqlite3
  libzip-dev libgsf-1-dev libfreexl-dev libxlsxwriter-dev
  # SPSS data files (.sav) of the research export
  libreadstat-dev
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth x11-utils imagemagick poppler-utils python3 libxtst6
  # the real reader our Word and Excel files are checked against
  libreoffice-writer-nogui libreoffice-calc-nogui
  # the real reader our SPSS files are checked against
  pspp
  # Persian fonts: "Nazli" stands in for "B Nazanin", Noto Naskh Arabic behind it
  fonts-farsiweb fonts-noto-core fontconfig
  # Qt's own dialog texts in Persian
  qt6-translations-l10n
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "All packages present."
  exit 0
fi

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
