#!/usr/bin/env bash
# Installs the Debian packages the build needs, whichever are missing. As root it installs them
# with apt-get; otherwise it names them and stops.
set -euo pipefail

packages=(g++ clang clang-format cmake ninja-build pkg-config zlib1g-dev libminizip-dev nettle-dev libdeflate-dev
          libboost-dev libexpat1-dev libxerces-c-dev libgtest-dev libgmock-dev libbenchmark-dev libre2-dev python3)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages: ${missing[*]}" >&2
    echo "Install them with: sudo apt-get install ${missing[*]}" >&2
    exit 1
  fi
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The test that number formatting ignores the process locale needs a German locale; as root,
# make it when the machine has none (the locale sources come with the C library).
if [ "$(id -u)" -eq 0 ] && ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  localedef -i de_DE -f UTF-8 de_DE.UTF-8 2>/dev/null || echo "no German locale could be made" >&2
fi
