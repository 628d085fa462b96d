#!/usr/bin/env bash
# Seeds the one-line faults of tools/mutants.txt into the code one at a time, rebuilds, runs the
# tests, and says which faults the tests caught. For developers: it takes a while, and it works
# in a build folder of its own, so the usual build stays as it is.
#   tools/mutants.sh [NUMBER...]   (only those entries, counted from 1)
set -euo pipefail
shopt -u patsub_replacement 2>/dev/null || true
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
list=tools/mutants.txt
export BUILD_DIR=${MUTANTS_BUILD_DIR:-$root/build-mutants}

files=() befores=() afters=() rules=()
while IFS= read -r line || [ -n "$line" ]; do
  case $line in
    file:*) files+=("${line#file: }") ;;
    before:*) befores+=("${line#before: }") ;;
    after:*) afters+=("${line#after: }") ;;
    rule:*) rules+=("${line#rule: }") ;;
  esac
done <"$list"
count=${#files[@]}
if [ "${#befores[@]}" -ne "$count" ] || [ "${#afters[@]}" -ne "$count" ] || [ "${#rules[@]}" -ne "$count" ]; then
  echo "$list: every entry needs a file, before, after and rule line" >&2
  exit 1
fi

tools/build.sh >/dev/null
source tools/wine-env.sh

original=
restore() { [ -n "$original" ] && printf '%s' "$original" >"$current"; original=; }
trap restore EXIT

chosen=("$@")
[ ${#chosen[@]} -gt 0 ] || chosen=($(seq 1 "$count"))
caught=0 survived=0 broken=0
for number in "${chosen[@]}"; do
  i=$((number - 1))
  current=${files[$i]}
  before=${befores[$i]} after=${afters[$i]}
  original=$(cat "$current"; printf x)
  original=${original%x}
  occurrences=$(grep -cF -- "$before" "$current" || true)
  if [ "$occurrences" -ne 1 ]; then
    printf '%3d  STALE     %s: the text before is there %s times\n' "$number" "$current" "$occurrences"
    original=
    broken=$((broken + 1))
    continue
  fi
  printf '%s' "${original/"$before"/"$after"}" >"$current"
  if ! cmake --build "$BUILD_DIR" -j2 >/dev/null 2>&1; then
    verdict="NO BUILD "
    broken=$((broken + 1))
  elif tools/run-tests.sh --stop-on-failure >/dev/null 2>&1; then
    verdict="SURVIVED "
    survived=$((survived + 1))
  else
    verdict="caught   "
    caught=$((caught + 1))
  fi
  restore
  printf '%3d  %s %s: %s\n' "$number" "$verdict" "$current" "${rules[$i]}"
done
cmake --build "$BUILD_DIR" -j2 >/dev/null
tried=$((caught + survived))
[ "$tried" -gt 0 ] || exit 1
echo "caught $caught of $tried faults ($((100 * caught / tried))%); $broken could not be tried"
