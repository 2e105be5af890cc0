# bash completion for varnook-setup
_varnook_setup() {
    local cur prev words cword
    _init_completion || return
    COMPREPLY=($(compgen -W "--quiet --help --version" -- "$cur"))
}
complete -F _varnook_setup varnook-setup
