#!/bin/sh
# Takes the pictures of docs/ that come from the player's own windows on the
# test back ends (the mini window's two layouts), under a private X server
# so that they have the desktop's real look.
#   scripts/doc-pictures.sh [BUILD]    default build folder: build
set -eu
cd "$(dirname "$0")/.."
build=${1:-build}
[ -d "$build" ] || { echo "doc-pictures: no build folder $build (run ./kop test first)" >&2; exit 2; }
cmake --build "$build" --target doc_pictures
NUKO_SHOT_DIR=$(pwd)/docs QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1024x768x24" "$build/tests/bin/doc_pictures"
echo "doc-pictures: written to docs/"
