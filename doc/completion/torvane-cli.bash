# bash completion for torvane-cli: source this file, or install it as
# /usr/share/bash-completion/completions/torvane-cli.
# Made from the switch table by torvane-cli-completion: do not edit.
_torvane_cli() {
    local cur prev words cword
    if declare -F _init_completion >/dev/null; then
        _init_completion || return
    else
        cur=${COMP_WORDS[COMP_CWORD]}
        prev=${COMP_WORDS[COMP_CWORD-1]}
    fi
    local switches="-FilePath -TaskList -Apply -NoConfirm -Quit -? -Retrieve -SubFolders -Hidden -Change -Case -SkipProblems -Threads -Rename -Timestamp -Attributes -Regex -Wildcard -Fields -Scope -NumberBy -Number -Name -Save -History -Undo --help -Help -h --version --apply --no-confirm --skip-problems --dry-run -n"
    # The word two back, for the second value of a switch.
    local prev2=""
    (( COMP_CWORD >= 2 )) && prev2=${COMP_WORDS[COMP_CWORD-2]}
    case "${prev,,}" in
        -filepath|/filepath)
            COMPREPLY=($(compgen -f -- "$cur")); return ;;
        -tasklist|/tasklist)
            COMPREPLY=($(compgen -f -X '!*.[tT][vV][tT]' -- "$cur") $(compgen -d -- "$cur")); return ;;
        -retrieve|/retrieve)
            COMPREPLY=($(compgen -W "files folders both" -- "$cur")); return ;;
        -hidden|/hidden)
            COMPREPLY=($(compgen -W "none hidden hidden-no-system system all" -- "$cur")); return ;;
        -change|/change)
            COMPREPLY=($(compgen -W "files folders both" -- "$cur")); return ;;
        -case|/case)
            COMPREPLY=($(compgen -W "sensitive ignore" -- "$cur")); return ;;
        -threads|/threads)
            return ;;
        -rename|/rename)
            return ;;
        -timestamp|/timestamp)
            COMPREPLY=($(compgen -W "created modified accessed" -- "$cur")); return ;;
        -attributes|/attributes)
            return ;;
        -scope|/scope)
            COMPREPLY=($(compgen -W "whole name ext" -- "$cur")); return ;;
        -numberby|/numberby)
            COMPREPLY=($(compgen -W "taken modified created size name" -- "$cur")); return ;;
        -number|/number)
            return ;;
        -name|/name)
            return ;;
        -save|/save)
            COMPREPLY=($(compgen -f -X '!*.[tT][vV][tT]' -- "$cur") $(compgen -d -- "$cur")); return ;;
        -undo|/undo)
            COMPREPLY=($(compgen -W "-Apply -NoConfirm -SkipProblems" -- "$cur")); return ;;
    esac
    case "${prev2,,}" in
        -rename|/rename)
            return ;;
        -timestamp|/timestamp)
            return ;;
        -attributes|/attributes)
            COMPREPLY=($(compgen -W "+ReadOnly +Hidden +System +Archive +Compress -Index +Encrypt +R +H +S +A +C +I +E none" -- "$cur")); return ;;
    esac
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$switches" -- "$cur"))
        return
    fi
    COMPREPLY=($(compgen -f -- "$cur"))
}
complete -o filenames -F _torvane_cli torvane-cli
