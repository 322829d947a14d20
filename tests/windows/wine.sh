#!/usr/bin/env bash
# Runs a Windows program under Wine: the cross-compiling emulator of the Windows build
# (its tests) and of the checks in this folder. A Wine prefix of the project's own, made
# on first use (once, when several start together); no Mono or Gecko installers.
export WINEPREFIX=${QUILLON_WINEPREFIX:-${TMPDIR:-/tmp}/quillon-wine-$(id -u)}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml=${WINEDLLOVERRIDES:+;$WINEDLLOVERRIDES}"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  flock "$WINEPREFIX.lock" sh -c '[ -f "$WINEPREFIX/system.reg" ] || wineboot -i >/dev/null 2>&1'
fi
exec wine "$@"
