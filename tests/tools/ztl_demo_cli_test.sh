#!/usr/bin/env bash
# ztl_demo end to end: the environment it prints runs ztl on the world it built, and
# everything stays inside the demo folder.
# usage: ztl_demo_cli_test.sh ZTL_DEMO ZTL
set -uo pipefail
ztl_demo=$1 ztl=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/home"
export HOME=$work/home
unset XDG_CONFIG_HOME XDG_STATE_HOME ZENTREL_SHARES ZENTREL_QUICKBOOKS
fails=0 passes=0
check() {  # name expected actual
    if [ "$2" == "$3" ]; then passes=$((passes + 1)); else
        fails=$((fails + 1)); printf 'FAIL %s\n--- expected\n%s\n--- actual\n%s\n' "$1" "$2" "$3"; fi
}

folder="$work/it's a demo"  # a blank and a quote: the export lines must quote both
env=$("$ztl_demo" "$folder" --store 3 2> "$work/told"); rc=$?
check "status" 0 "$rc"
real=$(realpath "$folder")
check "told" 1 "$(grep -c '^  current store 3 (KVS003): DUPRÉ HOME CENTER$' "$work/told")"

eval "$env"
check "shares" "$real/shares" "$ZENTREL_SHARES"
check "configuration" "$real/tmp" "$TMPDIR"
check "quickbooks" "sim:$real/Demo Company.qbw" "$ZENTREL_QUICKBOOKS"
check "settings home" "$real/config" "$XDG_CONFIG_HOME"
check "state home" "$real/state" "$XDG_STATE_HOME"

info=$("$ztl" store info)
check "store" "$(printf 'mDirectory=KVS003\nTerminalID=14\nStoreName=DUPR\xc9 HOME CENTER')" \
    "$(grep -a -e '^mDirectory=' -e '^TerminalID=' -e '^StoreName=' <<< "$info")"
check "account setting" "House Account" "$("$ztl" settings get ARImportAccount)"
check "single-store source" '\\STORESRV\catcon\X390.QB' "$("$ztl" settings --single-store get "Import Source")"
check "single-store company" "$real/Demo Company.qbw" "$("$ztl" settings --single-store get Company)"

out=$("$ztl_demo" "$folder" 2> "$work/err"); rc=$?
check "second build status" 1 "$rc"
check "second build output" "" "$out"
check "second build message" 1 "$(grep -c 'is not an empty folder' "$work/err")"

"$ztl_demo" "$work/other" --store 4 > /dev/null 2> "$work/err"; rc=$?
check "store 4 status" 2 "$rc"
check "store 4 message" "ztl_demo: --store takes a store number from 1 to 3, not \"4\"" "$(head -1 "$work/err")"
check "store 4 folder" "" "$(ls -A "$work" | grep other)"

check "nothing outside the demo folder" "" "$(find "$HOME" -mindepth 1)"

echo "ztl_demo: $passes checks passed, $fails failed"
[ "$fails" -eq 0 ]
