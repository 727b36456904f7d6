#!/usr/bin/env bash
# Installs the Debian packages Quorvel needs to build, test and run, when any is missing.
# Usage: scripts/deps.sh [extra-package ...]
set -euo pipefail

# qt6-charts-dev needs the Qt 6 OpenGL development files without depending on them.
packages=(
    build-essential cmake pkg-config
    qtbase5-dev qtbase5-dev-tools libqt5serialport5-dev libqt5charts5-dev qttranslations5-l10n
    qt6-base-dev qt6-serialport-dev qt6-5compat-dev qt6-charts-dev libqt6opengl6-dev qt6-translations-l10n
    # lupdate and lrelease with their CMake packages: the translations are built and checked.
    qttools5-dev qttools5-dev-tools qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools
    clang-format dpkg-dev desktop-file-utils appstream file
    # Most desktops have these through Ghostscript, Courier among them: the window must fit with
    # them as it does without.
    fonts-urw-base35
    # The KDE highlighting engine's renderer checks the syntax definition against the window.
    libkf5syntaxhighlighting-tools
    "$@"
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ "${#missing[@]}" -eq 0 ]; then
    exit 0
fi

echo "Installing: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
    sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
