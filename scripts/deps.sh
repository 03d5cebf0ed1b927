#!/usr/bin/env bash
# Installs the Debian packages the build needs, whichever are missing. As root it installs them
# with apt-get; otherwise it names them and stops.
set -euo pipefail

packages=(g++ clang cmake ninja-build pkg-config zlib1g-dev libminizip-dev nettle-dev libdeflate-dev libboost-dev libxerces-c-dev
          libgtest-dev libgmock-dev libbenchmark-dev libre2-dev)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "Missing packages: ${missing[*]}" >&2
  echo "Install them with: sudo apt-get install ${missing[*]}" >&2
  exit 1
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"
