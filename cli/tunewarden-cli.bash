# bash completion for tunewarden-cli
_tunewarden_cli() {
    local cur prev
    cur=${COMP_WORDS[COMP_CWORD]}
    prev=${COMP_WORDS[COMP_CWORD-1]}
    case $prev in
        --format)
            COMPREPLY=($(compgen -W "log jsonl csv" -- "$cur"))
            return ;;
        --tag-text)
            COMPREPLY=($(compgen -W "blank utf8" -- "$cur"))
            return ;;
        --delimiter)
            COMPREPLY=($(compgen -W "tab , ;" -- "$cur"))
            return ;;
        --max-offset|--max-resync)
            return ;;
        --move-to)
            COMPREPLY=($(compgen -d -- "$cur"))
            return ;;
        --save-log|--settings)
            COMPREPLY=($(compgen -f -- "$cur"))
            return ;;
    esac
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "-r --recurse --max-offset --max-resync --no-bitrate-summary
            --report-eof-errors --deep --move-to --delimiter --format --tag-text --save-log --settings
            -h --help -V --version" -- "$cur"))
        return
    fi
    local i command=""
    for ((i = 1; i < COMP_CWORD; i++)); do
        case ${COMP_WORDS[i]} in
            test|info|test-dir|catalog) command=${COMP_WORDS[i]}; break ;;
        esac
    done
    case $command in
        "") COMPREPLY=($(compgen -W "test info test-dir catalog" -- "$cur")) ;;
        test|info) COMPREPLY=($(compgen -f -- "$cur")) ;;
        *) COMPREPLY=($(compgen -d -- "$cur")) ;;
    esac
}
complete -o filenames -F _tunewarden_cli tunewarden-cli
