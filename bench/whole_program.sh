#!/usr/bin/env bash
# Times a rename of N files as a whole process: torvane-cli (dry run, and
# the job with -Apply -NoConfirm), the bare readdir + renameat2 loop, perl
# rename and mmv, each on a fresh folder made before the clock starts, in
# turn, ROUNDS times. Prints the median wall time and peak memory of each.
# Usage: bench/whole_program.sh [BUILD-FOLDER] [N] [ROUNDS]
# perl rename and mmv come from Debian's `rename` and `mmv` packages
# (scripts/install-deps installs them); a tool that is missing is skipped.
set -euo pipefail
build=$(realpath "${1:-build}")
count=${2:-20000}
rounds=${3:-5}
cli="$build/src/cli/torvane-cli"
bare="$build/bench/bare_rename"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A plain rename task list: "IMG_" becomes "Trip_" (UTF-16LE with its mark).
printf '\xef\xbb\xbf$FileName<>FIND=IMG_<>REPL=Trip_<>SYMB=FALSE<>SNUM=0<>REGX=FALSE<>NAME=Trip<>\r\n' |
    iconv -f UTF-8 -t UTF-16LE >"$work/trip.tvt"

fresh() {
    rm -rf "$work/f"
    mkdir "$work/f"
    (cd "$work/f" && seq -f "IMG_%06g.jpg" 1 "$count" | xargs touch)
}

declare -A commands=(
    [torvane-cli-dry-run]="$cli $work/f/ $work/trip.tvt"
    [torvane-cli-apply]="$cli $work/f/ $work/trip.tvt -Apply -NoConfirm"
    [bare-loop]="$bare $work/f IMG_ Trip_"
)
command -v rename >/dev/null && commands[perl-rename]="rename"
command -v mmv >/dev/null && commands[mmv]="mmv IMG_* Trip_#1"

declare -A times peaks
for ((r = 0; r < rounds; r++)); do
    for name in "${!commands[@]}"; do
        fresh
        cmd=${commands[$name]}
        case $name in
            # The names on standard input: 100,000 arguments exceed ARG_MAX.
            perl-rename) run=(bash -c "cd $work/f && printf '%s\\n' IMG_* | rename 's/^IMG_/Trip_/'") ;;
            mmv) run=(bash -c "cd $work/f && exec mmv 'IMG_*' 'Trip_#1'") ;;
            *) read -ra run <<<"$cmd" ;;
        esac
        /usr/bin/time -o "$work/time" -f '%e %M' "${run[@]}" >/dev/null 2>&1 || true
        out=$(tail -1 "$work/time")
        times[$name]+="${out% *} "
        peaks[$name]+="${out#* } "
    done
done

median() { tr ' ' '\n' | grep -v '^$' | sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
printf '%-22s %10s %12s  (%s files, %s rounds, median)\n' tool "wall s" "peak KiB" "$count" "$rounds"
for name in $(printf '%s\n' "${!commands[@]}" | sort); do
    printf '%-22s %10s %12s\n' "$name" "$(median <<<"${times[$name]}")" "$(median <<<"${peaks[$name]}")"
done
