# Shared by the scripts that load the page (after common.sh): a server for the page's
# folder, and the driver that loads it in headless Chromium with a profile of the run's own.

# Serves a folder on a free port of the loopback; sets $page_url.
serve_page() { # folder
  python3 -u -m http.server 0 --bind 127.0.0.1 --directory "$1" >"$work/server.log" 2>&1 &
  for _ in $(seq 50); do
    page_url=$(sed -n 's|.* port \([0-9]*\) (\(http://[^)]*\)).*|\2|p' "$work/server.log")
    [ -n "$page_url" ] && return 0
    sleep 0.1
  done
  echo "  the page's server did not start: $(cat "$work/server.log")"
  return 1
}

# Each argument is one action of tests/e2e/web/page_driver.js; one line out for each.
drive_page() { # action...
  node "$(dirname "${BASH_SOURCE[0]}")/web/page_driver.js" "$page_url" "$work/chromium" "$@"
}

# What the render tool prints and the SHA-256 of the raw frame it writes, as the page's
# check reports them: "SHA SUMMARY".
render_check() { # render, then its options
  local render=$1 summary
  shift
  summary=$("$render" "$@" --out "$work/check.raw") || return 1
  echo "$(sha256sum <"$work/check.raw" | cut -d' ' -f1) $summary"
}
