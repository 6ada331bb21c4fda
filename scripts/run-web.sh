#!/usr/bin/env bash
# Sets up and builds the web page, then serves it on this machine and opens
# it in the default browser (or says where it is). Any static file server
# will do for the folder build/web/site.
set -euo pipefail
cd "$(dirname "$0")/.."
[ "$(id -u)" = 0 ] || SUDO=sudo
SUDO=${SUDO:-} bash scripts/setup.sh web
cmake --preset web >/dev/null
cmake --build --preset web
port=${QEL_WEB_PORT:-8017}
echo "QEL: http://127.0.0.1:$port/ (Ctrl+C stops the server)"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && command -v xdg-open >/dev/null; then
  (sleep 1; xdg-open "http://127.0.0.1:$port/" >/dev/null 2>&1 || true) &
fi
exec python3 -m http.server "$port" --bind 127.0.0.1 --directory build/web/site
