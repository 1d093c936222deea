# bash completion for zeltctl(1): options, the commands that `zeltctl help`
# lists, and file names after --batch and @.

_zeltctl_commands() {
    "$1" help 2>/dev/null | sed -n '/^Commands/,$ s/^  \([a-z][a-z]*\).*/\1/p'
}

_zeltctl() {
    local cur=${COMP_WORDS[COMP_CWORD]}
    local prev=${COMP_WORDS[COMP_CWORD-1]}
    local options="--server --json --size --timeout --max-time --retry --batch --trace --version --help"
    COMPREPLY=()

    case $prev in
        --server)
            COMPREPLY=($(compgen -A hostname -- "$cur"))
            return ;;
        --size|--timeout|--max-time|--retry)
            return ;;
        --batch)
            COMPREPLY=($(compgen -f -- "$cur"))
            [[ "-" == "$cur"* ]] && COMPREPLY+=(-)
            return ;;
    esac

    # The command given so far: the first word that is no option and no
    # option's value, before "--" or after it.
    local i word command="" ended=""
    for ((i = 1; i < COMP_CWORD; i++)); do
        word=${COMP_WORDS[i]}
        if [[ -z $ended ]]; then
            case $word in
                --) ended=1; continue ;;
                --server|--size|--timeout|--max-time|--retry|--batch) ((i++)); continue ;;
                -[!0-9]*) continue ;;
            esac
        fi
        command=$word
        break
    done

    if [[ $cur == -* && -z $ended ]]; then
        COMPREPLY=($(compgen -W "$options --" -- "$cur"))
    elif [[ $cur == @* ]]; then
        local f
        COMPREPLY=()
        while IFS= read -r f; do COMPREPLY+=("@$f"); done < <(compgen -f -- "${cur#@}")
        compopt -o filenames 2>/dev/null
    elif [[ -z $command || $command == help ]]; then
        local commands
        commands=$(_zeltctl_commands "${COMP_WORDS[0]}")
        [[ -z $command ]] && commands="help $commands"
        COMPREPLY=($(compgen -W "$commands" -- "$cur"))
    fi
}

complete -F _zeltctl zeltctl
