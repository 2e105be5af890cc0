# bash completion for tlbview
_tlbview() {
    local cur prev words cword
    _init_completion || return
    [[ $cword -eq 1 ]] && _filedir so
}
complete -F _tlbview tlbview
