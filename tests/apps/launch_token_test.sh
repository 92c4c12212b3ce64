#!/usr/bin/env bash
# The real program started with any command line but the launch token: it shows one box
# titled with the program's name, opens no other window, and ends when the box is answered,
# with a status that is not 0: the start did nothing.
# Runs on a virtual X display, since the refusal must not depend on toolkit options.
# With ZTL (the command-line companion, to set the Web Connector bridge up), a start refused
# while the environment names the bridge must build nothing: while its box is up, the
# bridge's port is free and the state folder does not exist.
# usage: launch_token_test.sh PROGRAM TITLE [ZTL]
set -u
program=$1
title=$2
ztl=${3:-}
fail=0

check() {
  local what=$1; shift
  "$program" "$@" >/dev/null 2>&1 &
  local pid=$! box="" others listening
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
  if [ -n "${port:-}" ]; then
    listening=$(ss -ltnH "sport = :$port" 2>/dev/null)
    if [ -n "$listening" ]; then echo "FAIL $what: port $port taken: $listening"; fail=1; fi
    if [ -e "$XDG_STATE_HOME/zentrel" ]; then echo "FAIL $what: state folder made"; fail=1; fi
  fi
  # Real key presses go to the window with the input focus; without a window manager nobody
  # hands it over, so the box is given the focus first.
  xdotool windowfocus --sync "$box" key Return 2>/dev/null
  for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$pid" 2>/dev/null; then
    echo "FAIL $what: still running after the box was answered"; fail=1; kill "$pid"
  fi
  wait "$pid" 2>/dev/null
  local status=$?
  if [ "$status" -eq 0 ]; then echo "FAIL $what: exit status 0 after a refused start"; fail=1; fi
  echo "ok $what (status $status)"
}

check "no argument"
check "other letter case" ktv3094r
check "a blank inside the argument" "KTV3094R "
check "a second argument" KTV3094R x
check "toolkit options" -platform offscreen

if [ -n "$ztl" ]; then
  scratch=$(mktemp -d)
  trap 'rm -rf "$scratch"' EXIT
  export HOME=$scratch XDG_CONFIG_HOME=$scratch/config XDG_STATE_HOME=$scratch/state
  echo secret | "$ztl" qbwc set-password >/dev/null || { echo "FAIL: bridge not set up"; exit 1; }
  "$ztl" qbwc file --url http://localhost/qbwc --user shop --out "$scratch/shop.qwc" >/dev/null ||
    { echo "FAIL: bridge not set up"; exit 1; }
  rm -rf "$XDG_STATE_HOME"
  for _ in $(seq 20); do
    port=$((20000 + RANDOM % 40000))
    [ -z "$(ss -ltnH "sport = :$port" 2>/dev/null)" ] && break
  done
  export ZENTREL_QUICKBOOKS=qbwc:127.0.0.1:$port
  check "a wrong token with the Web Connector bridge named" KTV3094X
fi
exit $fail
