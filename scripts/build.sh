#!/usr/bin/env bash
# Configures and builds into build/ (optimised, with line tables for backtraces). Unity builds: every
# source file of ours includes the JSON library, and compiling its templates once per batch of files
# instead of once per file more than halves the build.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cmake -S "$root" -B "$root/build" -G "Unix Makefiles" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG" -DCMAKE_UNITY_BUILD=ON >/dev/null
cmake --build "$root/build" -j"$(nproc)"
