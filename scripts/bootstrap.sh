#!/usr/bin/env bash
# Installs everything the build needs on a fresh Debian 12 machine and fetches the snap7 sources.
# Idempotent: a second run only verifies what is already there. Arguments name further Debian
# packages a script needs beyond the build (scripts/fuzz.sh: clang and its runtime).
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

packages=(g++ cmake make ca-certificates patch
          libcurl4-openssl-dev libssl-dev zlib1g-dev libasio-dev nlohmann-json3-dev libsimdjson-dev
          libgtest-dev libgmock-dev libbenchmark-dev
          libcpp-httplib-dev tinyproxy openssl
          libyaml-cpp-dev prometheus-cpp-dev prometheus help2man dpkg-dev)
# The machine image may bring its own Node.js; Debian's npm is only a fallback.
command -v npm >/dev/null 2>&1 || packages+=(npm)
packages+=("$@")

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# snap7 is not packaged by Debian; its complete sources ship inside a pinned npm package. Our own
# fixes to it (patches/snap7/, applied in order) are part of the marker, so a changed patch
# re-extracts and re-patches.
snap7_version="1.0.9"
snap7_sha256="9f57bac2cf593e102e9a6fdb7eb7c42962413faeaf910259a891f420c46a62dd"
dest="$root/third_party"
patches=("$root"/patches/snap7/*.patch)
patches_sha256="$(cat "${patches[@]}" | sha256sum | cut -c1-16)"
marker=".verified-$snap7_version-$patches_sha256"
if [ ! -f "$dest/node-snap7/$marker" ]; then
  mkdir -p "$dest"
  # Unpacked and patched beside its final place, then renamed in: never a half-patched tree.
  work="$(mktemp -d "$dest/.unpack.XXXXXX")"
  trap 'rm -rf "$work"' EXIT
  (cd "$work" && npm pack "node-snap7@$snap7_version" --ignore-scripts --silent >/dev/null)
  tarball="$work/node-snap7-$snap7_version.tgz"
  echo "$snap7_sha256  $tarball" | sha256sum -c --quiet -
  mkdir "$work/node-snap7"
  tar -xzf "$tarball" -C "$work/node-snap7"
  for p in "${patches[@]}"; do
    if ! patch -d "$work/node-snap7/package" -p1 --forward --batch --fuzz=0 --no-backup-if-mismatch --quiet < "$p"; then
      echo "bootstrap: snap7 patch $(basename "$p") does not apply" >&2
      exit 1
    fi
  done
  touch "$work/node-snap7/$marker"
  [ ! -e "$dest/node-snap7" ] || mv "$dest/node-snap7" "$work/replaced"
  mv "$work/node-snap7" "$dest/node-snap7"
fi
