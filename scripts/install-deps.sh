#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing need.
# Only missing packages are installed; apt-get update runs first when something is missing.
set -euo pipefail

PACKAGES=(
    build-essential cmake make pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev qt6-qpa-plugins libgl-dev
    gstreamer1.0-plugins-base gstreamer1.0-plugins-good
    fonts-noto-cjk fonts-arphic-ukai fonts-arphic-uming fonts-liberation2
    xvfb xauth xdotool imagemagick pulseaudio pulseaudio-utils dbus openbox wmctrl x11-utils
    qt6-translations-l10n espeak-ng sox clang-format faketime python3
    file desktop-file-utils appstream lintian librsvg2-bin designer-qt6
    libmosquitto-dev mosquitto mosquitto-clients openssl
)

missing=()
for p in "${PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    echo "install-deps: all packages present"
    exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null 2>&1; then
        SUDO="sudo"
    else
        echo "install-deps: these packages are missing: ${missing[*]}" >&2
        echo "install-deps: you are not root and sudo is not installed." >&2
        echo "install-deps: run this script as root (for example: su -c 'bash scripts/install-deps.sh')," >&2
        echo "install-deps: or install the packages above with apt-get as root, then run make again." >&2
        exit 1
    fi
fi

echo "install-deps: installing ${missing[*]}"
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get update
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
