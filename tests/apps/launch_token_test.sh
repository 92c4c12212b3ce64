#!/usr/bin/env bash
# The real program started with any command line but the launch token: it shows one box
# titled with the program's name, opens no other window, and ends when the box is answered.
# Runs on a virtual X display, since the refusal must not depend on toolkit options.
# usage: launch_token_test.sh PROGRAM TITLE
set -u
program=$1
title=$2
fail=0

check() {
  local what=$1; shift
  "$program" "$@" >/dev/null 2>&1 &
  local pid=$! box="" others
  for _ in $(seq 100); do
    box=$(xdotool search --onlyvisible --name "^$title\$" 2>/dev/null | head -1)
    [ -n "$box" ] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if [ -z "$box" ]; then
    echo "FAIL $what: no box titled $title"; fail=1; kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; return
  fi
  sleep 0.3
  others=$(xdotool search --onlyvisible --name '.' 2>/dev/null | grep -vx "$box" | while read -r id; do
    xdotool getwindowname "$id"; done | grep -v '^$' || true)
  if [ -n "$others" ]; then echo "FAIL $what: other windows: $others"; fail=1; fi
  # Real key presses go to the window with the input focus; without a window manager nobody
  # hands it over, so the box is given the focus first.
  xdotool windowfocus --sync "$box" key Return 2>/dev/null
  for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$pid" 2>/dev/null; then
    echo "FAIL $what: still running after the box was answered"; fail=1; kill "$pid"
  fi
  wait "$pid" 2>/dev/null
  echo "ok $what"
}

check "no argument"
check "other letter case" ktv3094r
check "a blank inside the argument" "KTV3094R "
check "a second argument" KTV3094R x
check "toolkit options" -platform offscreen
exit $fail
