#!/usr/bin/env bash
# Lists the functions in src/ longer than a limit (60 lines by default), as clang-tidy's
# readability-function-size counts them (the body, blank and comment lines included), from the
# compile commands of a build folder. Exits 1 when one of them is not on the list of those
# allowed to be longer.
#
#   scripts/long-functions.sh [build folder] [limit]     (default: build 60)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
limit=${2:-60}

# Allowed to be longer: the window's control creation, a table of controls that reads best
# whole.
allowed='^src/window/(MainWindow|AboutWindow)\.cpp:[0-9]+ (CreateControls|TForm1|TAboutMe) '

if [ ! -f "$build/compile_commands.json" ]; then
  echo "No $build/compile_commands.json: build first (scripts/build.sh $build)." >&2
  exit 2
fi

# One clang-tidy per file, two at a time; headers of src/ count once however many files
# include them.
found=$(git ls-files 'src/*.cpp' | xargs -P 2 -n 1 clang-tidy-14 -p "$build" --quiet \
    --extra-arg=-Wno-unknown-warning-option --header-filter="$PWD/src/.*" \
    --checks='-*,readability-function-size' \
    --config="{CheckOptions: [{key: readability-function-size.LineThreshold, value: $limit}]}" \
    2>/dev/null |
  awk -v root="$PWD/" '
    / warning: function .* exceeds recommended size/ {
      split($1, at, ":"); file = at[1]; sub(root, "", file); line = at[2]
      name = $0; sub(/.*function \047/, "", name); sub(/\047.*/, "", name)
    }
    / note: [0-9]+ lines including/ && file != "" {
      lines = $0; sub(/.* note: /, "", lines); sub(/ lines.*/, "", lines)
      print file ":" line " " name " " lines; file = ""
    }' | sort -u -t: -k1,1 -k2,2n)

status=0
while read -r entry; do
  [ -z "$entry" ] && continue
  if [[ $entry =~ $allowed ]]; then
    echo "$entry lines (allowed)"
  else
    echo "$entry lines"
    status=1
  fi
done <<< "$found"
exit $status
