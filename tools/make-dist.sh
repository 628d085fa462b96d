#!/usr/bin/env bash
# Packs the built Corvane.exe with its Linux start script, a readme and the licence, named after
# the version and commit that its version resource carries, then unpacks the zip as a player would
# and checks what comes out.
#   tools/make-dist.sh   (BUILD_DIR: the 32-bit build; DIST_DIR: where the zip goes, dist/ by default)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-build}
case $build in /*) ;; *) build=$root/$build ;; esac
dist=${DIST_DIR:-$root/dist}

release=$(sed -n 's/^CORVANE_RELEASE:INTERNAL=//p' "$build/CMakeCache.txt" 2>/dev/null || true)
if [ -z "$release" ] || [ ! -f "$build/bin/Corvane.exe" ]; then
  echo "No built Corvane in $build: run make dist, which builds it first." >&2
  exit 1
fi
version=${release%%-*}

# The same check of the exe's headers that every test run makes.
bash "$root/tools/check-release-exe.sh" "$build/bin/Corvane.exe"

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
mkdir "$stage/in" "$stage/out"
cp "$build/bin/Corvane.exe" "$stage/in/"
# Notepad before Windows 10 shows LF-only text as one long line.
sed -e 's/\r*$/\r/' -e "s/@CORVANE_VERSION@/$version/g" -e "s/@CORVANE_COMMIT@/${release#*-}/g" \
  "$root/docs/README.txt" >"$stage/in/README.txt"
sed 's/\r*$/\r/' "$root/LICENSE" >"$stage/in/LICENSE.txt"
# The Linux start script, one file made of its package, keeps its mode: unzip makes it a program again.
python3 "$root/tools/build-corvane-linux.py" "$stage/corvane-linux"
cp -p "$stage/corvane-linux" "$stage/in/"

zip=$dist/Corvane-$release.zip
mkdir -p "$dist"
rm -f "$zip"
(cd "$stage/in" && cmake -E tar cf "$zip" --format=zip Corvane.exe corvane-linux README.txt LICENSE.txt)

# What a player unpacks.
failures=0
fail() { printf 'FAIL: %s\n' "$*" >&2; failures=$((failures + 1)); }
(cd "$stage/out" && cmake -E tar xf "$zip")
listed=$(cd "$stage/out" && LC_ALL=C ls -A)  # one order whatever the locale
[ "$listed" = "$(printf '%s\n' Corvane.exe LICENSE.txt README.txt corvane-linux)" ] || fail "the zip holds: $listed"
cmp -s "$build/bin/Corvane.exe" "$stage/out/Corvane.exe" || fail "Corvane.exe is not the checked exe"
cmp -s "$stage/corvane-linux" "$stage/out/corvane-linux" || fail "corvane-linux is not the script"
[ -x "$stage/out/corvane-linux" ] || fail "corvane-linux comes out without its run bit"
# It runs where Python 3 is all there is: its help names the log it keeps.
help=$("$stage/out/corvane-linux" --help 2>&1) || fail "corvane-linux --help failed: $help"
[[ $help == *"corvane-linux.log beside Corvane.exe"* ]] || fail "corvane-linux --help says: $help"
for text in README.txt LICENSE.txt; do
  # grep -c reads the whole file, and counts the lines that lack their CR.
  bare=$(grep -c $'[^\r]$\\|^$' "$stage/out/$text" || true)
  [ -s "$stage/out/$text" ] && [ "$bare" = 0 ] || fail "$text has $bare lines without CR LF"
done
! grep -q '@CORVANE_' "$stage/out/README.txt" || fail "README.txt keeps a placeholder"
grep -qF "Corvane $version" "$stage/out/README.txt" || fail "README.txt does not name version $version"
[ "$failures" = 0 ] || exit 1
echo "Wrote $zip: Corvane.exe, corvane-linux (a program), README.txt ($version, CR LF), LICENSE.txt (CR LF)"
