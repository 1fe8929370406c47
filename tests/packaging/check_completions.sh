#!/usr/bin/env bash
# The installed bash and zsh completions offer every option of --help, bash
# completes options and their values through its completion function, and
# zsh completes font faces typed in a pseudo-terminal (tmux). Installs
# under /usr and /usr/local put zsh's file where zsh looks. Exit code 77
# (skipped) without bash-completion, zsh or tmux.
#   check_completions.sh STAGE_DIR CMAKE BUILD_DIR
set -uo pipefail
stage=$1 cmake=$2 build=$3
program=$stage/bin/varnelo-convert
bash_file=$stage/share/bash-completion/completions/varnelo-convert
# The stage is no /usr: zsh's file goes where ~/.local's would.
zsh_file=$stage/share/zsh/site-functions/_varnelo-convert
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
# And every character mode.
modes=$("$program" --help | sed -n '/^ *-m, --mode MODE/,/^ *--phrase /p' | sed '$d' |
  sed 's/^ *-m, --mode MODE//' | grep -o -E '[a-z]+' | grep -v -x -E 'or|default' | sort -u)
[[ -n $modes ]] || fail "no modes in --help"
for mode in $modes; do
  grep -q -w -e "$mode" "$bash_file" || fail "the bash completion lacks the mode $mode"
  grep -q -w -e "$mode" "$zsh_file" || fail "the zsh completion lacks the mode $mode"
done

for tool in zsh tmux; do
  if ! command -v $tool >/dev/null; then
    echo "$tool is not installed; the completions were not run"
    [[ $failures -eq 0 ]] || exit 1
    exit 77
  fi
done
zsh -n "$zsh_file" || fail "the zsh completion does not parse"
framework=/usr/share/bash-completion/bash_completion
if [[ ! -f $framework ]]; then
  echo "bash-completion is not installed; the bash completion was not run"
  [[ $failures -eq 0 ]] || exit 1
  exit 77
fi

# Installed under /usr (Debian's packages) and /usr/local, zsh's file lands
# on zsh's own fpath.
folder=$(mktemp -d)
# shellcheck source=scripts/tmux_server.sh
source "$(dirname "$0")/../../scripts/tmux_server.sh"
trap 'endTmuxAndRemove "$folder/tmux" "$folder"' EXIT
fpath=$(zsh -f -c 'print -l $fpath')
for prefix in /usr /usr/local; do
  DESTDIR=$folder/root "$cmake" --install "$build" --prefix $prefix --component converter >/dev/null
  found=no
  while IFS= read -r place; do
    [[ -f $folder/root$place/_varnelo-convert ]] && found=yes
  done <<<"$fpath"
  [[ $found == yes ]] || fail "installed under $prefix, zsh's completion is not on zsh's fpath"
done
# The completions bash offers for a command line ending in the last word.
offered() {
  PATH=$stage/bin:$PATH bash --norc --noprofile -c '
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
expect "--no-aspect-correction --no-auto-orient --no-fill" varnelo-convert -q --no
expect "ansi" varnelo-convert -f an
expect "16 256 none truecolor" varnelo-convert --colors ""
expect "blocks" varnelo-convert --mode=bl
expect "" varnelo-convert --width ""
# Classes of symbols, the next one after a + or -.
expect "blocks braille" varnelo-convert --symbols b
expect "blocks+quadrants" varnelo-convert --symbols blocks+qu
# Faces the converter draws with, a name with blanks as one word.
expect "DejaVu\\ Sans\\ Mono" varnelo-convert --font 'DejaVu\ Sans\ M'
expect "DejaVu\\ Sans DejaVu\\ Sans\\ Mono" varnelo-convert --font=DejaVu\ Sans
expect "Tahoma" varnelo-convert -q --font Tah
expect "Terminal" varnelo-convert --font Term

# zsh as a user has it: typed into a pseudo-terminal, Tab pressed, the line
# read off the screen.
tmux_=(tmux -S "$folder/tmux")
"${tmux_[@]}" new-session -d -x 160 -y 40 "env -i HOME=$folder TERM=xterm PATH=$stage/bin:/usr/bin:/bin zsh -f"
"${tmux_[@]}" send-keys "fpath=($stage/share/zsh/site-functions \$fpath); autoload -U compinit; compinit -u; print READY" Enter
# Waits until the screen shows the text; false after 10 s.
shows() {
  for _ in $(seq 100); do
    "${tmux_[@]}" capture-pane -p | grep -q -F -e "$1" && return 0
    sleep 0.1
  done
  return 1
}
shows "READY" || fail "zsh did not start: $("${tmux_[@]}" capture-pane -p)"
# The word completed whole is followed by a blank, and X typed after it.
zsh_completes() {
  local typed=$1 want=$2
  "${tmux_[@]}" send-keys -l "$typed"
  "${tmux_[@]}" send-keys Tab
  sleep 0.3
  "${tmux_[@]}" send-keys -l X
  shows "$want""X" || fail "zsh completes '$typed' to: $("${tmux_[@]}" capture-pane -p | grep varnelo | tail -1)"
  "${tmux_[@]}" send-keys C-u
}
zsh_completes "varnelo-convert --font=DejaVu\ Sans\ M" "varnelo-convert --font=DejaVu\ Sans\ Mono "
zsh_completes "varnelo-convert -q --font Tah" "varnelo-convert -q --font Tahoma "
zsh_completes "varnelo-convert --font=Termi" "varnelo-convert --font=Terminal "
zsh_completes "varnelo-convert --list-f" "varnelo-convert --list-fonts "
zsh_completes "varnelo-convert --symbols=blocks-qua" "varnelo-convert --symbols=blocks-quadrants"

# Pictures by their extensions, folders to go into.
pictures=$folder/pictures
mkdir -p "$pictures/sub"
touch "$pictures/a.png" "$pictures/b.JPG" "$pictures/c.txt" "$pictures/d.jpeg" "$pictures/e.JFIF"
got=$(cd "$pictures" && offered varnelo-convert "" | tr '\n' ' ')
[[ $got == "a.png b.JPG d.jpeg e.JFIF sub " ]] || fail "pictures complete to '$got'"

[[ $failures -eq 0 ]] || exit 1
echo "completions: all checks passed"
