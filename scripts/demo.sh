#!/usr/bin/env bash
# The main job: sets up what is missing, builds, then shows the module through the host program:
# its description, and its three S7-300/400 sensors against a simulated CPU started in-process.
# The host keeps its state (persistent values, known channels) and logs under build/demo/.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/bootstrap.sh"
"$root/scripts/build.sh" >/dev/null
mkdir -p "$root/build/demo"
host=("$root/build/host/s7host" --module "$root/build/module/libs7module.so" "$@")
"${host[@]}" info > "$root/build/demo/info.txt"
head -n 2 "$root/build/demo/info.txt"
echo "(the whole description, with every sensor's settings: build/demo/info.txt)"
echo
exec "${host[@]}" demo --state-dir "$root/build/demo/state" --log-dir "$root/build/demo/logs"
