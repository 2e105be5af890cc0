# bash completion for varnook-cli
_varnook_cli() {
    local cur prev words cword
    _init_completion || return

    local commands=" servers drives who-has files-of open-files connections locks clear send logins user-info volume "
    local volume_commands=" info ls trustees limits grant revoke irm limit dirlimit salvage purge mkdir rm mv cp attrib "
    local with_server=" files-of open-files connections clear send logins user-info "
    local options="--json --csv --watch --count --network --workstation --password-file --help --version"

    case "$prev" in
        --network | --workstation)
            _filedir json
            return
            ;;
        --password-file)
            _filedir
            return
            ;;
        --watch | --count | --timeout | -m | --message | --user | --path | --wait-free | --id | --as)
            return
            ;;
    esac

    local command="" i arg=0
    for ((i = 1; i < cword; i++)); do
        if [[ -z $command && $commands == *" ${words[i]} "* ]]; then
            command=${words[i]}
        elif [[ $command == volume && $volume_commands == *" ${words[i]} "* ]]; then
            command="volume ${words[i]}"
        elif [[ -n $command && ${words[i]} != -* && ${words[i - 1]} != @(-m|--message|--watch|--count|--network|--workstation|--password-file|--timeout|--user|--path|--wait-free|--id|--as) ]]; then
            ((arg++))
        fi
    done

    if [[ $cur == -* ]]; then
        case "$command" in
            "") options+=" --wait-free --timeout" ;;
            clear | logins) options+=" --yes" ;;
            send) options+=" --message" ;;
            open-files) options+=" --user --path" ;;
            "volume ls") options+=" --deleted" ;;
            "volume salvage") options+=" --id --as" ;;
            "volume purge") options+=" --id" ;;
        esac
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
    elif [[ -z $command ]]; then
        COMPREPLY=($(compgen -W "$commands" -- "$cur"))
    elif [[ $command == volume ]]; then
        COMPREPLY=($(compgen -W "$volume_commands" -- "$cur"))

    elif [[ $with_server == *" $command "* && $arg -eq 0 ]]; then
        # The servers the workstation is connected to, from the program itself.
        local servers
        servers=$("${words[0]}" servers --csv 2>/dev/null | tail -n +2 | cut -d, -f1 | sort -u)
        COMPREPLY=($(compgen -W "$servers" -- "$cur"))
    elif [[ $command == logins && $arg -eq 1 ]]; then
        COMPREPLY=($(compgen -W "enable disable" -- "$cur"))
    fi
}
complete -F _varnook_cli varnook-cli
