#!/usr/bin/env bash
# Builds the Debian package, unpacks it into a scratch root, starts the unpacked program
# once under Xvfb with a fresh home, and checks that the per-user data folder was seeded from
# the package and that the main window appeared. Usage: package_starts.sh <build folder>
set -euo pipefail
build=$(cd "$1" && pwd)
scratch=$(mktemp -d)
cleanup() {
  [ -n "${app_pid:-}" ] && kill "$app_pid" 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT

(cd "$build" && cpack -G DEB -B "$scratch/pkg" >/dev/null)
deb=$(ls "$scratch"/pkg/*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
if grep -q -- '-dev' <<<"$depends"; then
  echo "FAIL: the package depends on a development package"; exit 1
fi
for needed in libqt6sql6-sqlite libqt6sql6-psql libqt6widgets6 libqt6charts6; do
  grep -q "$needed" <<<"$depends" || { echo "FAIL: $needed missing from Depends"; exit 1; }
done

# The clinic's server is reached through Qt's PostgreSQL driver, which the unpacked program
# loads from the system: it must be there and all its libraries found.
psql_driver=$(dpkg -L libqt6sql6-psql 2>/dev/null | grep '/sqldrivers/libqsqlpsql.so$' || true)
[ -n "$psql_driver" ] && [ -f "$psql_driver" ] || { echo "FAIL: Qt's PostgreSQL driver is not installed"; exit 1; }
if ldd "$psql_driver" | grep -q 'not found'; then
  echo "FAIL: the PostgreSQL driver misses a library"; ldd "$psql_driver"; exit 1
fi
echo "PostgreSQL driver: $psql_driver"

root="$scratch/root"
dpkg -x "$deb" "$root"
for f in usr/bin/morvalen usr/share/applications/morvalen.desktop usr/share/icons/hicolor/scalable/apps/morvalen.svg \
         usr/share/morvalen/morvalen.mdb usr/share/morvalen/Theme.skn usr/share/morvalen/NNPic.mdb \
         usr/share/morvalen/ATaf.fr3; do
  [ -e "$root/$f" ] || { echo "FAIL: $f not in the package"; exit 1; }
done

home="$scratch/home"
mkdir -p "$home"
data="$home/.local/share/Morvalen"
display_log="$scratch/xvfb.log"
# One X server for this test; its number is chosen by Xvfb itself.
exec 3>"$scratch/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp >"$display_log" 2>&1 &
xvfb_pid=$!
trap 'cleanup; kill $xvfb_pid 2>/dev/null || true' EXIT
for _ in $(seq 50); do [ -s "$scratch/display" ] && break; sleep 0.1; done
display=":$(cat "$scratch/display")"

env -i HOME="$home" PATH=/usr/bin:/bin DISPLAY="$display" XDG_RUNTIME_DIR="$scratch" \
  "$root/usr/bin/morvalen" >"$scratch/app.log" 2>&1 &
app_pid=$!

appeared=""
for _ in $(seq 100); do
  if DISPLAY="$display" xwininfo -root -tree 2>/dev/null | grep -q '"Morvalen": ("morvalen"'; then
    appeared=yes; break
  fi
  kill -0 "$app_pid" 2>/dev/null || break
  sleep 0.2
done
[ -n "$appeared" ] || { echo "FAIL: no main window"; cat "$scratch/app.log"; exit 1; }

for f in morvalen.mdb Theme.skn NNPic.mdb ATaf.fr3 Styles/iTunes; do
  cmp -s "$data/$f" "$root/usr/share/morvalen/$f" || { echo "FAIL: $f not seeded into $data"; exit 1; }
done

# Closing the main window asks whether to leave; "بلي" ends the program with nothing left running.
here=$(cd "$(dirname "$0")" && pwd)
# The program's own top-level windows (not Qt's 1x1 group leader, which has no class).
morvalen_windows() { DISPLAY="$display" xwininfo -root -tree | grep '"Morvalen": ("morvalen"' || true; }
main_id=$(morvalen_windows | awk '{print $1}' | head -1)
DISPLAY="$display" python3 "$here/xdrive.py" close "$main_id"
question=""
for _ in $(seq 50); do
  question=$(morvalen_windows | grep -v "^ *$main_id " | head -1)
  [ -n "$question" ] && break
  sleep 0.1
done
[ -n "$question" ] || { echo "FAIL: closing the main window asked nothing"; exit 1; }
geometry=$(grep -oE '[0-9]+x[0-9]+\+-?[0-9]+\+-?[0-9]+' <<<"$question" | head -1)
IFS='x+' read -r width height left top <<<"$geometry"
sleep 0.5
# "بلي" sits just right of the middle of the button row, at the foot of the window.
DISPLAY="$display" python3 "$here/xdrive.py" click $((left + width / 2 + 28)) $((top + height - 31))
for _ in $(seq 100); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$app_pid" 2>/dev/null; then
  echo "FAIL: the program is still running after \"بلي\""; exit 1
fi
status=0; wait "$app_pid" || status=$?
app_pid=""
[ "$status" -eq 0 ] || { echo "FAIL: the program ended with status $status"; cat "$scratch/app.log"; exit 1; }
if pgrep -f "$root/usr/bin/morvalen" >/dev/null; then
  echo "FAIL: a program process is left behind"; exit 1
fi
echo "PASS: the unpacked program started, seeded $data, showed its main window and ended cleanly from \"بلي\""
