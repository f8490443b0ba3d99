# bash completion for corvane-cli                                  -*- shell-script -*-
# Self-contained (no bash-completion helpers), so it also works sourced on its own.

_corvane_cli() {
  local cur=${COMP_WORDS[COMP_CWORD]}
  local prev=""
  ((COMP_CWORD > 0)) && prev=${COMP_WORDS[COMP_CWORD - 1]}
  # bash splits "--level=5" at the "=": the option is the word before it.
  if [[ $cur == = ]]; then
    cur=""
  elif [[ $prev == = ]] && ((COMP_CWORD > 1)); then
    prev=${COMP_WORDS[COMP_CWORD - 2]}
  fi
  if [[ ${COMP_WORDS[COMP_CWORD]} == = ]]; then
    prev=${COMP_WORDS[COMP_CWORD - 1]}
  fi
  COMPREPLY=()

  # The option before the cursor takes a value: offer what it accepts.
  case $prev in
    -l | --level)
      mapfile -t COMPREPLY < <(compgen -W '0 1 2 3 4 5 6 7 8' -- "$cur")
      return
      ;;
    -j | --jobs)
      mapfile -t COMPREPLY < <(compgen -W "$(seq 1 "$(nproc 2>/dev/null || echo 1)")" -- "$cur")
      return
      ;;
    --encoding)
      mapfile -t COMPREPLY < <(compgen -W 'auto gb18030 gbk big5 shift-jis euc-kr utf-8
        windows-1251 windows-1252' -- "$cur")
      return
      ;;
    --lang)
      mapfile -t COMPREPLY < <(compgen -W 'zh en' -- "$cur")
      return
      ;;
    -o | --output)
      compopt -o filenames 2>/dev/null
      mapfile -t COMPREPLY < <(compgen -d -- "$cur")
      return
      ;;
    -n | --name)
      # A template is free text; the fields are what can be offered.
      mapfile -t COMPREPLY < <(compgen -W '{track} {title} {artist} {album} {albumartist}
        {date} {disc} {source}' -- "$cur")
      return
      ;;
  esac

  if [[ $cur == -* ]]; then
    mapfile -t COMPREPLY < <(compgen -W '-h --help -V --version -o --output -l --level
      -j --jobs -n --name -r --recursive --encoding --dry-run -q --quiet --overwrite
      --skip-existing --accuraterip --no-verify --replaygain --no-replaygain --lang' -- "$cur")
    return
  fi

  # Sources: folders, cue sheets and the audio files read, in either letter case.
  compopt -o filenames 2>/dev/null
  local IFS=$'\n' extglob_was_on=0
  shopt -q extglob && extglob_was_on=1
  shopt -s extglob
  mapfile -t COMPREPLY < <(
    compgen -d -- "$cur"
    compgen -f -X '!*.@([aA][pP][eE]|[cC][uU][eE]|[fF][lL][aA][cC]|[tT][tT][aA]|[wW][vV]|[wW][aA][vV]|[wW]64|[rR][fF]64|[aA][iI][fF][fF]|[aA][iI][fF])' -- "$cur"
  )
  ((extglob_was_on)) || shopt -u extglob
}
complete -F _corvane_cli corvane-cli
