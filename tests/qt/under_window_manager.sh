#!/bin/sh
# SPDX-License-Identifier: MIT
# Runs one test program on a virtual X display with a window manager
# (openbox), so that window frames, focus changes and the manager's size
# rules are real, which the offscreen platform does not provide.
#   under_window_manager.sh PROGRAM [ARGS...]
set -eu
if ! command -v xvfb-run >/dev/null 2>&1 || ! command -v openbox >/dev/null 2>&1; then
  echo "under_window_manager: xvfb-run and openbox are needed (scripts/install-deps)" >&2
  exit 1
fi
ready=$(mktemp -u "${TMPDIR:-/tmp}/quillfen-wm-ready.XXXXXX")
export QUILLFEN_WM_READY="$ready"
exec xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" sh -c '
  openbox --sm-disable --startup "touch $QUILLFEN_WM_READY" >/dev/null 2>&1 &
  wm=$!
  # The first window must be framed by the manager, not adopted later.
  waited=0
  while [ ! -e "$QUILLFEN_WM_READY" ] && [ $waited -lt 300 ]; do
    sleep 0.1
    waited=$((waited + 1))
  done
  if [ ! -e "$QUILLFEN_WM_READY" ]; then
    echo "under_window_manager: openbox did not start" >&2
    kill "$wm" 2>/dev/null || true
    exit 1
  fi
  rm -f "$QUILLFEN_WM_READY"
  QT_QPA_PLATFORM=xcb "$@"
  status=$?
  kill "$wm" 2>/dev/null || true
  wait "$wm" 2>/dev/null || true
  exit $status
' under_window_manager "$@"
