#!/bin/sh
# Runs one test program on a virtual X display with a window manager
# (openbox), so that window frames, focus changes and the manager's size
# rules are real, which the offscreen platform does not provide.
#   under_window_manager.sh PROGRAM [ARGS...]
set -eu
if ! command -v xvfb-run >/dev/null 2>&1 || ! command -v openbox >/dev/null 2>&1; then
  echo "under_window_manager: xvfb-run and openbox are needed (scripts/install-deps)" >&2
  exit 1
fi
exec xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" sh -c '
  openbox --sm-disable >/dev/null 2>&1 &
  wm=$!
  # Let the manager take the display before the first window appears.
  sleep 1
  QT_QPA_PLATFORM=xcb "$@"
  status=$?
  kill "$wm" 2>/dev/null || true
  wait "$wm" 2>/dev/null || true
  exit $status
' under_window_manager "$@"
