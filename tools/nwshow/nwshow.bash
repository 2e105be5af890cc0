# bash completion for nwshow: it takes no arguments.
_nwshow() {
    COMPREPLY=()
}
complete -F _nwshow nwshow
