# bash completion for torvane-cli: source this file, or install it as
# /usr/share/bash-completion/completions/torvane-cli.
_torvane_cli() {
    local cur prev words cword
    if declare -F _init_completion >/dev/null; then
        _init_completion || return
    else
        cur=${COMP_WORDS[COMP_CWORD]}
        prev=${COMP_WORDS[COMP_CWORD-1]}
    fi
    local switches="-FilePath -TaskList -Apply -NoConfirm -Quit -SkipProblems -Retrieve
        -SubFolders -Hidden -Change -Rename -Timestamp -Attributes -Regex -Number -Name
        -Save -History -Undo --help -h --version"
    # The word two back, for the second value of a task switch.
    local prev2=""
    (( COMP_CWORD >= 2 )) && prev2=${COMP_WORDS[COMP_CWORD-2]}
    case "${prev,,}" in
        -retrieve|/retrieve|-change|/change)
            COMPREPLY=($(compgen -W "files folders both" -- "$cur")); return ;;
        -hidden|/hidden)
            COMPREPLY=($(compgen -W "none hidden hidden-no-system system all" -- "$cur")); return ;;
        -timestamp|/timestamp)
            COMPREPLY=($(compgen -W "created modified accessed" -- "$cur")); return ;;
        -tasklist|/tasklist|-save|/save)
            COMPREPLY=($(compgen -f -X '!*.[tT][vV][tT]' -- "$cur") $(compgen -d -- "$cur"))
            return ;;
        -filepath|/filepath)
            COMPREPLY=($(compgen -f -- "$cur")); return ;;
        -number|/number|-name|/name|-rename|/rename)
            return ;;
        -undo|/undo)
            COMPREPLY=($(compgen -W "-Apply -NoConfirm -SkipProblems" -- "$cur")); return ;;
    esac
    case "${prev2,,}" in
        -attributes|/attributes)
            COMPREPLY=($(compgen -W "+ReadOnly +Hidden +System +Archive +Compress -Index
                +Encrypt +R +H +S +A +C +I +E none" -- "$cur")); return ;;
        -rename|/rename|-timestamp|/timestamp)
            return ;;
    esac
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$switches" -- "$cur"))
        return
    fi
    COMPREPLY=($(compgen -f -- "$cur"))
}
complete -o filenames -F _torvane_cli torvane-cli
