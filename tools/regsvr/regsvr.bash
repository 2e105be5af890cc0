# bash completion for regsvr
_regsvr() {
    local cur prev words cword
    _init_completion || return
    if [[ $cur == /* && $cur != */*/* && ${#cur} -le 2 ]]; then
        COMPREPLY=($(compgen -W "/u /s" -- "$cur"))
    fi
    _filedir so
}
complete -F _regsvr regsvr
