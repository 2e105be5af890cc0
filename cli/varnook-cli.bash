# bash completion for varnook-cli
_varnook_cli() {
    local cur prev words cword
    _init_completion || return

    local commands=" servers drives locks clear send logins user-info "
    local with_server=" clear send logins user-info "
    local options="--json --csv --watch --count --network --help --version"

    case "$prev" in
        --network)
            _filedir json
            return
            ;;
        --watch | --count | -m | --message)
            return
            ;;
    esac

    local command="" i arg=0
    for ((i = 1; i < cword; i++)); do
        if [[ -z $command && $commands == *" ${words[i]} "* ]]; then
            command=${words[i]}
        elif [[ -n $command && ${words[i]} != -* && ${words[i - 1]} != @(-m|--message|--watch|--count|--network) ]]; then
            ((arg++))
        fi
    done

    if [[ $cur == -* ]]; then
        case "$command" in
            clear | logins) options+=" --yes" ;;
            send) options+=" --message" ;;
        esac
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
    elif [[ -z $command ]]; then
        COMPREPLY=($(compgen -W "$commands" -- "$cur"))
    elif [[ $with_server == *" $command "* && $arg -eq 0 ]]; then
        # The servers the workstation is connected to, from the program itself.
        local servers
        servers=$("${words[0]}" servers --csv 2>/dev/null | tail -n +2 | cut -d, -f1)
        COMPREPLY=($(compgen -W "$servers" -- "$cur"))
    elif [[ $command == logins && $arg -eq 1 ]]; then
        COMPREPLY=($(compgen -W "enable disable" -- "$cur"))
    fi
}
complete -F _varnook_cli varnook-cli
