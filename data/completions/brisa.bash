# SPDX-License-Identifier: GPL-3.0-or-later
# bash completion for brisa: its commands, each command's options, kinds and image operations.
_brisa()
{
    local cur prev words cword
    _init_completion || return

    local commands="history add search show delete pin unpin export import image remind clear snippet toggle quick-note bulk-copy paste-slot library settings pause resume"
    local kinds="text code link image file color screenshot"

    if [[ $cword -eq 1 ]]; then
        COMPREPLY=($(compgen -W "$commands --help --version" -- "$cur"))
        return
    fi

    case $prev in
        --limit) return ;;
        --type)
            if [[ ${words[1]} == export ]]; then
                # A comma-separated list: complete the kind after the last comma.
                local done="${cur%"${cur##*,}"}"
                COMPREPLY=($(compgen -P "$done" -W "$kinds" -- "${cur##*,}"))
                compopt -o nospace
            else
                COMPREPLY=($(compgen -W "$kinds" -- "$cur"))
            fi
            return
            ;;
        --image)
            _filedir '@(png|jpg|jpeg|gif|bmp|tif|tiff|webp|heic|heif)'
            return
            ;;
        --since) return ;;
        --for) return ;;
    esac

    case ${words[1]} in
        history) COMPREPLY=($(compgen -W "--limit --json" -- "$cur")) ;;
        add) COMPREPLY=($(compgen -W "--type --json --image --lines --null --" -- "$cur")) ;;
        search) [[ $cur == -* ]] && COMPREPLY=($(compgen -W "--limit --json --" -- "$cur")) ;;
        show) [[ $cur == -* ]] && COMPREPLY=($(compgen -W "--json" -- "$cur")) ;;
        export)
            if [[ $cur == -* ]]; then
                COMPREPLY=($(compgen -W "--since --type --image-folder" -- "$cur"))
            else
                _filedir
            fi
            ;;
        import) _filedir '@(jsonl|json)' ;;
        image)
            if [[ $cword -eq 3 ]]; then
                COMPREPLY=($(compgen -W "compress remove-background resize convert" -- "$cur"))
            elif [[ $cword -eq 4 && ${words[3]} == convert ]]; then
                COMPREPLY=($(compgen -W "png jpeg tiff" -- "$cur"))
            elif [[ $cur == -* ]]; then
                COMPREPLY=($(compgen -W "--json" -- "$cur"))
            fi
            ;;
        remind) [[ $cur == -* ]] && COMPREPLY=($(compgen -W "--clear" -- "$cur")) ;;
        clear) COMPREPLY=($(compgen -W "--all" -- "$cur")) ;;
        snippet)
            if [[ $cword -eq 2 ]]; then
                COMPREPLY=($(compgen -W "list add remove" -- "$cur"))
            elif [[ ${words[2]} == list ]]; then
                COMPREPLY=($(compgen -W "--json" -- "$cur"))
            fi
            ;;
        paste-slot) [[ $cword -eq 2 ]] && COMPREPLY=($(compgen -W "0 1 2 3 4 5 6 7 8 9" -- "$cur")) ;;
        pause) COMPREPLY=($(compgen -W "--for" -- "$cur")) ;;
    esac
} &&
    complete -F _brisa brisa
