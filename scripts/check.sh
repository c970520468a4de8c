#!/usr/bin/env bash
# Installs what is missing, builds the Linux, sanitizer and Windows presets, and runs every test;
# the ThreadSanitizer preset builds and runs the tests that render on several threads, and the
# fuzz preset runs each fuzz target for a minute.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
for preset in linux sanitize windows; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done
cmake --preset tsan >/dev/null
cmake --build --preset tsan --target generator_tests differential_tests host_tests cli_tests
ctest --preset linux
ctest --preset sanitize
ctest --preset tsan -R 'Thread|WorkerPool|Concurrent|Differential|BoundedTime|CliFramePipeline'
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target effect_main_fuzzer cli_fuzzer
scripts/fuzz.sh 60
if [ -f build/windows/CTestTestfile.cmake ] && grep -q add_test build/windows/CTestTestfile.cmake build/windows/*/CTestTestfile.cmake build/windows/*/*/CTestTestfile.cmake 2>/dev/null; then
  ctest --preset windows
fi
