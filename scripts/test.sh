#!/usr/bin/env bash
# Sets up what is missing, builds everything and runs the whole test suite.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/bootstrap.sh"
"$root/scripts/build.sh"
ctest --test-dir "$root/build" --output-on-failure -j2
