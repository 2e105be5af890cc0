# bash completion for nwsimd: options, a network file (JSON), a capture file (pcap).
_nwsimd() {
    local cur prev words cword
    _init_completion || return
    case "$prev" in
        --capture)
            _filedir pcap
            return
            ;;
        --signing)
            COMPREPLY=($(compgen -W "0 1 2 3" -- "$cur"))
            return
            ;;
        --idle-timeout | --exit-when-idle)
            return
            ;;
    esac
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "--capture --signing --idle-timeout --exit-when-idle --help" -- "$cur"))
        return
    fi
    _filedir json
}
complete -F _nwsimd nwsimd
