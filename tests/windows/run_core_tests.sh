#!/usr/bin/env bash
# The core's tests of the Windows build (scripts/build-windows.sh), under Wine: CMake's
# cross-compiling emulator there is tests/windows/wine.sh.
#
# Usage: run_core_tests.sh WINDOWS_BUILD
# Exit 0 when they pass; 1 when one fails; 77 (skipped) when Wine or the Windows build is
# missing outside CI. In CI (CI=true) that fails.
set -u
[ $# -eq 1 ] || { echo "usage: $0 WINDOWS_BUILD" >&2; exit 2; }
source "$(dirname "$0")/windows_lib.sh"
require_windows_build "$1"
ctest --test-dir "$1" --output-on-failure -j "$(nproc)"
