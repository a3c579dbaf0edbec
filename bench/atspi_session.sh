#!/usr/bin/env bash
# Runs a command on an Xvfb display, a session bus and an accessibility bus
# of its own, as a desktop session gives a screen reader's user: for the
# benchmarks that read the program through AT-SPI.
# Usage: atspi_session.sh COMMAND [ARGS...]
set -euo pipefail
runtime=$(mktemp -d)
export XDG_RUNTIME_DIR=$runtime
unset AT_SPI_BUS_ADDRESS
exec xvfb-run -a -s "-screen 0 1024x768x24" dbus-run-session -- bash -c '
  # The accessibility bus up first, so that the program finds it at start.
  dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress >/dev/null
  "$@"; status=$?; rm -rf "$XDG_RUNTIME_DIR"; exit $status' bash "$@"
