#!/usr/bin/env bash
# Times torvane-cli's jobs as whole processes beside the bare system-call
# loops of bench/bare_loops.cpp and the peer tools, each command on a fresh
# folder made before the clock starts, the commands in turn, ROUNDS times.
# Prints, per case, the median wall time and peak memory (/usr/bin/time) of
# each command and its ratio to the matching bare loop.
#
# Usage: bench/whole_program.sh [BUILD-FOLDER] [CASES] [ROUNDS]
#   CASES: a space-separated list of N (N files in one folder), treeN (N
#   files in 1,000 folders) and treeFxN (F folders of N files each); a tree's
#   jobs run torvane-cli with -SubFolders -Retrieve both. Default "20000" for
#   a quick run, e.g. "20000 100000 tree200x200 tree1000x100" for all.
#   THREADS (environment): a space-separated list of thread counts; for each,
#   the plain rename runs once more with -Threads N (cli-rename-tN), to show
#   how a tree's job scales with threads. BASELINE (environment): another
#   build's torvane-cli, whose jobs run too (base-*), for a before/after in
#   one run.
#
# The jobs: a plain rename (IMG_ -> Trip_), a regular expression with
# numbering (^IMG_(\d+) -> Trip_####), the modified year moved to 2020, Hidden
# + Archive on the .jpg files, and the dry run of the regular expression.
# Their floors: readdir + renameat2; readdir + statx + lgetxattr, then
# utimensat or lsetxattr; readdir + statx + lgetxattr and the expression over
# every name. Peers where installed: perl rename and mmv (Debian's `rename`
# and `mmv`), touch, setfattr (Debian's `attr`); a tool that is missing is
# skipped.
set -euo pipefail
build=$(realpath "${1:-build}")
cases=${2:-20000}
rounds=${3:-3}
cli="$build/src/cli/torvane-cli"
bare="$build/bench/bare_loops"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# torvane-cli keeps its job history as a user's would, in a folder of the run's own.
export XDG_STATE_HOME="$work/state"

# Task lists are UTF-16LE with a byte-order mark, one task a line.
tasklist() {
    printf '\xef\xbb\xbf%s\r\n' "$2" | iconv -f UTF-8 -t UTF-16LE >"$work/$1.tvt"
}
tasklist plain '$FileName<>FIND=IMG_<>REPL=Trip_<>SYMB=FALSE<>SNUM=0<>REGX=FALSE<>NAME=Trip<>'
tasklist regex '$FileName<>FIND=^IMG_(\d+)<>REPL=Trip_####<>SYMB=TRUE<>SNUM=1<>REGX=TRUE<>NAME=N<>'
tasklist times '$FileDate<>FORM=Modified<>FIND=^(\d\d)/(\d\d)/\d{4}<>REPL=$1/$2/2020<>REGX=TRUE<>NAME=Y<>'
tasklist attributes '$System<>FIND=.*\.jpg<>ATTR=34<>REGX=TRUE<>NAME=HA<>'

# A fresh folder of empty files: N in one folder, N in 1,000 folders, or F
# folders of N.
fresh() {
    rm -rf "$work/f"
    mkdir "$work/f"
    local layout=$1
    if [[ $layout == tree* ]]; then
        local shape=${layout#tree} folders=1000 per
        if [[ $shape == *x* ]]; then
            folders=${shape%x*}
            per=${shape#*x}
        else
            per=$((shape / 1000))
        fi
        (cd "$work/f" && seq -f "d%04g" 1 "$folders" | xargs mkdir &&
            for d in d*; do echo "$d"; done |
            awk -v per="$per" '{for (i = 1; i <= per; i++) printf "%s/IMG_%06d.jpg\n", $0, i}' |
                xargs touch)
    else
        (cd "$work/f" && seq -f "IMG_%06g.jpg" 1 "$layout" | xargs touch)
    fi
}

# name -> "matching bare loop|shell command run in the fresh folder"
declare -A commands
setup_commands() {
    local tree=$1 sub=""
    [[ $tree == 1 ]] && sub="-SubFolders -Retrieve both"
    commands=(
        [bare-rename]="bare-rename|$bare rename . IMG_ Trip_"
        [bare-times]="bare-times|$bare times ."
        [bare-attributes]="bare-attributes|$bare attributes ."
        [bare-list]="bare-list|$bare list . '^IMG_(\\d+)' 'Trip_\\1'"
        [cli-rename]="bare-rename|$cli $sub ./ $work/plain.tvt -Apply -NoConfirm"
        [cli-regex-number]="bare-rename|$cli $sub ./ $work/regex.tvt -Apply -NoConfirm"
        [cli-times]="bare-times|$cli $sub ./ $work/times.tvt -Apply -NoConfirm"
        [cli-attributes]="bare-attributes|$cli $sub ./ $work/attributes.tvt -Apply -NoConfirm"
        [cli-dry-run]="bare-list|$cli $sub ./ $work/regex.tvt"
    )
    # Names on standard input: 100,000 arguments exceed ARG_MAX.
    command -v rename >/dev/null &&
        commands[peer-perl-rename]="bare-rename|find . -name 'IMG_*' | rename 's{/IMG_([^/]*)\$}{/Trip_\$1}'"
    if command -v mmv >/dev/null; then
        if [[ $tree == 1 ]]; then
            commands[peer-mmv]="bare-rename|mmv ';IMG_*' '#1Trip_#2'"
        else
            commands[peer-mmv]="bare-rename|mmv 'IMG_*' 'Trip_#1'"
        fi
    fi
    # BASELINE: another build's torvane-cli, run beside this one on the same
    # folders (base-*), for a before/after in one run.
    if [[ -n ${BASELINE:-} ]]; then
        local name
        for name in cli-rename cli-regex-number cli-times cli-attributes cli-dry-run; do
            commands[base-${name#cli-}]=${commands[$name]//$cli/$BASELINE}
        done
    fi
    for t in ${THREADS:-}; do
        commands[cli-rename-t$t]="bare-rename|$cli $sub -Threads $t ./ $work/plain.tvt -Apply -NoConfirm"
    done
    commands[peer-touch]="bare-times|find . -type f -print0 | xargs -0 touch -h -m -d '2020-05-20 12:00'"
    command -v setfattr >/dev/null &&
        commands[peer-setfattr]="bare-attributes|find . -type f -print0 | xargs -0 setfattr -h -n user.DOSATTRIB -v 0x30783232"
    return 0
}

median() { tr ' ' '\n' | grep -v '^$' | sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

for layout in $cases; do
    tree=0
    [[ $layout == tree* ]] && tree=1
    setup_commands "$tree"
    declare -A times=() peaks=()
    for ((r = 0; r < rounds; r++)); do
        for name in "${!commands[@]}"; do
            fresh "$layout"
            cmd=${commands[$name]#*|}
            # The wall time to the millisecond (time's %e has two decimals).
            start=$(date +%s%N)
            (cd "$work/f" && /usr/bin/time -o "$work/time" -f '%M' bash -c "exec $cmd" \
                >/dev/null 2>"$work/err") || echo "note: $name exited non-zero: $(tail -2 "$work/err")" >&2
            end=$(date +%s%N)
            times[$name]+="$(awk -v ns=$((end - start)) 'BEGIN {printf "%.3f", ns / 1e9}') "
            peaks[$name]+="$(tail -1 "$work/time") "
        done
    done
    printf '\n%s (%s rounds, medians)\n' "$layout" "$rounds"
    printf '%-20s %8s %10s %8s  %s\n' command "wall s" "peak KiB" ratio "against"
    for name in $(printf '%s\n' "${!commands[@]}" | sort); do
        floor=${commands[$name]%%|*}
        t=$(median <<<"${times[$name]}")
        f=$(median <<<"${times[$floor]}")
        ratio=$(awk -v a="$t" -v b="$f" 'BEGIN {if (b > 0) printf "%.2fx", a / b; else print "-"}')
        printf '%-20s %8s %10s %8s  %s\n' "$name" "$t" "$(median <<<"${peaks[$name]}")" "$ratio" "$floor"
    done
    unset times peaks
done
