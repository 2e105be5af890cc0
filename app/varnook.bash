# bash completion for varnook
_varnook() {
    local cur prev words cword
    _init_completion || return
    COMPREPLY=($(compgen -W "/debug --help --version" -- "$cur"))
}
complete -F _varnook varnook
