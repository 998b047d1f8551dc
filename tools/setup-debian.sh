#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing Pictrove
# need. Idempotent: packages already present are not touched, and nothing is
# done at all when everything is installed.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libjpeg62-turbo-dev libpng-dev libtiff-dev zlib1g-dev libtbb-dev libpixman-1-dev
  file
  qt6-base-dev libgl-dev
  libxcb1-dev
  xvfb xauth imagemagick x11-utils xdotool fonts-dejavu-core
  clang libclang-rt-14-dev
  # The KIO thumbnail plugin (Qt 5, KDE Frameworks 5) and its end-to-end
  # test: KIO's thumbnail worker from kio-extras, on a session bus.
  libkf5kio-dev extra-cmake-modules qtbase5-dev kio-extras dbus-daemon
)

bash "$(dirname "$0")/install-packages.sh" "${packages[@]}"
