#!/usr/bin/env bash
# Sets everything up, builds a release and starts the editor on its bundled default module.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)"
exec ./build/release/src/cantorwright "$@"
