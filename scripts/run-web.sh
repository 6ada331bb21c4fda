#!/usr/bin/env bash
# Sets up and builds the web page, then serves it on this machine and opens
# it in the default browser (or says where it is). Any static file server
# will do for the folder build/web/site, best with the README's headers.
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
# With the headers that the README asks of a server: the page's own policy
# (from its index.html), no guessing of types.
exec python3 - "$port" build/web/site <<'EOF'
import functools, http.server, re, sys
site = sys.argv[2]
policy = re.search(r'"Content-Security-Policy" content="([^"]*)"', open(site + "/index.html").read())[1]


class Handler(http.server.SimpleHTTPRequestHandler):
    extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map,
                      ".webmanifest": "application/manifest+json"}

    def end_headers(self):
        self.send_header("Content-Security-Policy", policy)
        self.send_header("X-Content-Type-Options", "nosniff")
        super().end_headers()


handler = functools.partial(Handler, directory=site)
http.server.ThreadingHTTPServer(("127.0.0.1", int(sys.argv[1])), handler).serve_forever()
EOF
