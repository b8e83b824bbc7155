#!/usr/bin/env bash
# Makes the Debian packages of an existing build (no rebuild) into a scratch
# directory, checks their control fields and contents, extracts them into
# one scratch root with dpkg -x and runs them from there: a C program built
# with the extracted tarnix.pc, and the extracted trx_Server serving the
# extracted Corvane, which runs the samples script.
# Usage: package_test.sh BUILD_DIR SOURCE_DIR VERSION [library-only]
# (library-only: the build makes the tarnix package alone)
set -euo pipefail
build_dir=$(cd "$1" && pwd)
source_dir=$(cd "$2" && pwd)
version=$3
library_only=${4:-}

scratch=$(mktemp -d)
server=""
trap 'if [ -n "$server" ]; then kill "$server" 2>/dev/null || true; wait "$server" 2>/dev/null || true; fi; rm -rf "$scratch"' EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}
# shellcheck source=scripts/server_lib.sh
source "$(dirname "$0")/../../scripts/server_lib.sh"

packages=$scratch/packages
if ! cpack --config "$build_dir/CPackConfig.cmake" -G DEB -B "$packages" >"$scratch/cpack.log" 2>&1; then
  cat "$scratch/cpack.log"
  fail "cpack failed"
fi

expected=(tarnix)
[ -n "$library_only" ] || expected+=(trx-server corvane)
found=$(cd "$packages" && ls -- *.deb)
want=$(for p in "${expected[@]}"; do echo "${p}_${version}_$(dpkg --print-architecture).deb"; done | sort)
[ "$found" = "$want" ] || fail "packages made:"$'\n'"$found"$'\n'"expected:"$'\n'"$want"

deb() { echo "$packages/${1}_${version}_$(dpkg --print-architecture).deb"; }
field() { dpkg-deb --field "$(deb "$1")" "$2"; }
# The control fields every package needs, and the dependency each must name.
check_fields() {
  local package=$1 needs=$2
  [ "$(field "$package" Package)" = "$package" ] || fail "$package: Package is $(field "$package" Package)"
  [ "$(field "$package" Version)" = "$version" ] || fail "$package: Version is $(field "$package" Version)"
  [ -n "$(field "$package" Maintainer)" ] || fail "$package: no Maintainer"
  [ -n "$(field "$package" Description)" ] || fail "$package: no Description"
  local depends
  depends=$(field "$package" Depends)
  for d in $needs; do
    case ", $depends," in
      *", $d "* | *", $d,"*) ;;
      *) fail "$package: Depends lacks $d: $depends" ;;
    esac
  done
}
# The paths a package must hold.
check_contents() {
  local package=$1 listing
  shift
  listing=$(dpkg-deb --contents "$(deb "$package")")
  for path in "$@"; do
    grep -q " \./${path#/}\( -> .*\)\?$" <<<"$listing" || fail "$package lacks $path"
  done
}

# tarnix: shlibdeps found the C++ runtime; the shlibs file names the
# library's soname for programs linked to it.
check_fields tarnix "libc6 libstdc++6"
check_contents tarnix /usr/include/tarnix.h /usr/lib/libTarnix.so /usr/lib/pkgconfig/tarnix.pc
dpkg-deb --info "$(deb tarnix)" shlibs | grep -q "^libTarnix 1 tarnix " || fail "tarnix: no shlibs entry"

if [ -z "$library_only" ]; then
  # trx-server loads the library with dlopen: only the explicit dependency
  # brings tarnix along, in the same version.
  check_fields trx-server "tarnix libc6 libcurl4"
  case "$(field trx-server Depends)" in
    *"tarnix (= $version)"*) ;;
    *) fail "trx-server does not depend on tarnix (= $version): $(field trx-server Depends)" ;;
  esac
  check_fields corvane "libc6 libqt6widgets6"
  check_contents trx-server /usr/bin/trx_Server /usr/lib/systemd/system/trx-server.service \
    /usr/lib/systemd/system/trx-server@.service /etc/default/trx-server
  check_contents corvane /usr/bin/Corvane /usr/share/applications/corvane.desktop \
    /usr/share/icons/hicolor/scalable/apps/corvane.svg
  # The options file is a conffile (an upgrade keeps the administrator's
  # changes), and the maintainer scripts are shell scripts that parse.
  [ "$(dpkg-deb --info "$(deb trx-server)" conffiles)" = "/etc/default/trx-server" ] ||
    fail "trx-server: conffiles is not /etc/default/trx-server"
  for script in postinst prerm postrm; do
    dpkg-deb --info "$(deb trx-server)" "$script" >"$scratch/$script"
    sh -n "$scratch/$script" || fail "trx-server: $script does not parse"
  done
fi

root=$scratch/root
for p in "${expected[@]}"; do
  dpkg -x "$(deb "$p")" "$root"
done

# The development files: a C program built against the extracted tree.
cat >"$scratch/demo.c" <<'C'
#include <stdio.h>
#include <tarnix.h>
int main(void) {
  double y = 0;
  if (e_eval("2^3^2", &y, 1) != 0) return 1;
  printf("%g\n", y);
  return 0;
}
C
export PKG_CONFIG_PATH=$root/usr/lib/pkgconfig
# shellcheck disable=SC2046  # pkg-config's flags are a list
cc -Wall -Werror "$scratch/demo.c" $(pkg-config --cflags --libs tarnix) -o "$scratch/demo"
out=$(LD_LIBRARY_PATH=$root/usr/lib "$scratch/demo")
[ "$out" = 64 ] || fail "a program built with the extracted tarnix.pc printed $out"

if [ -n "$library_only" ]; then
  echo "package verified: $(deb tarnix)"
  exit 0
fi

# The units of the package name the programs and the options file where the
# package puts them.
for unit in trx-server.service trx-server@.service; do
  grep -q '^ExecStart=/usr/bin/trx_Server --headless ' "$root/usr/lib/systemd/system/$unit" ||
    fail "$unit does not run /usr/bin/trx_Server"
  grep -q '^EnvironmentFile=-/etc/default/trx-server$' "$root/usr/lib/systemd/system/$unit" ||
    fail "$unit does not read /etc/default/trx-server"
done

# The extracted programs run as they are, with nothing set: the server finds
# the extracted library next to it, in ../lib.
work=$scratch/work
mkdir "$work"
cp -R "$source_dir/InOut" "$work/"
log=$scratch/server.log
(cd "$work" && exec env -u LD_LIBRARY_PATH "$root/usr/bin/trx_Server" --headless --port 0 --wan-host "") \
  >"$log" 2>&1 &
server=$!
port=$(server_port "$log" "$server") || fail "the extracted trx_Server did not start:"$'\n'"$(cat "$log")"
grep -q "$root/usr/lib/libTarnix.so" "/proc/$server/maps" ||
  fail "the extracted trx_Server did not load the extracted library"

status=0
(cd "$work" && QT_QPA_PLATFORM=offscreen exec env -u LD_LIBRARY_PATH timeout 120 \
  "$root/usr/bin/Corvane" --run "InOut/Synt&Samp.txt" --port "$port") \
  >"$scratch/out.txt" 2>"$scratch/err.txt" || status=$?
if [ "$status" -ne 0 ]; then
  cat "$scratch/err.txt" "$scratch/out.txt"
  fail "the extracted Corvane ended with status $status"
fi
if ! grep -q '^Ln 13: Expression = sqr(2) \* cos(pi/4): *$' "$scratch/out.txt" ||
  ! grep -A1 '^Ln 13: ' "$scratch/out.txt" | grep -q '^ *Result => Number = 1\.0000$'; then
  fail "no 'Result => Number = 1.0000' for line 13:"$'\n'"$(head -n 40 "$scratch/out.txt")"
fi
grep -q '^No errors$' "$scratch/err.txt" || fail "Corvane's messages: $(cat "$scratch/err.txt")"

server_stop "$server" || fail "the extracted trx_Server still runs 10 s after SIGTERM"
status=0
wait "$server" || status=$?
server=""
[ "$status" -eq 0 ] || fail "the extracted trx_Server ended with status $status"

echo "packages verified: ${expected[*]} $version"
