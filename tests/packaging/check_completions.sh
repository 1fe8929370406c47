#!/usr/bin/env bash
# The installed bash and zsh completions offer every option of --help, and
# bash completes options and their values. Exit code 77 (skipped) without
# bash-completion; the zsh file is syntax-checked where zsh is at hand.
#   check_completions.sh STAGE_DIR
set -uo pipefail
stage=$1
program=$stage/bin/varnelo-convert
bash_file=$stage/share/bash-completion/completions/varnelo-convert
zsh_file=$stage/share/zsh/vendor-completions/_varnelo-convert
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

[[ -f $bash_file ]] || { echo "FAIL: no bash completion $bash_file"; exit 1; }
[[ -f $zsh_file ]] || { echo "FAIL: no zsh completion $zsh_file"; exit 1; }

# Every option head of --help: "-o, --output PATH" gives -o and --output.
options=$("$program" --help | grep -E '^ +-' | grep -o -E '(^| )--?[A-Za-z][a-z0-9-]*' | tr -d ' ' | sort -u)
[[ -n $options ]] || { echo "FAIL: no options in --help"; exit 1; }
for option in $options; do
  grep -q -e "[ '{(|]$option\b" "$bash_file" || fail "the bash completion lacks $option"
  grep -q -e "$option[+=[]\|[{,(]$option\b\|'$option\[" "$zsh_file" || fail "the zsh completion lacks $option"
done
# And every format name the converter takes.
formats=$("$program" --help | sed -n 's/^ *-f, --format FORMAT *//p; /^ *-f, --format/,/by default/p' |
  grep -o -E '[a-z][a-z-]+' | grep -v -x -E 'f|format|or|by|default' | sort -u)
for format in $formats; do
  grep -q -w -e "$format" "$bash_file" || fail "the bash completion lacks the format $format"
  grep -q -w -e "$format" "$zsh_file" || fail "the zsh completion lacks the format $format"
done

if command -v zsh >/dev/null; then
  zsh -n "$zsh_file" || fail "the zsh completion does not parse"
fi

framework=/usr/share/bash-completion/bash_completion
if [[ ! -f $framework ]]; then
  echo "bash-completion is not installed; the bash completion was not run"
  [[ $failures -eq 0 ]] || exit 1
  exit 77
fi
# The completions bash offers for a command line ending in the last word.
offered() {
  bash --norc --noprofile -c '
    source "$1" && source "$2" || exit 1
    shift 2
    COMP_WORDS=("$@")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMP_LINE="${COMP_WORDS[*]}"
    COMP_POINT=${#COMP_LINE}
    _varnelo_convert varnelo-convert "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    printf "%s\n" "${COMPREPLY[@]}" | sort' completion "$framework" "$bash_file" "$@"
}
expect() {
  local want=$1
  shift
  local got
  got=$(offered "$@" | tr '\n' ' ')
  [[ $got == "$want " ]] || fail "'$*' completes to '$got', not '$want'"
}
expect "--colors" varnelo-convert --col
expect "--no-aspect-correction --no-auto-orient" varnelo-convert -q --no
expect "ansi" varnelo-convert -f an
expect "16 256 none truecolor" varnelo-convert --colors ""
expect "blocks" varnelo-convert --mode=bl
expect "" varnelo-convert --width ""

# Pictures by their extensions, folders to go into.
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
mkdir "$folder/sub"
touch "$folder/a.png" "$folder/b.JPG" "$folder/c.txt" "$folder/d.jpeg" "$folder/e.JFIF"
got=$(cd "$folder" && offered varnelo-convert "" | tr '\n' ' ')
[[ $got == "a.png b.JPG d.jpeg e.JFIF sub " ]] || fail "pictures complete to '$got'"

[[ $failures -eq 0 ]] || exit 1
echo "completions: all checks passed"
