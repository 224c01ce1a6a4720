#!/usr/bin/env bash
# Times renaming photos by their date taken, and setting their modified time
# from it, as whole processes: torvane-cli beside exiftool, exiv2 and jhead
# (Debian's libimage-exiftool-perl, exiv2, jhead), each command on a fresh
# copy of the photos made before the clock starts, the commands in turn,
# ROUNDS times. Prints the median wall time and peak memory of each.
#
# Usage: bench/fields_bench.sh [BUILD-FOLDER] [N] [ROUNDS] [SIZE-KB]
#   N photos (default 10000) in one folder, each a JPEG with an EXIF
#   DateTimeOriginal of its own, SIZE-KB kilobytes large (default: a few
#   hundred bytes; 2048 for 2 MB photos, where reading only the metadata
#   matters).
#
# The photos are made here: a JPEG's marker structure written by Python,
# its DateTimeOriginal set once with the exiv2 tool, then copied with a
# different date patched into each copy's bytes. A tool that is missing is
# skipped.
set -euo pipefail
build=$(realpath "${1:-build}")
n=${2:-10000}
rounds=${3:-3}
size_kb=${4:-0}
cli="$build/src/cli/torvane-cli"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_STATE_HOME="$work/state"
export TZ=UTC

# The master set: N photos with their own dates, one minute and a second apart.
mkdir "$work/master"
python3 - "$work/template.jpg" "$size_kb" <<'EOF'
import sys
def seg(marker, body):
    return bytes([0xFF, marker, (len(body) + 2) >> 8, (len(body) + 2) & 0xFF]) + body
jpeg = b"\xFF\xD8" + seg(0xDB, b"\x00" + b"\x01" * 64)
jpeg += seg(0xC0, bytes([8, 0, 3, 0, 4, 1, 1, 0x11, 0]))
jpeg += seg(0xC4, b"\x00\x01" + b"\x00" * 15 + b"\x00")
jpeg += seg(0xDA, bytes([1, 1, 0, 0, 63, 0]))
jpeg += b"\x00" * (int(sys.argv[2]) * 1024) + b"\xFF\xD9"
open(sys.argv[1], "wb").write(jpeg)
EOF
exiv2 -M"set Exif.Photo.DateTimeOriginal 2021:07:03 14:05:09" "$work/template.jpg"
python3 - "$work/template.jpg" "$work/master" "$n" <<'EOF'
import datetime, sys
data = open(sys.argv[1], "rb").read()
at = data.index(b"2021:07:03 14:05:09")
start = datetime.datetime(2021, 7, 3, 14, 5, 9)
for i in range(int(sys.argv[3])):
    when = (start + datetime.timedelta(seconds=61 * i)).strftime("%Y:%m:%d %H:%M:%S").encode()
    with open(f"{sys.argv[2]}/IMG_{i + 1:06d}.jpg", "wb") as f:
        f.write(data[:at] + when + data[at + 19:])
EOF

fresh() {
    rm -rf "$work/f"
    cp -r "$work/master" "$work/f"
    sync
}

declare -A commands=(
    [rename:torvane-cli]="'$cli' . -Rename '^.*\$' '{taken:%Y%m%d_%H%M%S}' -Regex -Fields -Scope name -Apply -NoConfirm"
    [rename:exiftool]="exiftool -q '-FileName<DateTimeOriginal' -d '%Y%m%d_%H%M%S.%%e' ."
    [rename:exiv2]="exiv2 -q -r '%Y%m%d_%H%M%S' rename ./*.jpg"
    [rename:jhead]="jhead -q -n%Y%m%d_%H%M%S ./*.jpg"
    [modified:torvane-cli]="'$cli' . -Timestamp modified '^.*\$' '{taken}' -Regex -Fields -Apply -NoConfirm"
    [modified:exiftool]="exiftool -q '-FileModifyDate<DateTimeOriginal' ."
    [modified:exiv2]="exiv2 -q -T rename ./*.jpg"
    [modified:jhead]="jhead -q -ft ./*.jpg"
    [dry-run:torvane-cli]="'$cli' . -Rename '^.*\$' '{taken:%Y%m%d_%H%M%S}' -Regex -Fields -Scope name"
)
order=(rename:torvane-cli rename:exiftool rename:exiv2 rename:jhead
    modified:torvane-cli modified:exiftool modified:exiv2 modified:jhead dry-run:torvane-cli)

declare -A times memory done_count
for ((round = 1; round <= rounds; round++)); do
    for name in "${order[@]}"; do
        tool=${name#*:}
        [[ $tool == torvane-cli ]] || command -v "$tool" >/dev/null || continue
        fresh
        (cd "$work/f" && /usr/bin/time -o "$work/time" -f '%e %M' bash -c "${commands[$name]}" \
            >/dev/null 2>"$work/err" || true)
        result=$(tail -1 "$work/time")
        times[$name]+="${result% *} "
        memory[$name]+="${result#* } "
        # What the command did: photos renamed to their date, or given it as
        # their modified time (2021).
        if [[ $name == rename:* ]]; then
            done_count[$name]=$(find "$work/f" -name '2021*' | wc -l)
        elif [[ $name == modified:* ]]; then
            done_count[$name]=$(find "$work/f" -type f -newermt 2021-01-01 ! -newermt 2022-01-01 |
                wc -l)
        fi
    done
done

median() { tr ' ' '\n' | grep -v '^$' | sort -g | awk '{a[NR] = $1} END {print a[int((NR + 1) / 2)]}'; }
echo "$n photos, $((size_kb > 0 ? size_kb : 0)) KB of picture each, $rounds rounds (median)"
for name in "${order[@]}"; do
    [[ -n ${times[$name]:-} ]] || continue
    t=$(echo "${times[$name]}" | median)
    m=$(echo "${memory[$name]}" | median)
    printf '%-22s %8s s %8s MiB %6s done\n' "$name" "$t" "$((m / 1024))" "${done_count[$name]:--}"
done
