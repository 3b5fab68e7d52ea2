#!/usr/bin/env bash
# Sets everything up, builds with warnings as errors and runs every test; then the same suite
# under AddressSanitizer and UndefinedBehaviorSanitizer, and the play-while-editing stress tests
# under ThreadSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
jobs=$(nproc)

cmake --preset ci >/dev/null
cmake --build --preset ci -j "$jobs"
ctest --preset ci -j "$jobs"

if [ "${CW_SKIP_ASAN:-0}" != 1 ]; then
  cmake --preset asan >/dev/null
  cmake --build --preset asan -j "$jobs"
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --preset asan -j "$jobs"
fi

if [ "${CW_SKIP_TSAN:-0}" != 1 ]; then
  cmake --preset tsan >/dev/null
  cmake --build --preset tsan -j "$jobs" --target engine_tests model_tests project_tests midi_tests
  TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" ctest --preset tsan -R 'PlayWhileEditing|PlayingSong|MidiQueue'
fi
