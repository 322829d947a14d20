# Helpers of the checks of the Windows build under Wine, which source this file (bash).

# unavailable REASON: a piece the check needs is missing: skipped (77) outside CI, a
# failure in CI (CI=true), where scripts/install-deps.sh and scripts/build-windows.sh
# provide every piece.
unavailable() {
    if [ "${CI:-}" = true ]; then
        echo "Windows check FAILED: $1"
        exit 1
    fi
    echo "Windows check SKIPPED: $1"
    exit 77
}

# require_windows_build FOLDER: Wine and a Windows build made by scripts/build-windows.sh.
require_windows_build() {
    command -v wine >/dev/null || unavailable "Wine is not installed (scripts/install-deps.sh windows)"
    [ -f "$1/quillon-cli.exe" ] ||
        unavailable "no Windows build in $1 (scripts/build-windows.sh makes it; it needs Qt for Windows in ../shared/toolchains)"
}

# wine_run PROGRAM ARGS...: a Windows program under Wine, in the project's Wine prefix,
# its arguments taken as UTF-8.
wine_run() {
    LC_ALL=C.UTF-8 "$(dirname "${BASH_SOURCE[0]}")/wine.sh" "$@"
}
