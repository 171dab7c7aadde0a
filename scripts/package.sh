#!/usr/bin/env bash
# Builds the Debian package of s7host, the module, its manual, the systemd unit of `s7host serve`
# and the Prometheus examples (CPack, from the release build in build/), and prints its path.
# Install it with `apt install ./build/s7host_<version>_amd64.deb`.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/bootstrap.sh"
"$root/scripts/build.sh"
cd "$root/build"
cpack -G DEB >/dev/null
ls -1 "$root"/build/s7host_*.deb
