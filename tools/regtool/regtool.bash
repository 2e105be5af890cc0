# bash completion for regtool
_regtool() {
    local cur prev words cword
    _init_completion || return
    if [[ $cword -eq 1 ]]; then
        COMPREPLY=($(compgen -W "query add delete import export /?" -- "$cur"))
        return
    fi
    case "$prev" in
        /t | /T)
            COMPREPLY=($(compgen -W "REG_SZ REG_EXPAND_SZ REG_MULTI_SZ REG_DWORD REG_QWORD REG_BINARY REG_NONE" -- "$cur"))
            return
            ;;
        /v | /V | /d | /D | /s | /S)
            return
            ;;
    esac
    local op=${words[1],,}
    if [[ $cword -eq 2 && $op != import ]]; then
        COMPREPLY=($(compgen -W "HKLM\\\\ HKCU\\\\ HKCR\\\\" -- "$cur"))
        compopt -o nospace
        return
    fi
    case "$op" in
        query) COMPREPLY=($(compgen -W "/v /ve /s /?" -- "$cur")) ;;
        add) COMPREPLY=($(compgen -W "/v /ve /t /s /d /f /?" -- "$cur")) ;;
        delete) COMPREPLY=($(compgen -W "/v /ve /va /f /?" -- "$cur")) ;;
        import) [[ $cword -eq 2 ]] && _filedir reg ;;
        export) if [[ $cword -eq 3 ]]; then _filedir reg; else COMPREPLY=($(compgen -W "/y" -- "$cur")); fi ;;
    esac
}
complete -F _regtool regtool
