# bash completion for lumicap-tags
_lumicap_tags()
{
    local cur prev words cword
    _init_completion || return

    local command="" i
    for ((i = 1; i < cword; i++)); do
        case ${words[i]} in
            show | set | batch | replace | history | undo) command=${words[i]}; break ;;
        esac
    done

    case $prev in
        --description | --artist | --copyright | --run) return ;;
        --field) COMPREPLY=($(compgen -W "description artist copyright" -- "$cur")); return ;;
        -@) _filedir; return ;;
        --csv) # a flag for show, a file for set
            if [[ $command != show ]]; then _filedir csv; return; fi ;;
    esac

    if [[ $cur == -* ]]; then
        local common="-v --verbose -q --quiet -h --help -V --version"
        case $command in
            show) COMPREPLY=($(compgen -W "$common -r --recursive -@ --json --csv --descript-ion --all" -- "$cur")) ;;
            set) COMPREPLY=($(compgen -W "$common -r --recursive -@ --description --artist --copyright --delete-description --delete-artist --delete-copyright --csv --remove-all-exif --all-copies -P --preserve-time -n --dry-run" -- "$cur")) ;;
            batch) COMPREPLY=($(compgen -W "$common --artist --copyright --remove-all-exif -P --preserve-time --keep-going --all-copies -n --dry-run" -- "$cur")) ;;
            replace) COMPREPLY=($(compgen -W "$common -r --recursive -@ --regex --ignore-case --field --keep-going --all-copies -n --dry-run" -- "$cur")) ;;
            undo) COMPREPLY=($(compgen -W "$common --run --list-runs --force" -- "$cur")) ;;
            *) COMPREPLY=($(compgen -W "$common" -- "$cur")) ;;
        esac
        return
    fi
    if [[ -z $command ]]; then
        COMPREPLY=($(compgen -W "show set batch replace history undo" -- "$cur"))
    elif [[ $command == batch ]]; then
        _filedir
    else
        _filedir '@(jpg|jpeg|tif|tiff|png|JPG|JPEG|TIF|TIFF|PNG)'
    fi
} && complete -F _lumicap_tags lumicap-tags
