# bash completion for varnook-cli
_varnook_cli() {
    local cur prev words cword
    _init_completion || return

    local commands=" servers drives "
    local options="--json --csv --watch --count --network --help --version"

    case "$prev" in
        --network)
            _filedir json
            return
            ;;
        --watch | --count)
            return
            ;;
    esac

    local command="" i
    for ((i = 1; i < cword; i++)); do
        if [[ " $commands " == *" ${words[i]} "* ]]; then
            command=${words[i]}
            break
        fi
    done

    if [[ $cur == -* || -n $command ]]; then
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
    else
        COMPREPLY=($(compgen -W "$commands" -- "$cur"))
    fi
}
complete -F _varnook_cli varnook-cli
