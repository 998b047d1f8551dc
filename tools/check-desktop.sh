#!/usr/bin/env bash
# Checks what Pictrove installs for the desktop and the Debian package made
# of it, with the desktop's and Debian's own validators:
#   - desktop-file-validate on the desktop entry,
#   - appstreamcli validate --no-net on the metainfo,
#   - groff -man -ww -z on both manual pages,
#   - each icon's real size against its folder's name,
#   - the MIME magic: a drawing renamed without .dwg is image/vnd.dwg in a
#     database built with it (and is not without it),
#   - the packages built under umask 077 and 000 with the same permissions,
#   - the main package pulls in no KDE library; pictrove-kde, where the KIO
#     plugin is built, holds the plugin and needs pictrove of its version,
#   - lintian --fail-on error on both packages.
# Uses the build folder that tools/test.sh made (PICTROVE_BUILD_DIR, default
# build/) and installs the validators it needs with apt-get.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build="${PICTROVE_BUILD_DIR:-$here/build}"
app_id=org.quillory.Pictrove

bash "$here/tools/install-packages.sh" desktop-file-utils appstream groff-base lintian file \
  dpkg-dev shared-mime-info libglib2.0-bin

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
pass() { echo "ok   $*"; }
fail() { echo "FAIL $*"; failures=$((failures + 1)); }
skip() { echo "SKIP $*"; }

cmake --build "$build" -j"$(nproc)" >/dev/null
stage="$scratch/stage"
DESTDIR="$stage" cmake --install "$build" --prefix /usr >/dev/null
share="$stage/usr/share"

# ---- Desktop entry, metainfo, manual pages -----------------------------------
if desktop-file-validate "$share/applications/$app_id.desktop"; then
  pass "desktop-file-validate $app_id.desktop"
else
  fail "desktop-file-validate $app_id.desktop"
fi

# Only the component id's capitals are left at --pedantic; the id is fixed.
if appstreamcli validate --no-net "$share/metainfo/$app_id.metainfo.xml"; then
  pass "appstreamcli validate --no-net $app_id.metainfo.xml"
else
  fail "appstreamcli validate --no-net $app_id.metainfo.xml"
fi
version=$(sed -n 's/^project(Pictrove VERSION \([0-9.]*\).*/\1/p' "$here/CMakeLists.txt")
if grep -q "<release version=\"$version\"" "$share/metainfo/$app_id.metainfo.xml"; then
  pass "metainfo release $version is the project's version"
else
  fail "metainfo release is not the project's version $version"
fi

for page in pictrove pictrove-thumbnailer; do
  warnings=$(zcat "$share/man/man1/$page.1.gz" | LC_ALL=C.UTF-8 groff -man -ww -z 2>&1 || true)
  if [ -z "$warnings" ]; then
    pass "groff -man -ww -z $page.1"
  else
    fail "groff -man -ww -z $page.1: $warnings"
  fi
done

# ---- Icons: each PNG's size is its folder's name -----------------------------
icons=0
for icon in "$share"/icons/hicolor/*x*/apps/*.png; do
  folder=$(basename "$(dirname "$(dirname "$icon")")")
  # Width and height are the big-endian words at bytes 16 and 20 of IHDR.
  read -r width height < <(od -An -tu1 -j16 -N8 "$icon" |
    awk '{print $1*16777216 + $2*65536 + $3*256 + $4, $5*16777216 + $6*65536 + $7*256 + $8}')
  if [ "${width}x${height}" = "$folder" ]; then
    icons=$((icons + 1))
  else
    fail "icon $icon is ${width}x${height}, not $folder"
  fi
done
[ "$icons" -eq 7 ] && pass "7 hicolor PNG icons match their folders" || fail "$icons PNG icons match"
svg="$share/icons/hicolor/scalable/apps/$app_id.svg"
if [ -f "$svg" ] && grep -q '<svg xmlns="http://www.w3.org/2000/svg"' "$svg"; then
  pass "scalable icon $app_id.svg"
else
  fail "scalable icon missing"
fi

# ---- MIME magic --------------------------------------------------------------
if [ "$(cd "$share/mime" && find . -type f)" = "./packages/pictrove.xml" ]; then
  pass "share/mime holds only packages/pictrove.xml"
else
  fail "share/mime holds more than packages/pictrove.xml"
fi
# A database of the system's definitions, with and without ours.
for variant in with without; do
  mkdir -p "$scratch/$variant/mime/packages"
  cp /usr/share/mime/packages/freedesktop.org.xml "$scratch/$variant/mime/packages/"
done
cp "$share/mime/packages/pictrove.xml" "$scratch/with/mime/packages/"
samples="$build/samples"
cp "$samples/floor-plan.dwg" "$scratch/floor-plan"
printf 'AC1009 is too old to carry a preview' > "$scratch/old-drawing"
content_type() {
  XDG_DATA_HOME="$scratch/$1" XDG_DATA_DIRS="$scratch/$1" \
    gio info -a standard::content-type "$2" | sed -n 's/.*standard::content-type: //p'
}
for variant in with without; do
  XDG_DATA_DIRS="$scratch/$variant" update-mime-database "$scratch/$variant/mime"
done
found_with=$(content_type with "$scratch/floor-plan")
found_without=$(content_type without "$scratch/floor-plan")
found_old=$(content_type with "$scratch/old-drawing")
if [ "$found_with" = image/vnd.dwg ] && [ "$found_without" != image/vnd.dwg ] &&
   [ "$found_old" != image/vnd.dwg ]; then
  pass "a drawing without .dwg is image/vnd.dwg with our magic ($found_without without it)"
else
  fail "MIME magic: with ours '$found_with', without '$found_without', old drawing '$found_old'"
fi

# ---- The packages ----------------------------------------------------------------
# pictrove, and pictrove-kde (the KIO thumbnail plugin) where it was built.
listing() {
  dpkg-deb -c "$1" | awk '{print $1, $2, $6}'
  mkdir -p "$scratch/control" && dpkg-deb -e "$1" "$scratch/control/$(basename "$1")"
  find "$scratch/control/$(basename "$1")" -type f -printf '%m %f\n' | sort
}
packages() { ls "$build"/pictrove_*.deb "$build"/pictrove-kde_*.deb 2>/dev/null || true; }
for mask in 077 000; do
  rm -f "$build"/pictrove_*.deb "$build"/pictrove-kde_*.deb
  if ! (umask "$mask" && cd "$build" && cpack -G DEB >"$scratch/cpack.log" 2>&1); then
    cat "$scratch/cpack.log"
    fail "cpack -G DEB under umask $mask"
    continue
  fi
  for deb in $(packages); do
    listing "$deb"
  done > "$scratch/listing-$mask"
done
if cmp -s "$scratch/listing-077" "$scratch/listing-000"; then
  pass "the packages' permissions do not depend on the umask"
else
  fail "the packages' permissions depend on the umask:"
  diff "$scratch/listing-077" "$scratch/listing-000" || true
fi
odd=$(awk 'NF == 3 && ($1 !~ /^(drwxr-xr-x|-rw-r--r--|-rwxr-xr-x)$/ || $2 != "root/root")' \
        "$scratch/listing-077"
      awk 'NF == 2 && $1 != "644"' "$scratch/listing-077")
if [ -z "$odd" ]; then
  pass "folders 0755, files 0644, programs 0755, owned by root; control files 0644"
else
  fail "unexpected permissions or owners: $odd"
fi

deb=$(ls "$build"/pictrove_*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
if grep -qiE 'kf5|kf6|kio|qt5' <<<"$depends"; then
  fail "$(basename "$deb") depends on KDE or Qt 5 libraries: $depends"
else
  pass "$(basename "$deb") pulls in no KDE library"
fi
kde_deb=$(ls "$build"/pictrove-kde_*.deb 2>/dev/null || true)
if [ -n "$kde_deb" ]; then
  main_version=$(dpkg-deb -f "$deb" Version)
  kde_depends=$(dpkg-deb -f "$kde_deb" Depends)
  plugin=$(dpkg-deb -c "$kde_deb" | awk '{print $6}' | grep '/kf5/thumbcreator/pictrovethumbnail\.so$' || true)
  if grep -q "pictrove (= $main_version)" <<<"$kde_depends" && [ -n "$plugin" ]; then
    pass "$(basename "$kde_deb"): $plugin, needs pictrove (= $main_version)"
  else
    fail "$(basename "$kde_deb"): plugin '$plugin', Depends: $kde_depends"
  fi
else
  skip "pictrove-kde: the KIO thumbnail plugin was not built (no KDE Frameworks 5 KIO development files)"
fi

for package in $(packages); do
  lintian_out=$(lintian --fail-on error --display-info "$package" 2>&1 | grep -v 'running with root privileges' || true)
  if lintian --fail-on error "$package" >/dev/null 2>&1; then
    pass "lintian --fail-on error $(basename "$package")"
  else
    fail "lintian --fail-on error $(basename "$package")"
  fi
  if [ -n "$lintian_out" ]; then
    sed 's/^/     /' <<<"$lintian_out"
  fi
done

if [ "$failures" -ne 0 ]; then
  echo "check-desktop: $failures check(s) failed"
  exit 1
fi
echo "check-desktop: all checks passed"
