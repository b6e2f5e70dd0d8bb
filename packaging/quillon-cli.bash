# bash completion for quillon-cli: commands, then each command's options.
_quillon_cli() {
    local cur prev words cword
    _init_completion || return
    if [[ $cword -eq 1 ]]; then
        COMPREPLY=($(compgen -W 'identity tags read watch --help --version' -- "$cur"))
        return
    fi
    case $prev in
        --timeout | --interval | --filter | --program) return ;;
    esac
    local options='--timeout --help'
    case ${words[1]} in
        tags) options+=' --program --all-programs --tree --json --csv --filter' ;;
        read) options+=' --json' ;;
        watch) options+=' --interval' ;;
    esac
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
    else
        _known_hosts_real -- "$cur"
    fi
} &&
    complete -F _quillon_cli quillon-cli
