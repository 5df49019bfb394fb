# Bash completion for the Scrivora command-line tools: scrivora-make,
# scrivora-inspect, scrivora-import and scrivora-convert. Installed once per
# tool name, so that bash-completion finds it when the tool is first completed.

_scrivora_files() {
  # Files with one of the given extensions (any letter case), and folders.
  local IFS=$'\n' pattern="$1"
  compopt -o filenames 2>/dev/null
  COMPREPLY=($(compgen -f -X "!@($pattern)" -- "$cur") $(compgen -d -- "$cur"))
}

_scrivora_tool() {
  local cur prev options
  COMPREPLY=()
  cur="${COMP_WORDS[COMP_CWORD]}"
  prev="${COMP_WORDS[COMP_CWORD-1]}"
  case "$1" in
    scrivora-make)
      options="--title --author --publisher --eisbn --copyright -o --output --input-encoding --log-format -q --quiet --help --version" ;;
    scrivora-inspect)
      options="--json --text --extract-images --help --version" ;;
    scrivora-import)
      options="-o --output --rules --help --version" ;;
    scrivora-convert)
      options="--info --help --version" ;;
  esac

  case "$prev" in
    --title|--author|--publisher|--eisbn|--copyright) return 0 ;;
    --log-format) COMPREPLY=($(compgen -W "text json" -- "$cur")); return 0 ;;
    --input-encoding) COMPREPLY=($(compgen -W "utf-8 windows-1252" -- "$cur")); return 0 ;;
    --extract-images) compopt -o filenames 2>/dev/null; COMPREPLY=($(compgen -d -- "$cur")); return 0 ;;
    -o|--output|--rules) compopt -o filenames 2>/dev/null; COMPREPLY=($(compgen -f -- "$cur")); return 0 ;;
  esac

  case "$cur" in
    --log-format=*) COMPREPLY=($(compgen -W "text json" -- "${cur#*=}")); return 0 ;;
    --input-encoding=*) COMPREPLY=($(compgen -W "utf-8 windows-1252" -- "${cur#*=}")); return 0 ;;
    -*) COMPREPLY=($(compgen -W "$options" -- "$cur")); return 0 ;;
  esac

  shopt -q extglob || return 0
  local saved_nocase
  saved_nocase=$(shopt -p nocaseglob)
  shopt -s nocaseglob
  case "$1" in
    scrivora-make) _scrivora_files "*.tml|*.txt" ;;
    scrivora-inspect) _scrivora_files "*.tdb" ;;
    scrivora-import) _scrivora_files "*.htm|*.html|*.txt" ;;
    scrivora-convert) compopt -o filenames 2>/dev/null; COMPREPLY=($(compgen -f -- "$cur")) ;;
  esac
  eval "$saved_nocase"
}

complete -F _scrivora_tool scrivora-make scrivora-inspect scrivora-import scrivora-convert
