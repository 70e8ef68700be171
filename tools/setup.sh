#!/bin/sh
# Installs what building, running and testing need on Debian 12 (as root or via sudo).
set -e
PKGS="build-essential cmake ninja-build qt6-base-dev qt6-base-dev-tools qt6-translations-l10n libgl-dev libgtest-dev xvfb xauth fonts-dejavu-core"
missing=""
for p in $PKGS; do
    dpkg -s "$p" >/dev/null 2>&1 || missing="$missing $p"
done
if [ -n "$missing" ]; then
    SUDO=""
    [ "$(id -u)" -ne 0 ] && SUDO=sudo
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq $missing
fi
