#!/usr/bin/env bash
# Installs the Debian packages listed in deps/debian-packages.txt that are missing.
# Usage: tools/install-deps.sh [test] [bench]   (untagged packages are always wanted)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
want_tags=("$@")
missing=()
while read -r line; do
  line=${line%%#*}
  [ -n "${line// }" ] || continue
  pkg=$(echo "$line" | awk '{print $1}')
  tag=$(echo "$line" | sed -n 's/.*\[\(.*\)\].*/\1/p')
  if [ -n "$tag" ]; then
    keep=0
    for t in "${want_tags[@]}"; do [ "$t" = "$tag" ] && keep=1; done
    [ $keep = 1 ] || continue
  fi
  if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$pkg")
  fi
done < "$here/deps/debian-packages.txt"

[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing missing packages: ${missing[*]}"
sudo=""
if [ "$(id -u)" != 0 ]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
