#!/usr/bin/env bash
# Installs what the build, the tests and the local run need, with apt-get, when something is
# missing. Silent and quick when everything is already there.
set -euo pipefail
packages=(g++ cmake ninja-build qt6-base-dev libpq-dev postgresql zlib1g-dev libjpeg-dev
          libgtest-dev libgmock-dev fonts-dejavu-core fonts-liberation poppler-utils
          python3 libxml2-utils python3-openpyxl nodejs libfreetype-dev libfontconfig-dev qpdf lld
          xvfb xauth xdotool x11-utils x11-apps openbox xclip
          libqt6sql6-psql)  # the last: Qt's PostgreSQL driver, the peer of bench_ado
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
if ! $sudo apt-get install -y -q --no-install-recommends "${missing[@]}" >/tmp/sdelka-apt.log 2>&1; then
  $sudo apt-get update -q >>/tmp/sdelka-apt.log 2>&1 || true
  $sudo apt-get install -y -q --no-install-recommends "${missing[@]}" >>/tmp/sdelka-apt.log 2>&1 \
    || { tail -20 /tmp/sdelka-apt.log; echo "apt-get failed (log: /tmp/sdelka-apt.log)"; exit 1; }
fi
