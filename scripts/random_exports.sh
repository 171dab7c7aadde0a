#!/usr/bin/env bash
# Builds and runs the random export calls test with many calls (100,000 unless given).
#   scripts/random_exports.sh [CALLS]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/bootstrap.sh"
"$root/scripts/build.sh"
S7_RANDOM_EXPORT_CALLS="${1:-100000}" "$root/build/tests/exports/random_export_calls_test"
