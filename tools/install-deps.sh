#!/usr/bin/env bash
# Installs the Debian packages the build, the program and the tests need.
# Idempotent: does nothing (and asks no registry) when everything is present.
set -euo pipefail

packages=(
  build-essential cmake pkg-config ninja-build
  googletest libgtest-dev libgmock-dev
  qt6-base-dev libgl-dev libxkbcommon-dev
  qt6-base-dev-tools qt6-translations-l10n
  firebird-dev libfbclient2 firebird3.0-server-core firebird3.0-utils
  libsqlite3-dev sqlite3
  clang libclang-rt-14-dev
  locales-all
  xvfb xauth xdotool fonts-dejavu-core fonts-liberation2 fontconfig
  python3
  time  # GNU time: the benchmark's peak memory of the check
  # The Debian package and its checks (tools/package.sh, tools/check-package.sh:
  # dpkg-buildflags for the release preset's hardening, readelf to check it),
  # what the package pulls in at run time, and the private server of the server test.
  dpkg-dev fakeroot file binutils lintian desktop-file-utils appstream man-db
  qt6-qpa-plugins qt6-translations-l10n
  firebird3.0-server
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

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
