#!/usr/bin/env bash
# Boots a test disc in PCSX ReARMed (its libretro core and its own reader of PBP containers,
# with its built-in BIOS) from containers that BIN_DIR's quillon-cli makes, and checks that
# every sector of the disc's program came through: levels 0, 1 and 9, a PAL-patched finish,
# a cue sheet with an audio track, both discs of a playlist, a LibCrypt sidecar, a CHD of
# the disc (made by chdman), and three corrupted copies that must not boot.
#
# Usage: rearmed_cases.sh [--strict] ASSETS BIN_DIR
#   ASSETS holds the core (pcsx_rearmed_libretro.so), its front end run-core.c and the disc
#   maker retro-disc.py. Env: SEED=N the same discs again, KEEP=1 keep the work folder.
#
# A container passes when the core says "Loaded CD Image: ...[+pbp]", lists "Track 01 DATA -
# Start 00:02:00, Length L" (L from the table of contents), reads the volume label (sector
# 16), SYSTEM.CNF and the EXE through the block index, boots the EXE and the RAM holds the
# tag and the sum that the EXE computed over its payload. Level 0 is reported, not counted
# (unless --strict): this reader inflates every block, so stored blocks cannot be read.
# The corrupted copies: prev (the block of SYSTEM.CNF points at the previous block's data),
# plus1 (the EXE's last block one byte off), end0 (the index cut after the image's last
# block with an end entry of offset 0, as in containers written before the end entry and
# the blocks past the image's end): each must not boot correctly.
set -u
strict=0
[ "${1:-}" = --strict ] && { strict=1; shift; }
[ $# -eq 2 ] || { echo "usage: $0 [--strict] ASSETS BIN_DIR" >&2; exit 2; }
here=$(readlink -f "$1")
build=$(readlink -f "$2")
core=$here/pcsx_rearmed_libretro.so
REARMED_COMMIT=$(cat "$here/COMMIT" 2>/dev/null)
for f in "$build/quillon-cli" "$build/Files/popstation"; do
    [ -x "$f" ] || { echo "rearmed: not run (no $f)"; exit 2; }
done
[ -f "$core" ] || { echo "rearmed: not run (no core at $core)"; exit 2; }
for t in genisoimage python3 cc chdman; do
    command -v "$t" >/dev/null || { echo "rearmed: not run (no $t)"; exit 2; }
done

w=$(mktemp -d /tmp/check-rearmed.XXXXXX)
[ -n "${KEEP:-}" ] && echo "work folder kept: $w" || trap 'rm -rf "$w"' EXIT
mkdir -p "$w/prog"
cp -a "$build/quillon-cli" "$build/Files" "$w/prog/"
[ -d "$build/Pics" ] && cp -a "$build/Pics" "$w/prog/"
cc -O2 -o "$w/run-core" "$here/run-core.c" -ldl -lpthread || { echo "rearmed: not run (frontend build failed)"; exit 2; }
disc() { python3 "$here/retro-disc.py" "$@"; }
seed=${SEED:-$RANDOM$RANDOM}
disc make "$w/d1" "$seed" >/dev/null && disc make "$w/d2" "$((seed + 1))" >/dev/null \
    || { echo "rearmed: not run (disc)"; exit 2; }
rm -rf "$w"/d[12]/disc.iso "$w"/d[12]/tree
exp() { sed -n "s/^$2=//p" "$w/$1/expect"; }
label=$(exp d1 label); id=$(exp d1 id); exe=$(exp d1 exe); tag=$(exp d1 tag); sum=$(exp d1 sum)
pal_sum=$(exp d1 pal_sum); cnf=$(exp d1 cnf_sector); last=$(exp d1 exe_last); n=$(exp d1 sectors)
msf() { printf '%02d:%02d:%02d' $(($1 / 4500)) $(($1 / 75 % 60)) $(($1 % 75)); }
echo "core: $core${REARMED_COMMIT:+ (commit $REARMED_COMMIT)}"
echo "disc 1: $n sectors ($((n / 16)) blocks + $((n % 16)) sectors); label $label; SYSTEM.CNF at sector $cnf," \
     "EXE up to sector $last (the last); tag $tag, sum $sum, patched sum $pal_sum"
echo "disc 2: label $(exp d2 label), tag $(exp d2 tag), sum $(exp d2 sum)"

# convert NAME SOURCE ARGS...: quillon-cli convert into $w/out-NAME; sets $pbp (empty if none)
convert() {
    local name=$1 src=$2; shift 2
    mkdir -p "$w/out-$name"
    "$w/prog/quillon-cli" --program-folder "$w/prog" convert "$src" --output "$w/out-$name" "$@" \
        >"$w/conv-$name.out" 2>"$w/conv-$name.err"
    local rc=$?
    pbp=$(find "$w/out-$name" -name EBOOT.PBP | head -1)
    echo "quillon-cli convert ($name): exit $rc, status line \"$(tail -1 "$w/conv-$name.out")\"" \
         "$(tr '\n' ' ' < "$w/conv-$name.err" | head -c 300)"
}

# boot NAME PBP [run-core args]: run the core; log $w/NAME.log, RAM $w/NAME.ram;
# sets $verdict (OK or what is missing) and $res (the RAM result line).
# Expects the disc of $d (d1 by default) and the sum $want (default: that disc's sum).
boot() {
    local name=$1 pbp=$2 log=$w/$1.log miss="" d=${d:-d1}; shift 2
    local lab; lab=$(exp "$d" label)
    local wtag; wtag=$(exp "$d" tag)
    local wsum=${want:-$(exp "$d" sum)}
    timeout 120 "$w/run-core" -n 60 -r "$w/$name.ram" "$@" "$core" "$pbp" >"$log" 2>&1
    echo "--- ReARMed on $name: (run-core exit $?)"
    [ -z "${shown:-}" ] && { grep -am1 '^run-core: core ' "$log"; shown=1; }
    grep -aE 'Loaded CD Image|^\[INFO\] Track|^\[INFO\] End|CD-ROM|manual booting|uncompress|too large|past img|read failed|error|ERROR|refused|disk control|switching|re-read|bad psar' \
        "$log" | grep -av 'doesn.t exist - creating' | head -30
    res=$( [ -f "$w/$name.ram" ] && disc result "$w/$name.ram" || echo "result none (no RAM dump)")
    echo "$res (expected tag=$wtag sum=$wsum)"
    grep -aq '\[+pbp\]' "$log" || miss="$miss container-not-recognised"
    [ "${toc:-1}" = 1 ] && { grep -aqF "Track 01 DATA  - Start 00:02:00, Length $(msf $((n + 150)))" "$log" || miss="$miss toc"; }
    grep -aqE "CD-ROM Label: $lab *\$" "$log" || miss="$miss label(sector-16)"
    grep -aqx "\[INFO\] CD-ROM ID: $id" "$log" || miss="$miss id(SYSTEM.CNF)"
    grep -aqx "\[INFO\] CD-ROM EXE Name: $exe" "$log" || miss="$miss exe-name"
    grep -aqF "manual booting '$exe' pc=80010000" "$log" || miss="$miss no-boot"
    case $res in
    "result tag=$wtag sum=$wsum") ;;
    "result tag=$wtag "*) miss="$miss wrong-sum(${res##*sum=})" ;;
    "result none"*) miss="$miss no-result-in-RAM" ;;
    *) miss="$miss wrong-disc(${res#result })" ;;
    esac
    verdict=${miss:-OK}; verdict=${verdict# }
}
err_line() { grep -aoE 'uncompress failed with [-0-9]+ for block [0-9]+, sector [0-9]+|block [0-9]+ is too large: [0-9]+|sector [0-9]+ is past img end|unsupported/invalid CD image|could not load CD[^"]*' "$w/$1.log" | head -1; }

fail=0
declare -A pbps r
# ---- levels 0, 1, 9
for lv in 0 1 9; do
    convert "level$lv" "$w/d1/disc.bin" --compression $lv
    pbps[$lv]=$pbp
    if [ -z "$pbp" ]; then r[level$lv]="FAIL(no container)"; fail=1; continue; fi
    disc blocks "$pbp" 16 "$cnf" "$last" | sed "s/^/level $lv /"
    python3 - "$pbp" "$n" <<'PY' || { r[level$lv]="FAIL(index)"; fail=1; }
import struct, sys
d = open(sys.argv[1], 'rb').read()
sectors = int(sys.argv[2])
psar = struct.unpack_from('<I', d, 0x24)[0]
pos, total, count = psar + 0x4000, 0, 0
while True:
    off, size = struct.unpack_from('<IH', d, pos)
    if size == 0:
        break
    total += size; count += 1; pos += 32
print("index end entry (after %d blocks): offset 0x%x, stored sizes sum to 0x%x%s"
      % (count, off, total, "" if off == total else "  <-- DIFFERENT"))
print("the index covers %d sectors: the image's %d and %d past its end (at least 150 wanted)"
      % (count * 16, sectors, count * 16 - sectors))
sys.exit(0 if off == total and count * 16 >= sectors + 150 else 1)
PY
    boot "level$lv" "$pbp"
    [ "${r[level$lv]:-}" = "FAIL(index)" ] || r[level$lv]=$verdict
    if [ "$verdict" != OK ]; then
        e=$(err_line "level$lv")
        if [ $lv = 0 ] && [ $strict = 0 ] && [[ $e =~ ^uncompress\ failed\ with\ -3\ for\ block\ ([0-9]+),\ sector\ ([0-9]+)$ ]] \
           && disc blocks "$pbp" "${BASH_REMATCH[2]}" | grep -q "block ${BASH_REMATCH[1]} stored" \
           && [ "$verdict" = "${verdict/toc/}" ] && [ "$verdict" = "${verdict/container-not/}" ]; then
            r[level0]="unreadable($e; TOC OK)"
        else
            r[level$lv]="FAIL($verdict${e:+; $e})"; fail=1
        fi
    fi
    echo "level$lv: ${r[level$lv]}"
done

# ---- PAL-patched finish of the level-9 container
if [ -n "${pbps[9]}" ]; then
    convert pal "${pbps[9]}" --pal-fix
    if [ -z "$pbp" ]; then r[pal]="FAIL(no container)"; fail=1
    else
        want=$pal_sum boot pal "$pbp"
        r[pal]=$verdict
        if [ "$verdict" != OK ]; then
            e=$(err_line pal)
            case $verdict in
            *"wrong-sum($sum)"*) r[pal]="FAIL(unpatched sum: the image was not patched; $verdict)" ;;
            *) r[pal]="FAIL($verdict${e:+; $e})" ;;
            esac
            fail=1
        fi
    fi
else r[pal]="FAIL(no level-9 container)"; fail=1; fi
echo "pal: ${r[pal]}"

# ---- cue sheet: data + audio
head -c $((450 * 2352)) /dev/urandom > "$w/d1/track2.bin"
printf 'FILE "disc.bin" BINARY\r\n  TRACK 01 MODE2/2352\r\n    INDEX 01 00:00:00\r\nFILE "track2.bin" BINARY\r\n  TRACK 02 AUDIO\r\n    INDEX 00 00:00:00\r\n    INDEX 01 00:02:00\r\n' > "$w/d1/game.cue"
convert cue "$w/d1/game.cue" --compression 9 --title Check --save-title Check --id-prefix SLUS --id-number 99004
if [ -z "$pbp" ]; then r[cue]="FAIL(no container)"; fail=1
else
    toc=0 boot cue "$pbp"
    v=$verdict; [ "$v" = OK ] && v=""
    tracks=$(grep -ac '^\[INFO\] Track ' "$w/cue.log")
    grep -aqF "Track 01 DATA  - Start 00:02:00," "$w/cue.log" || v="$v track1"
    grep -aqF "Track 02 AUDIO - Start $(msf $((n + 150 + 150)))," "$w/cue.log" || v="$v track2(AUDIO at $(msf $((n + 300))))"
    [ "$tracks" = 2 ] || v="$v $tracks-tracks"
    v=${v# }
    if [ -z "$v" ]; then r[cue]="OK(2 tracks)"; else r[cue]="FAIL($v)"; fail=1; fi
fi
echo "cue: ${r[cue]}"

# ---- two discs
printf 'd1/disc.bin\nd2/disc.bin\n' > "$w/game.m3u"
convert m3u "$w/game.m3u" --compression 9 --title Check --save-title Check --id-prefix SLUS --id-number 99004
if [ -z "$pbp" ]; then r[m3u]="FAIL(no container)"; fail=1
else
    boot m3u "$pbp" -s "1:$w/m3u-disc2.ram"
    v=$verdict; [ "$v" = OK ] && v=""
    grep -aqF "disk control: 2 image(s), current 0" "$w/m3u.log" || v="$v not-2-images"
    # disc 2, after the switch
    l2=$(exp d2 label); t2=$(exp d2 tag); s2=$(exp d2 sum); n2=$(exp d2 sectors)
    after=$(sed -n '/switching to image 1/,$p' "$w/m3u.log")
    res2=$( [ -f "$w/m3u-disc2.ram" ] && disc result "$w/m3u-disc2.ram" || echo "result none (no RAM dump)")
    echo "disc 2 after the switch: $res2 (expected tag=$t2 sum=$s2)"
    printf '%s\n' "$after" | grep -aqE "CD-ROM Label: $l2 *\$" || v="$v disc2-label"
    printf '%s\n' "$after" | grep -aqF "Track 01 DATA  - Start 00:02:00, Length $(msf $((n2 + 150)))" || v="$v disc2-toc"
    printf '%s\n' "$after" | grep -aqF "manual booting '$exe' pc=80010000" || v="$v disc2-no-boot"
    [ "$res2" = "result tag=$t2 sum=$s2" ] || v="$v disc2-result(${res2#result })"
    v=${v# }
    if [ -z "$v" ]; then r[m3u]=OK; else r[m3u]="FAIL($v)"; fail=1; fi
fi
echo "m3u: ${r[m3u]}"

# ---- a LibCrypt sidecar beside the source: the core must take EBOOT.sbi beside the container
mkdir -p "$w/sbi"
cp "$w/d1/disc.bin" "$w/sbi/game.bin"
python3 - "$w/sbi/game.sbi" <<'PY'
import sys
def bcd(v): return (v // 10) << 4 | v % 10
record = lambda lba: bytes([bcd(lba // 4500), bcd(lba // 75 % 60), bcd(lba % 75), 1]) + bytes(10)
open(sys.argv[1], 'wb').write(b"SBI\0" + record(1150) + record(1151))
PY
convert sbi "$w/sbi/game.bin" --compression 9
if [ -z "$pbp" ]; then r[sbi]="FAIL(no container)"; fail=1
elif ! cmp -s "$w/sbi/game.sbi" "$(dirname "$pbp")/EBOOT.sbi"; then r[sbi]="FAIL(no EBOOT.sbi beside the container)"; fail=1
else
    boot sbi "$pbp"
    v=$verdict; [ "$v" = OK ] && v=""
    grep -aqF "EBOOT.PBP[+pbp][+sbi]" "$w/sbi.log" || v="$v sidecar-not-loaded"
    v=${v# }
    if [ -z "$v" ]; then r[sbi]=OK; else r[sbi]="FAIL($v)"; fail=1; fi
fi
echo "sbi: ${r[sbi]}"

# ---- a CHD of the disc (chdman createcd from a cue sheet of disc.bin), at level 9
mkdir -p "$w/chd"
printf 'FILE "disc.bin" BINARY\r\n  TRACK 01 MODE2/2352\r\n    INDEX 01 00:00:00\r\n' > "$w/d1/disc.cue"
if ! chdman createcd -i "$w/d1/disc.cue" -o "$w/chd/game.chd" >"$w/chdman.log" 2>&1; then
    r[chd]="FAIL(chdman: $(tail -1 "$w/chdman.log"))"; fail=1
else
    convert chd "$w/chd/game.chd" --compression 9
    if [ -z "$pbp" ]; then r[chd]="FAIL(no container)"; fail=1
    else
        boot chd "$pbp"
        r[chd]=$verdict
        if [ "$verdict" != OK ]; then e=$(err_line chd); r[chd]="FAIL($verdict${e:+; $e})"; fail=1; fi
    fi
fi
echo "chd: ${r[chd]}"

# ---- corrupted indexes
rc=""
if [ -n "${pbps[9]}" ]; then
    for how in prev:$cnf plus1:$last end0:-; do
        kind=${how%%:*}
        if [ $kind = end0 ]; then
            python3 - "${pbps[9]}" "$w/bad.PBP" "$n" <<'PY'
import struct, sys
d = bytearray(open(sys.argv[1], 'rb').read())
psar = struct.unpack_from('<I', d, 0x24)[0]
sectors = int(sys.argv[3])
image_blocks = (sectors + 15) // 16
pos = psar + 0x4000 + 32 * image_blocks
d[pos:pos + 32] = bytes(32)
print("corrupted: index cut after the image's %d blocks, its end entry of offset 0" % image_blocks)
open(sys.argv[2], 'wb').write(d)
PY
        else
            disc corrupt "${pbps[9]}" "$w/bad.PBP" "${how#*:}" "$kind"
        fi
        boot "bad-$kind" "$w/bad.PBP"
        e=$(err_line "bad-$kind")
        if [ "$verdict" = OK ]; then rc="$rc $kind:NOT-CAUGHT"; fail=1; echo "bad-$kind: NOT CAUGHT (booted, right sum)"
        else rc="$rc $kind:caught"; echo "bad-$kind: caught: $verdict${e:+; $e}"; fi
    done
else rc=" not-run"; fail=1; fi
case $rc in *NOT-CAUGHT*|*not-run*) corrupt="corrupt:${rc# }" ;; *) corrupt="corrupt:caught" ;; esac
[ "$corrupt" = "corrupt:caught" ] && echo "corrupted level-9 index:$rc"

echo "rearmed: level0 ${r[level0]} level1 ${r[level1]} level9 ${r[level9]} pal ${r[pal]} cue ${r[cue]} m3u ${r[m3u]} sbi ${r[sbi]} chd ${r[chd]} $corrupt"
exit $fail
