#!/usr/bin/env bash
# Converts a collection on several machines at once with GNU parallel: one corvane-cli run per
# cue sheet or audio file, spread over the machines, with the outputs named exactly as one
# corvane-cli run over the whole collection names them.
#
#   scripts/parallel-convert.sh [-S LOGIN]... [-j N] [corvane-cli options] FILE|FOLDER...
#
#   -S, --sshlogin LOGIN  a machine to convert on, as GNU parallel takes it: "user@host",
#                         "4/host" (four runs at once there), ":" (this machine). Repeatable;
#                         default: this machine only.
#   -j, --jobs N          runs at once on each machine; default: one per core of that machine.
#   --dry-run             print the plan (each job and its output) and write nothing.
#   Every other option is corvane-cli's (-o, -n, -l, --encoding, -r, --skip-existing...) and is
#   given to each run.
#
# Every machine must see the files and the output folder at the same path (a shared folder:
# NFS, SMB...) and have corvane-cli installed; the command is run from the current folder.
# CORVANE_CLI names the program (default: corvane-cli).
#
# Each run plans only its own source's outputs, so first the whole collection is planned
# (corvane-cli --dry-run) and compared with the runs' plans: when two sources would write one
# name (one run would add " (2)", separate runs would not), nothing is converted and the
# difference is shown. Exit status: 0 when every job was converted, 1 when a job failed or a
# file could not be added, 2 for a usage error or outputs that need one run.
set -euo pipefail

cli=${CORVANE_CLI:-corvane-cli}
logins=()
jobs=()
options=()
paths=()
dry_run=0

usage() {
  sed -n '2,/^set -euo/{/^set -euo/d;s/^# \{0,1\}//;p}' "$0"
}

while [ $# -gt 0 ]; do
  case $1 in
    -S | --sshlogin) logins+=(--sshlogin "$2"); shift 2 ;;
    --sshlogin=*) logins+=(--sshlogin "${1#*=}"); shift ;;
    -j | --jobs) jobs=(--jobs "$2"); shift 2 ;;
    --jobs=*) jobs=(--jobs "${1#*=}"); shift ;;
    -j*) jobs=(--jobs "${1#-j}"); shift ;;
    --dry-run) dry_run=1; shift ;;
    -h | --help) usage; exit 0 ;;
    # corvane-cli's options that take a value.
    -o | --output | -l | --level | -n | --name | --encoding)
      [ $# -ge 2 ] || { echo "parallel-convert: $1 needs a value" >&2; exit 2; }
      options+=("$1" "$2"); shift 2 ;;
    --) shift; paths+=("$@"); break ;;
    -?*) options+=("$1"); shift ;;
    *) paths+=("$1"); shift ;;
  esac
done

if ! command -v parallel >/dev/null 2>&1; then
  echo "parallel-convert: GNU parallel is not installed (Debian: apt install parallel)" >&2
  exit 2
fi

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# The whole collection's plan, as one run would convert it. Usage errors end here. The plans
# are read below, so they are asked for in English whatever the locale.
status=0
"$cli" --dry-run "${options[@]}" --lang en -- "${paths[@]}" >"$scratch/plan" || status=$?
[ "$status" -eq 0 ] || [ "$status" -eq 1 ] || exit "$status"

# Each job's source, once, in the plan's order: "SHEET track N "TITLE" -> OUT" or "FILE -> OUT".
perl -ne 'if (/^(.*?) track \d+(?: ".*")? -> / || /^(.*?) -> /) { print "$1\0" unless $seen{$1}++ }' \
  "$scratch/plan" >"$scratch/sources"
if [ ! -s "$scratch/sources" ]; then
  cat "$scratch/plan"
  exit "$status"
fi
while IFS= read -r -d '' source; do
  if [ ! -e "$source" ]; then
    echo "parallel-convert: cannot tell the sources from the plan (\"$source\" is no file)" >&2
    exit 2
  fi
done <"$scratch/sources"

# ReplayGain makes loose files of one folder and one ALBUM an album, which runs of one file
# each cannot see: such files need one run.
for option in "${options[@]}"; do
  [ "$option" = --replaygain ] || continue
  shared=$(perl -ne 'next if / track \d+(?: ".*")? -> /; if (/^(.*?) -> /) { my $f = $1; $f =~ s{[^/]*$}{}; $f = "./" if $f eq ""; print "$f\n" if $seen{$f}++ == 1 }' \
    "$scratch/plan")
  if [ -n "$shared" ]; then
    echo "parallel-convert: with --replaygain, loose files of one folder may be one album," \
      "which runs of one file each would not measure; convert each of these folders in one" \
      "corvane-cli run:" >&2
    printf "  %s\n" "$shared" >&2
    exit 2
  fi
done

# One corvane-cli per source; parallel quotes each word (-q), so templates with spaces hold.
run_each() {
  parallel -0 -q --arg-file "$scratch/sources" "$@" \
    "$cli" "${options[@]}" -- {}
}

# The runs' plans, made here, must add up to the whole collection's.
options_before_dry_run=("${options[@]}")
options=(--dry-run "${options_before_dry_run[@]}" --lang en)
run_each --keep-order >"$scratch/each-plan" 2>/dev/null || true
options=("${options_before_dry_run[@]}")
if ! cmp -s "$scratch/plan" "$scratch/each-plan"; then
  echo "parallel-convert: converted one source at a time, these outputs would be named" \
    "differently (two sources would write one name); convert them in one corvane-cli run, or" \
    "name the outputs apart (-n \"{albumartist}/{album}/{track} - {title}\"):" >&2
  diff "$scratch/plan" "$scratch/each-plan" | grep '^[<>]' >&2 || true
  exit 2
fi
if [ "$dry_run" -eq 1 ]; then
  cat "$scratch/plan"
  exit "$status"
fi

# Each machine runs as many conversions as it has cores (or -j), one file at a time each.
options=(-j1 "${options[@]}")
run_each --workdir . "${logins[@]}" "${jobs[@]}" || status=1
exit "$status"
