#!/usr/bin/env bash
# Builds with a sanitizer into build-<name>/ and runs the tests there.
#   scripts/sanitize.sh address    AddressSanitizer with UndefinedBehaviorSanitizer: the whole suite
#   scripts/sanitize.sh thread     ThreadSanitizer: the tests that run the module from several threads
#                                  or against servers on threads (label "threads"); snap7's own server
#                                  threads are suppressed
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
kind="${1:-thread}"
case "$kind" in
  # asio's fenced blocks use atomic_thread_fence, which GCC warns is not instrumented; asio's own
  # locks order what those fences order, and the sanitizer sees the locks.
  thread) flags="-fsanitize=thread -Wno-tsan" target=thread_tests tests=(-L threads) ;;
  # Of the undefined-behaviour checks, the null, alignment and pointer-overflow ones cost a third of
  # the build's compile time: a null dereference still ends in AddressSanitizer's report, and x86-64
  # reads unaligned data as it is. The package test checks the release build's package only.
  address) flags="-fsanitize=address,undefined -fno-sanitize=null,alignment,pointer-overflow -fno-sanitize-recover=undefined" target=all tests=(-LE packaging) ;;
  *) echo "usage: $0 thread|address" >&2; exit 2 ;;
esac
"$root/scripts/bootstrap.sh"
build="$root/build-$kind"
# Unoptimised, with line tables: reports keep their file and line, and the instrumented build takes
# less than half the time it takes with -O1 (the tests run a little slower, which costs far less).
cmake -S "$root" -B "$build" -G "Unix Makefiles" -DCMAKE_BUILD_TYPE=Sanitize \
  -DCMAKE_CXX_FLAGS_SANITIZE="-O0 -g1" -DCMAKE_CXX_FLAGS="$flags -fno-omit-frame-pointer" -DS7_BENCH=OFF \
  -DCMAKE_UNITY_BUILD=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target "$target"
# A report ends the test that made it, so ctest, and with it this script, fails.
export TSAN_OPTIONS="suppressions=$root/tests/thread_sanitizer.supp halt_on_error=1 second_deadlock_stack=1"
export ASAN_OPTIONS="detect_leaks=1 halt_on_error=1 abort_on_error=1"
export UBSAN_OPTIONS="halt_on_error=1 print_stacktrace=1"
ctest --test-dir "$build" --output-on-failure -j2 "${tests[@]}"
