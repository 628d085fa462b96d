#!/usr/bin/env bash
# Packs the built Corvane.exe with its Linux start script, a readme and the licence, named after
# the version and commit that its version resource carries.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-build}
case $build in /*) ;; *) build=$root/$build ;; esac

release=$(sed -n 's/^CORVANE_RELEASE:INTERNAL=//p' "$build/CMakeCache.txt" 2>/dev/null || true)
if [ -z "$release" ] || [ ! -f "$build/bin/Corvane.exe" ]; then
  echo "No built Corvane in $build: run make dist, which builds it first." >&2
  exit 1
fi

# The same check of the exe's headers that every test run makes.
bash "$root/tools/check-release-exe.sh" "$build/bin/Corvane.exe"

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
cp "$build/bin/Corvane.exe" "$stage/"
# Notepad before Windows 10 shows LF-only text as one long line.
sed -e 's/\r*$/\r/' -e "s/@CORVANE_VERSION@/${release%%-*}/g" -e "s/@CORVANE_COMMIT@/${release#*-}/g" \
  "$root/docs/README.txt" >"$stage/README.txt"
sed 's/\r*$/\r/' "$root/LICENSE" >"$stage/LICENSE.txt"

zip=$root/dist/Corvane-$release.zip
mkdir -p "$root/dist"
rm -f "$zip"
# The Linux start script keeps its line ends and its mode: unzip makes it a program again.
install -m 755 "$root/launcher/corvane-linux" "$stage/"
(cd "$stage" && cmake -E tar cf "$zip" --format=zip Corvane.exe corvane-linux README.txt LICENSE.txt)
echo "Wrote $zip:"
cmake -E tar tf "$zip"
