#!/usr/bin/env bash
# Measures a second start: the time until the main window is shown on a virtual display, for
# `bash scripts/run.sh` and for the built binary started directly, five times each (median).
# The difference is what the start script adds. Run it after one `bash scripts/run.sh`.
source "$(dirname "$0")/screenshot_common.sh"
work_folder
own_settings
on_screen bash -c '
  shown_after() {
    local start end pid
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1 &
    pid=$!
    until xdotool search --onlyvisible --name "^Glimbrik$" >/dev/null 2>&1; do
      kill -0 "$pid" 2>/dev/null || { echo "the application did not start" >&2; exit 1; }
      sleep 0.005
    done
    end=$(date +%s%N)
    kill "$pid"
    wait "$pid" 2>/dev/null || true
    while xdotool search --onlyvisible --name "^Glimbrik$" >/dev/null 2>&1; do sleep 0.05; done
    echo $(((end - start) / 1000000))
  }
  median() { sort -n | sed -n 3p; }
  app=$(for i in 1 2 3 4 5; do shown_after ./build/src/glimbrik; done | median)
  run=$(for i in 1 2 3 4 5; do shown_after bash scripts/run.sh; done | median)
  echo "binary alone: ${app} ms; bash scripts/run.sh: ${run} ms; added: $((run - app)) ms"
'
