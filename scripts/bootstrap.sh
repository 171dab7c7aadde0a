#!/usr/bin/env bash
# Installs everything the build needs on a fresh Debian 12 machine and fetches the snap7 sources.
# Idempotent: a second run only verifies what is already there.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

packages=(g++ cmake make ca-certificates
          libcurl4-openssl-dev libssl-dev zlib1g-dev libasio-dev nlohmann-json3-dev
          libgtest-dev libgmock-dev libbenchmark-dev)
# The machine image may bring its own Node.js; Debian's npm is only a fallback.
command -v npm >/dev/null 2>&1 || packages+=(npm)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# snap7 is not packaged by Debian; its complete sources ship inside a pinned npm package.
snap7_version="1.0.9"
snap7_sha256="9f57bac2cf593e102e9a6fdb7eb7c42962413faeaf910259a891f420c46a62dd"
dest="$root/third_party"
if [ ! -f "$dest/node-snap7/.verified-$snap7_version" ]; then
  mkdir -p "$dest"
  work="$(mktemp -d)"
  trap 'rm -rf "$work"' EXIT
  (cd "$work" && npm pack "node-snap7@$snap7_version" --ignore-scripts --silent >/dev/null)
  tarball="$work/node-snap7-$snap7_version.tgz"
  echo "$snap7_sha256  $tarball" | sha256sum -c --quiet -
  rm -rf "$dest/node-snap7"
  mkdir -p "$dest/node-snap7"
  tar -xzf "$tarball" -C "$dest/node-snap7"
  touch "$dest/node-snap7/.verified-$snap7_version"
fi
