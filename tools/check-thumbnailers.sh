#!/usr/bin/env bash
# End to end, as desktops run it: builds the Debian package, installs it with
# apt-get, runs both programs from /usr/bin, then has GNOME's thumbnail
# factory (which runs thumbnailers under bubblewrap, as the file manager
# does) and Thunar's thumbnail service (tumbler, over D-Bus) thumbnail sample
# drawings in scratch XDG_CACHE_HOME/XDG_DATA_HOME/HOME folders, and finally
# removes and purges the package and checks that nothing of it is left.
#
# Where bubblewrap cannot run (no user namespaces), the GNOME part is
# skipped with a message; everything else still runs. Uses the build folder
# that tools/test.sh made (PICTROVE_BUILD_DIR, default build/).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build="${PICTROVE_BUILD_DIR:-$here/build}"
python=/usr/bin/python3

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
bash "$here/tools/install-packages.sh" bubblewrap gir1.2-gnomedesktop-4.0 gir1.2-gdkpixbuf-2.0 \
  python3-gi tumbler dbus dbus-daemon libglib2.0-bin shared-mime-info file dpkg-dev

scratch=$(mktemp -d)
installed=0
cleanup() {
  if [ "$installed" -eq 1 ]; then
    "${sudo_cmd[@]}" apt-get remove -y -qq pictrove >/dev/null 2>&1 || true
    "${sudo_cmd[@]}" dpkg --purge pictrove >/dev/null 2>&1 || true
  fi
  rm -rf "$scratch"
}
trap cleanup EXIT
failures=0
pass() { echo "ok   $*"; }
fail() { echo "FAIL $*"; failures=$((failures + 1)); }
skip() { echo "SKIP $*"; }

# ---- Build and install the package ---------------------------------------------
cmake --build "$build" -j"$(nproc)" >/dev/null
rm -f "$build"/pictrove_*.deb
(cd "$build" && cpack -G DEB >"$scratch/cpack.log" 2>&1) || { cat "$scratch/cpack.log"; exit 1; }
deb=$(ls "$build"/pictrove_*.deb)
dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|' | grep -v '/$' > "$scratch/package-files"
# A copy installed before would make apt-get keep it ("already the newest
# version"): start from none.
if dpkg-query -W -f='${Status}' pictrove 2>/dev/null | grep -q "install ok installed"; then
  "${sudo_cmd[@]}" apt-get purge -y -qq pictrove >/dev/null
fi
"${sudo_cmd[@]}" apt-get install -y -qq "$deb" >"$scratch/apt.log" 2>&1 || { cat "$scratch/apt.log"; exit 1; }
installed=1
pass "apt-get install ./$(basename "$deb")"

# Sample drawings, one of them renamed without .dwg, one without a preview.
drawings="$scratch/drawings"
mkdir -p "$drawings"
cp "$build/samples/floor-plan.dwg" "$build/samples/bridge.dwg" "$build/samples/notes.dwg" "$drawings/"
cp "$build/samples/gear.dwg" "$drawings/gear-without-extension"
# The largest real preview (672 x 448), scaled down, where the shared
# drawings are at hand.
large="$here/../shared/drawings/r2010-large-preview.dwg"
if [ -f "$large" ]; then
  cp "$large" "$drawings/"
fi

# ---- The programs from /usr/bin ----------------------------------------------------
listed=$(/usr/bin/pictrove --list "$drawings" || true)
if grep -q '^floor-plan.dwg' <<<"$listed" && ! grep -q '^notes.dwg' <<<"$listed"; then
  pass "/usr/bin/pictrove --list"
else
  fail "/usr/bin/pictrove --list printed: $listed"
fi
if /usr/bin/pictrove-thumbnailer -s 128 "$drawings/floor-plan.dwg" "$scratch/thumb" &&
   file "$scratch/thumb" | grep -q 'PNG image data'; then
  pass "/usr/bin/pictrove-thumbnailer writes a PNG"
else
  fail "/usr/bin/pictrove-thumbnailer"
fi
kind=$(gio info -a standard::content-type "$drawings/gear-without-extension" |
       sed -n 's/.*standard::content-type: //p')
if [ "$kind" = image/vnd.dwg ]; then
  pass "the installed MIME magic makes a drawing without .dwg image/vnd.dwg"
else
  fail "a drawing without .dwg is $kind"
fi

# Scratch home, cache and data folders for the thumbnail services.
fresh_home() {
  rm -rf "$scratch/home" "$scratch/tmp"
  mkdir -p "$scratch/home/.cache" "$scratch/home/.local/share" "$scratch/tmp"
}
run_in_home() {
  env -u DISPLAY -u DBUS_SESSION_BUS_ADDRESS -u WAYLAND_DISPLAY HOME="$scratch/home" XDG_CACHE_HOME="$scratch/home/.cache" \
    XDG_DATA_HOME="$scratch/home/.local/share" TMPDIR="$scratch/tmp" "$@"
}
cases=("GOOD:$drawings/floor-plan.dwg" "GOOD:$drawings/bridge.dwg"
       "GOOD:$drawings/gear-without-extension" "NONE:$drawings/notes.dwg")
if [ -f "$drawings/r2010-large-preview.dwg" ]; then
  cases+=("GOOD:$drawings/r2010-large-preview.dwg")
fi

# ---- GNOME's thumbnail factory, sandboxed ---------------------------------------------
if bwrap --ro-bind /usr /usr --symlink usr/lib /lib --symlink usr/lib64 /lib64 \
     --symlink usr/bin /bin --proc /proc --dev /dev --unshare-all --die-with-parent \
     /usr/bin/true 2>"$scratch/bwrap.log"; then
  fresh_home
  trace=()
  if command -v strace >/dev/null; then
    trace=(strace -f -qq -e trace=execve -o "$scratch/exec.log")
  fi
  echo "GNOME thumbnail factory:"
  if run_in_home "${trace[@]}" "$python" "$here/tools/check-gnome-factory.py" "${cases[@]}"; then
    pass "GNOME's thumbnail factory: cached thumbnails with Thumb::URI and Thumb::MTime, a failure mark for the drawing without a preview"
  else
    fail "GNOME's thumbnail factory"
  fi
  if [ ${#trace[@]} -gt 0 ]; then
    if grep -q 'execve("/usr/bin/bwrap"' "$scratch/exec.log" &&
       grep -q 'execve("/usr/bin/pictrove-thumbnailer"' "$scratch/exec.log"; then
      pass "the factory ran pictrove-thumbnailer inside bubblewrap"
    else
      fail "the factory did not run pictrove-thumbnailer through bubblewrap"
    fi
  fi
  # The factory binds a fresh folder under TMPDIR as the sandbox's /tmp and
  # removes it afterwards; it stays behind when a thumbnailer leaves files.
  if [ -z "$(ls -A "$scratch/tmp")" ]; then
    pass "the sandbox's /tmp was left clean"
  else
    fail "left in the sandbox's /tmp: $(cd "$scratch/tmp" && find . -mindepth 1 | head -5)"
  fi
else
  skip "GNOME's thumbnail factory: bubblewrap cannot run here (user namespaces unavailable?): $(cat "$scratch/bwrap.log")"
fi

# ---- Tumbler over D-Bus -------------------------------------------------------------
fresh_home
echo "tumbler:"
# The bus and tumblerd talk on standard error; that is shown on failure only.
if run_in_home dbus-run-session -- "$python" "$here/tools/check-tumbler.py" "${cases[@]}" \
     2>"$scratch/tumbler.log"; then
  pass "tumbler: Ready with cached thumbnails for the drawings, Error for the one without a preview"
else
  cat "$scratch/tumbler.log"
  fail "tumbler"
fi

# ---- Removal -----------------------------------------------------------------------
# apt-get remove takes everything, as the package has no configuration files;
# apt then no longer knows the package at all, so the purge goes to dpkg,
# which also clears any record left.
"${sudo_cmd[@]}" apt-get remove -y -qq pictrove >/dev/null
"${sudo_cmd[@]}" dpkg --purge pictrove >/dev/null 2>&1
installed=0
left=$(while read -r f; do if [ -e "$f" ]; then echo "$f"; fi; done <"$scratch/package-files")
status=$(dpkg-query -W -f='${Status}' pictrove 2>/dev/null || true)
if [ -z "$left" ] && ! grep -qE 'installed|config-files' <<<"$status"; then
  pass "apt-get remove and purge leave none of the package's files"
else
  fail "left after purge: $left"
fi
kind=$(gio info -a standard::content-type "$drawings/gear-without-extension" |
       sed -n 's/.*standard::content-type: //p')
if [ "$kind" != image/vnd.dwg ]; then
  pass "the MIME magic went with the package ($kind)"
else
  fail "a drawing without .dwg is still image/vnd.dwg after purge"
fi

if [ "$failures" -ne 0 ]; then
  echo "check-thumbnailers: $failures check(s) failed"
  exit 1
fi
echo "check-thumbnailers: all checks passed"
