# bash completion for quillory-cli: commands, their actions and options, and .quillory files.
# Files and folders as plain bash offers them, without the bash-completion package.
_quillory_cli_files()
{
    compopt -o filenames 2>/dev/null
    case $1 in
    dirs) COMPREPLY=($(compgen -d -- "$cur")) ;;
    documents) COMPREPLY=($(compgen -d -- "$cur") $(compgen -f -X '!*.quillory' -- "$cur")) ;;
    *) COMPREPLY=($(compgen -f -- "$cur")) ;;
    esac
}

_quillory_cli()
{
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
    local words=("${COMP_WORDS[@]}") cword=$COMP_CWORD

    local commands="new info field record prototype destination items preview run import export"
    local i command=""
    for ((i = 1; i < cword; i++)); do
        case ${words[i]} in
        --default) ((i++)) ;;
        -*) ;;
        *) command=${words[i]}; break ;;
        esac
    done

    if [[ -z $command ]]; then
        if [[ $prev == --default ]]; then
            COMPREPLY=($(compgen -S = -W "forceLeading0ForField1 forcedTotLenField1 useLeading0ForField1" -- "$cur"))
            compopt -o nospace 2>/dev/null
        elif [[ $cur == -* ]]; then
            COMPREPLY=($(compgen -W "--default --version --help" -- "$cur"))
        else
            COMPREPLY=($(compgen -W "$commands" -- "$cur"))
        fi
        return
    fi

    # Options that take a file or folder, or one of a few words.
    case $prev in
    --destination) _quillory_cli_files dirs; return ;;
    --format)
        if [[ $command == export ]]; then
            COMPREPLY=($(compgen -W "tsv csv csv-plain csv-semicolon html-table html-page xlsx custom" -- "$cur"))
        else
            COMPREPLY=($(compgen -W "auto tab comma semicolon" -- "$cur"))
        fi
        return ;;
    --encoding)
        COMPREPLY=($(compgen -W "auto utf8 utf16 utf16be utf16le utf32 utf32be utf32le macroman ascii windows-1252 iso-8859-1 iso-8859-15" -- "$cur"))
        return ;;
    --map) COMPREPLY=($(compgen -W "none new cascade first-row" -- "$cur")); return ;;
    --path | --head | --text | --separator | --foot | --fields | --column | --record | \
        --start-of-file | --end-of-file | --start-of-record | --end-of-record | --field-open | \
        --field-close | --field-separator | --end-of-record-in-last)
        return ;;
    esac

    if [[ $cur == -* ]]; then
        local options="--help"
        case $command in
        new) options+=" --force" ;;
        info) options+=" --json" ;;
        record) options+=" --all" ;;
        prototype) options+=" --one --multi --folder --path --head --text --separator --foot" ;;
        items) options+=" --strict" ;;
        preview) options+=" --record --full-path --name --content --strict" ;;
        run) options+=" --destination --dry-run --strict --quiet --json" ;;
        import) options+=" --format --encoding --map --column --skip-first-row --header-names --replace --sheet" ;;
        export) options+=" --format --fields --header --force --start-of-file --end-of-file --start-of-record --end-of-record --field-open --field-close --field-separator --end-of-record-in-last" ;;
        esac
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
        return
    fi

    # The action of the commands that have one comes first.
    if [[ $prev == "$command" ]]; then
        case $command in
        field) COMPREPLY=($(compgen -W "add rename delete" -- "$cur")); return ;;
        record) COMPREPLY=($(compgen -W "add set delete" -- "$cur")); return ;;
        prototype) COMPREPLY=($(compgen -W "add remove" -- "$cur")); return ;;
        esac
    fi
    case $command in
    import | export | destination)
        # After the document: any file (import, export) or a folder (destination).
        if [[ $prev == *.quillory ]]; then
            if [[ $command == destination ]]; then
                _quillory_cli_files dirs
            else
                _quillory_cli_files
            fi
            return
        fi ;;
    esac
    _quillory_cli_files documents
}
complete -F _quillory_cli quillory-cli
