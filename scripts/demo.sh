#!/usr/bin/env bash
# The main job: sets up what is missing, builds, and shows the module through the host program.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/bootstrap.sh"
"$root/scripts/build.sh" >/dev/null
exec "$root/build/host/s7host" --module "$root/build/module/libs7module.so" info "$@"
