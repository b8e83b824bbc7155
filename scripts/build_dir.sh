# Sourced by run.sh and screenshots.sh: sets root and build, and configures
# build/ (packages first) the first time, so later builds only compile.
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$root/build"

if [ ! -f "$build/build.ninja" ]; then
  "$root/scripts/setup.sh" >&2
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
