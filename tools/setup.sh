#!/usr/bin/env bash
# Installs what is missing (Debian packages listed in tools/packages.txt), then
# configures and builds the project in build/. Used by run-game.sh and run-tests.sh.
set -euo pipefail
cd "$(dirname "$0")/.."

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi

mapfile -t wanted < <(grep -v -E '^\s*(#|$)' tools/packages.txt)
missing=()
for pkg in "${wanted[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$pkg")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Instalando paquetes: ${missing[*]}"
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

build_dir=${KORIVANTA_BUILD_DIR:-build}
cmake -S . -B "$build_dir" -G Ninja ${KORIVANTA_CMAKE_ARGS:-}
cmake --build "$build_dir" --parallel "$(nproc)"
