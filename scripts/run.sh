#!/usr/bin/env bash
# Installs what is missing, builds Quillon into build/ (a working program folder) and
# starts it; arguments go to the program (a source file to open).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh run
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build
exec build/quillon "$@"
