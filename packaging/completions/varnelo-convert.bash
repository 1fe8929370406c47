# bash completion for varnelo-convert                     -*- shell-script -*-
# SPDX-License-Identifier: GPL-3.0-or-later

_varnelo_convert() {
  local cur prev words cword
  _init_completion -s || return

  case $prev in
    -o | --output)
      _filedir
      return
      ;;
    --phrase-file)
      _filedir
      return
      ;;
    -f | --format)
      COMPREPLY=($(compgen -W 'plain-html css-html rtf bmp jpg png ansi text' -- "$cur"))
      return
      ;;
    -m | --mode)
      COMPREPLY=($(compgen -W 'binary numbers small big text blocks range' -- "$cur"))
      return
      ;;
    --blocks)
      COMPREPLY=($(compgen -W '1 2 3 4 random' -- "$cur"))
      return
      ;;
    -d | --depth)
      COMPREPLY=($(compgen -W '1 4 8 15 16 24 32' -- "$cur"))
      return
      ;;
    --colors)
      COMPREPLY=($(compgen -W 'truecolor 256 16 none' -- "$cur"))
      return
      ;;
    --font)
      # The faces the converter itself draws with, each one word however
      # many blanks its name holds: "DejaVu\ Sans\ Mono".
      local typed=${cur//\\/} face
      typed=${typed#[\"\']}
      COMPREPLY=()
      while IFS= read -r face; do
        [[ $face == "$typed"* ]] && COMPREPLY+=("$(printf '%q' "$face")")
      done < <("$1" --list-fonts 2>/dev/null)
      return
      ;;
    --phrase | --range | -s | --font-size | -b | --background | -W | --width | -H | --height | \
      -Q | --quality | --seed)
      return
      ;;
    -h | --help | --version)
      return
      ;;
  esac

  $split && return

  if [[ $cur == -* ]]; then
    COMPREPLY=($(compgen -W '-o --output -f --format -m --mode --phrase --phrase-file
      --blocks --range -s --font-size --font -b --background -W --width -H --height
      -d --depth -Q --quality --colors --no-aspect-correction --no-auto-orient --seed -q --quiet
      --list-fonts -h --help --version' -- "$cur"))
    [[ ${COMPREPLY-} == *= ]] && compopt -o nospace
    return
  fi

  _filedir '@(bmp|jpg|jpeg|jpe|jfif|gif|png|BMP|JPG|JPEG|JPE|JFIF|GIF|PNG)'
} &&
  complete -F _varnelo_convert varnelo-convert
