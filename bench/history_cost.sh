#!/usr/bin/env bash
# What the job history costs a user: torvane-cli renaming N files with the
# history on and with it off (History=0 in a config.ini beside a copy of the
# program), and the undo of the job with the history on, each a whole process
# on a fresh folder made before the clock starts, in turn, ROUNDS times.
# Prints the median wall time and peak memory of each (/usr/bin/time), the
# ratio on/off, the ratio undo/job, and the history file's size.
#
# Usage: bench/history_cost.sh [BUILD-FOLDER] [N] [ROUNDS]
set -euo pipefail
build=$(realpath "${1:-build}")
n=${2:-100000}
rounds=${3:-5}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

mkdir -p "$work/on" "$work/off"
cp "$build/src/cli/torvane-cli" "$work/on/"
cp "$build/src/cli/torvane-cli" "$work/off/"
printf '\xef\xbb\xbfHistory=0\n' >"$work/off/config.ini"
printf '\xef\xbb\xbf%s\r\n' '$FileName<>FIND=IMG_<>REPL=Trip_<>SYMB=FALSE<>SNUM=0<>REGX=FALSE<>NAME=Trip<>' |
    iconv -f UTF-8 -t UTF-16LE >"$work/plain.tvt"

fresh() {
    rm -rf "$work/f"
    mkdir "$work/f"
    (cd "$work/f" && seq -f "IMG_%06g.jpg" 1 "$n" | xargs touch)
    sync
}

# Runs a command under /usr/bin/time; appends "seconds kilobytes" to $1.
timed() {
    local out=$1
    shift
    /usr/bin/time -f "%e %M" -o "$work/t" "$@" >/dev/null 2>"$work/err" ||
        { cat "$work/err" >&2; exit 1; }
    cat "$work/t" >>"$out"
}

: >"$work/off.t"
: >"$work/on.t"
: >"$work/undo.t"
for ((r = 1; r <= rounds; r++)); do
    rm -rf "$work/state"
    fresh
    timed "$work/off.t" env XDG_STATE_HOME="$work/state" "$work/off/torvane-cli" "$work/f" \
        "$work/plain.tvt" -Apply -NoConfirm
    fresh
    timed "$work/on.t" env XDG_STATE_HOME="$work/state" "$work/on/torvane-cli" "$work/f" \
        "$work/plain.tvt" -Apply -NoConfirm
    timed "$work/undo.t" env XDG_STATE_HOME="$work/state" "$work/on/torvane-cli" -Undo -Apply \
        -NoConfirm
    [[ -e $work/f/IMG_000001.jpg ]] || { echo "the undo did not restore the names" >&2; exit 1; }
done

median() { sort -n | awk '{a[NR] = $1} END {print (NR % 2 ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2)}'; }
report() {
    local name=$1 file=$2
    local s m
    s=$(cut -d' ' -f1 "$file" | median)
    m=$(cut -d' ' -f2 "$file" | median)
    awk -v n="$name" -v s="$s" -v m="$m" 'BEGIN {printf "%-28s %6.2f s  %6.1f MiB\n", n, s, m / 1024}'
}
echo "torvane-cli rename of $n files, $rounds rounds, medians:"
report "history off" "$work/off.t"
report "history on" "$work/on.t"
report "undo (history on)" "$work/undo.t"
off=$(cut -d' ' -f1 "$work/off.t" | median)
on=$(cut -d' ' -f1 "$work/on.t" | median)
undo=$(cut -d' ' -f1 "$work/undo.t" | median)
awk -v on="$on" -v off="$off" -v undo="$undo" \
    'BEGIN {printf "on / off: %.2fx   undo / job: %.2fx\n", on / off, undo / on}'
du -sh "$work/state/torvane" | awk '{print "history folder after one job and its undo: " $1}'
