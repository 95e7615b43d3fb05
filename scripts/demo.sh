#!/usr/bin/env bash
# Installs what is needed, builds, and starts QOR ETC on the simulated module.
# Without a display it runs under a virtual X server and saves a picture of the main window
# instead (docs/demo-online.png, or the file given as the first argument).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
./scripts/build.sh
tool=build/bin/qor-etc
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec "$tool" --demo "$@"
fi
shot=${1:-docs/demo-online.png}
mkdir -p "$(dirname "$shot")"
echo "No display: running under xvfb-run; a picture of the main window goes to $shot."
echo "(With a display, run $tool --demo; to look at the picture, open $shot.)"
xvfb-run -a "$tool" --demo -O --screenshot "$shot" --after 6
echo "Saved $shot"
