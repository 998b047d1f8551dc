#!/usr/bin/env bash
# run_preview_job_test.sh TEST_PROGRAM PLUGIN_FOLDER PLUGIN_ID WORKER THUMBNAILER SHIM
# Runs the preview test as Dolphin's previews run: on a session bus of its
# own (dbus-run-session), with scratch HOME and XDG folders, workers started
# by the job itself (KDE_FORK_SLAVES=1) and the plugin found through
# QT_PLUGIN_PATH in the build's kf5/thumbcreator folder. Exits 77 (skipped)
# when KIO's thumbnail worker (kio-extras) or dbus-run-session is missing.
set -euo pipefail
program=$1 plugins=$2 plugin_id=$3 worker=$4 thumbnailer=$5 shim=$6
if [ ! -e "$worker" ]; then
  echo "SKIP KIO's thumbnail worker $worker is missing (Debian: kio-extras)"
  exit 77
fi
if ! command -v dbus-run-session >/dev/null; then
  echo "SKIP dbus-run-session is missing (Debian: dbus-daemon)"
  exit 77
fi
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/home/.config" "$scratch/home/.cache" "$scratch/home/.local/share" "$scratch/runtime"
chmod 700 "$scratch/runtime"
env -u DISPLAY -u WAYLAND_DISPLAY -u DBUS_SESSION_BUS_ADDRESS \
  HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/home/.config" XDG_CACHE_HOME="$scratch/home/.cache" \
  XDG_DATA_HOME="$scratch/home/.local/share" XDG_RUNTIME_DIR="$scratch/runtime" \
  QT_QPA_PLATFORM=offscreen KDE_FORK_SLAVES=1 QT_PLUGIN_PATH="$plugins" LD_PRELOAD="$shim" PICTROVE_FAIL_READS=/read-fails.dwg \
  dbus-run-session -- ${PICTROVE_TEST_WRAP:-} "$program" "$plugin_id" "$thumbnailer" "$scratch"
