#!/usr/bin/env bash
# A few seconds of each fuzz target, always the same inputs (fixed seed and count): the native
# builds still compile and the targets' properties still hold. tests/fuzz/run does the long runs.
set -euo pipefail
VELTO_FUZZ_SMOKE=1 exec "$(dirname "$0")/run"
