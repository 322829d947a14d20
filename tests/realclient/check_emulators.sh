#!/usr/bin/env bash
# Real emulators read what we write: Debian's pcsxr and PCSX ReARMed's libretro core boot a
# test disc from containers that BIN_DIR's quillon-cli makes. Their pieces (the core, its
# front end, the disc makers and pcsxr's check) live in the team's shared folder beside the
# project, ../shared/realclient, or where QUILLON_SHARED points.
#
# Usage: check_emulators.sh BIN_DIR
# Exit 0 when both readers pass; 1 when one fails; 77 (skipped) when the shared folder or a
# tool the checks need is missing outside CI. In CI (CI=true) a missing piece fails.
set -u
[ $# -eq 1 ] || { echo "usage: $0 BIN_DIR" >&2; exit 2; }
build=$(readlink -f "$1")
here=$(cd "$(dirname "$0")" && pwd)
shared=${QUILLON_SHARED:-$here/../../../shared}
realclient=$shared/realclient

unavailable() {
    if [ "${CI:-}" = true ]; then
        echo "real-client check FAILED: $1"
        exit 1
    fi
    echo "real-client check SKIPPED: $1 (a fresh clone has no shared folder beside it;" \
         "set QUILLON_SHARED to one that holds realclient/)"
    exit 77
}

[ -d "$realclient" ] || unavailable "no $realclient"
for tool in cc python3 genisoimage chdman; do
    command -v "$tool" >/dev/null || unavailable "$tool is not installed"
done
[ -x /usr/games/pcsxr ] || command -v pcsxr >/dev/null || unavailable "pcsxr is not installed"

status=0
echo "== pcsxr (Debian)"
"$realclient/check-reads" "$build" | tail -1
[ "${PIPESTATUS[0]}" -eq 0 ] || status=1
echo "== PCSX ReARMed"
"$here/rearmed_cases.sh" "$realclient/rearmed" "$build" > /tmp/quillon-rearmed.$$.log 2>&1
rearmed=$?
tail -1 /tmp/quillon-rearmed.$$.log
[ $rearmed -eq 0 ] || { status=1; grep -E ': (FAIL|NOT)|^rearmed: not run' /tmp/quillon-rearmed.$$.log; }
rm -f /tmp/quillon-rearmed.$$.log
exit $status
