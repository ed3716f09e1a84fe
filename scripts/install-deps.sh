#!/bin/sh
# Installs the Debian 12 packages that building and running need (`run`),
# or those plus what the tests need (`test`). Runs apt-get update only when
# something is missing, so a prepared machine starts at once.
#
# The test part stays off a user's desktop unless asked for: it brings a
# second sound server (PulseAudio), which on a PipeWire desktop competes for
# the sound socket, and tools only the tests use.
#   scripts/install-deps.sh run | test
set -eu

# One list in two parts.
RUN_PACKAGES="
cmake g++ make pkg-config
qt6-base-dev qt6-qpa-plugins libgl-dev qt6-translations-l10n
libfluidsynth-dev timgm6mb-soundfont fluid-soundfont-gm fluid-soundfont-gs
libmpv-dev libsndfile1-dev libebur128-dev
libcdio-dev libcdio-paranoia-dev libdiscid-dev
liblhasa-dev
libasound2-dev libasound2-plugins
libx11-dev libxi-dev libxcb1-dev
fonts-ipafont-gothic fonts-ipafont-mincho
"
TEST_PACKAGES="
libgtest-dev libgmock-dev libbenchmark-dev
xvfb xauth xdotool openbox sox ffmpeg pulseaudio pulseaudio-utils trayer lhasa
fluidsynth mpv
dbus-daemon dbus-bin playerctl
desktop-file-utils appstream shared-mime-info
dpkg-dev
"

case "${1:-}" in
run) PACKAGES=$RUN_PACKAGES ;;
test) PACKAGES="$RUN_PACKAGES $TEST_PACKAGES" ;;
*)
    echo "usage: scripts/install-deps.sh run | test" >&2
    exit 2
    ;;
esac

missing=""
for p in $PACKAGES; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done

[ -z "$missing" ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null 2>&1; then
        SUDO=sudo
    else
        echo "install-deps: these packages are missing and we are not root:$missing" >&2
        exit 1
    fi
else
    SUDO=
fi

echo "install-deps: installing$missing"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update
# shellcheck disable=SC2086
$SUDO apt-get install -y --no-install-recommends $missing
