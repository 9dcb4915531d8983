# bash completion for tunewarden-cli

# The options each command takes (the tool refuses the others).
_tunewarden_cli_options() {
    local common="--max-offset --format --save-log --settings"
    case $1 in
        test) echo "$common --max-resync --no-bitrate-summary --deep" ;;
        info) echo "$common --tag-text" ;;
        test-dir) echo "$common -r --recurse --report-eof-errors --deep --move-to --repair-to" ;;
        repair) echo "$common" ;;
        catalog) echo "$common -r --recurse --delimiter --tag-text" ;;
        *) echo "$common -r --recurse --max-resync --no-bitrate-summary --report-eof-errors --deep --move-to --repair-to
                 --delimiter --tag-text -h --help -V --version" ;;
    esac
}

# $1 with the shell's quoting taken off, as the command will get it: quotes
# (an unclosed one too) and backslashes. Nothing is evaluated.
_tunewarden_cli_dequote() {
    local in=$1 out="" c quote="" i
    for ((i = 0; i < ${#in}; i++)); do
        c=${in:i:1}
        if [[ $quote == "'" ]]; then
            [[ $c == "'" ]] && quote="" || out+=$c
        elif [[ $c == '\' ]]; then
            ((i++))
            c=${in:i:1}
            # Within double quotes a backslash stays before most characters.
            [[ $quote == '"' && $c != [\\\"\$\`] ]] && out+='\'
            out+=$c
        elif [[ $c == "'" && -z $quote ]]; then
            quote="'"
        elif [[ $c == '"' ]]; then
            [[ -z $quote ]] && quote='"' || quote=""
        else
            out+=$c
        fi
    done
    printf '%s' "$out"
}

# Files (-f) or folders (-d) whose names begin with the word being typed, one
# per line, so that names with blanks stay whole; bash quotes them again.
_tunewarden_cli_paths() {
    local IFS=$'\n'
    compopt -o filenames 2>/dev/null
    COMPREPLY=($(compgen "$1" -- "$(_tunewarden_cli_dequote "$cur")"))
}

_tunewarden_cli() {
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}
    local i command=""
    for ((i = 1; i < COMP_CWORD; i++)); do
        case ${COMP_WORDS[i]} in
            test | info | test-dir | catalog | repair) command=${COMP_WORDS[i]}; break ;;
        esac
    done
    # "--format=j": bash splits the word at "=".
    if [[ $cur == "=" ]]; then
        cur=""
    elif [[ $prev == "=" ]]; then
        prev=${COMP_WORDS[COMP_CWORD-2]}
    fi
    COMPREPLY=()
    case $prev in
        --format)
            local formats="log jsonl"
            [[ $command == catalog || -z $command ]] && formats="log jsonl csv"
            COMPREPLY=($(compgen -W "$formats" -- "$cur"))
            return ;;
        --tag-text)
            COMPREPLY=($(compgen -W "utf8 blank" -- "$cur"))
            return ;;
        --delimiter)
            # Only tab: any other character may stand in a field, and a
            # comma-delimited catalog is no CSV (use --format csv for that).
            COMPREPLY=($(compgen -W "tab" -- "$cur"))
            return ;;
        --max-offset | --max-resync)
            return ;;
        --move-to | --repair-to)
            _tunewarden_cli_paths -d
            return ;;
        --save-log | --settings)
            _tunewarden_cli_paths -f
            return ;;
    esac
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$(_tunewarden_cli_options "$command")" -- "$cur"))
        return
    fi
    case $command in
        "") COMPREPLY=($(compgen -W "test info test-dir catalog repair" -- "$cur")) ;;
        test | info | repair) _tunewarden_cli_paths -f ;;
        *) _tunewarden_cli_paths -d ;;
    esac
}
complete -F _tunewarden_cli tunewarden-cli
