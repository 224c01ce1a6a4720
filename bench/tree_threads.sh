#!/usr/bin/env bash
# How a tree's job scales with threads: torvane-cli's plain rename with
# -Threads 1, 2 and 4 beside the bare rename loop (bench/bare_loops.cpp) and,
# when given, another build's torvane-cli (BASELINE), each on a fresh tree
# made before the clock starts, the commands in turn, ROUNDS times. Prints
# per command the wall times sorted and the mean user and system seconds.
#
# Usage: bench/tree_threads.sh [BUILD-FOLDER] [FOLDERSxFILES] [ROUNDS] [BASELINE]
set -euo pipefail
build=$(realpath "${1:-build}")
shape=${2:-200x200}
rounds=${3:-5}
base=${4:-}
cli="$build/src/cli/torvane-cli"
bare="$build/bench/bare_loops"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_STATE_HOME="$work/state"
printf '\xef\xbb\xbf%s\r\n' '$FileName<>FIND=IMG_<>REPL=Trip_<>SYMB=FALSE<>SNUM=0<>REGX=FALSE<>NAME=Trip<>' |
    iconv -f UTF-8 -t UTF-16LE >"$work/plain.tvt"
folders=${shape%x*}
per=${shape#*x}
fresh() {
    rm -rf "$work/f"
    mkdir "$work/f"
    (cd "$work/f" && seq -f "d%04g" 1 "$folders" | xargs mkdir &&
        for d in d*; do echo "$d"; done |
        awk -v per="$per" '{for (i = 1; i <= per; i++) printf "%s/IMG_%06d.jpg\n", $0, i}' |
            xargs touch)
    sync
}
names="bare t1 t2 t4"
[[ -n $base ]] && names="bare base t1 t2 t4"
for ((r = 0; r < rounds; r++)); do
    for c in $names; do
        fresh
        case $c in
        bare) cmd="$bare rename . IMG_ Trip_" ;;
        base) cmd="$base -SubFolders -Retrieve both ./ $work/plain.tvt -Apply -NoConfirm" ;;
        *) cmd="$cli -SubFolders -Retrieve both -Threads ${c#t} ./ $work/plain.tvt -Apply -NoConfirm" ;;
        esac
        (cd "$work/f" && /usr/bin/time -a -o "$work/times" -f "$c %e %U %S" bash -c "exec $cmd" >/dev/null)
    done
done
sort -k1,1 -k2g "$work/times" | awk '{n[$1]++; e[$1] = e[$1] " " $2; u[$1] += $3; s[$1] += $4}
    END {for (k in n) printf "%-5s walls:%s  user %.3f s  system %.3f s\n", k, e[k], u[k] / n[k], s[k] / n[k]}' | sort
