#!/usr/bin/env bash
# ztl check on the demo world: the refused entry of store 1 named before the import, every
# entry named as held by QuickBooks after it, the exit status saying whether any is flagged.
# Then ztl import's refusal when the store's next day would go into another company.
# usage: ztl_check_cli_test.sh ZTL_DEMO ZTL QBSIM
set -uo pipefail
ztl_demo=$1 ztl=$2 qbsim=$3
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

eval "$("$ztl_demo" "$work/world" --store 1 2> /dev/null)"
store1='\\STORESRV\CATCON\1X390.QB'
journal() { "$qbsim" journal "$work/world/Demo Company.qbw" --tsv | wc -l; }

out=$("$ztl" check "$store1" 2> "$work/err"); rc=$?
check "before: status" 1 "$rc"
check "before: lines" "$(printf '%s\n%s' "101004: account code 6400 names no account in the company's chart" \
    "1 of 7 transactions will not be posted.")" "$out"
check "before: nothing on stderr" "" "$(cat "$work/err")"

out=$("$ztl" check --single-store '\\STORESRV\catcon\X390.QB'); rc=$?
check "single-store: status" 0 "$rc"
check "single-store: line" "All 3 transactions will be posted." "$out"

lines=$(journal)
"$ztl" check "$store1" > /dev/null
check "the check posts nothing" "$lines" "$(journal)"

cp "$work/world/shares/STORESRV/CATCON/1X390.QB" "$work/day.QB"
cp "$work/world/Demo Company.qbw" "$work/world/Other.qbw"
"$ztl" import "$store1" > /dev/null 2>&1
cp "$work/day.QB" "$work/world/shares/STORESRV/CATCON/1X390.QB"
out=$("$ztl" check "$store1"); rc=$?
check "after: status" 1 "$rc"
check "after: held" 6 "$(grep -c ': QuickBooks holds it already (TxnID [0-9]*-[0-9]*): the import does not send it again$' <<< "$out")"
check "after: still refused" 1 "$(grep -c '^101004: account code 6400' <<< "$out")"
check "after: count" "7 of 7 transactions will not be posted." "$(tail -1 <<< "$out")"

# The store posted into the demo company; another company is open now: the command line,
# which nobody confirms, posts nothing there unless told to, and then remembers it.
export ZENTREL_QUICKBOOKS="sim:$work/world/Other.qbw"
other() { "$qbsim" journal "$work/world/Other.qbw" --tsv | wc -l; }
"$ztl" import "$store1" > /dev/null 2> "$work/err"; rc=$?
check "other company: refused" 1 "$rc"
check "other company: both named" 2 "$(grep -c -e "^Open in QuickBooks now:  $work/world/Other.qbw$" \
    -e "^Last posted into:  $work/world/Demo Company.qbw$" "$work/err")"
check "other company: the way on" 1 "$(grep -c 'start again with --other-company' "$work/err")"
check "other company: nothing posted" 0 "$(other)"
check "other company: file stays" present "$([ -e "$work/world/shares/STORESRV/CATCON/1X390.QB" ] && echo present)"
out=$("$ztl" import --other-company "$store1" 2> "$work/err")
check "other company asked: posted" 1 "$([ "$(other)" -gt 0 ] && echo 1)"
check "other company asked: summary last" "Totals file : archived as " "$(tail -1 <<< "$out" | grep -o '^Totals file : archived as ')"
cp "$work/day.QB" "$work/world/shares/STORESRV/CATCON/1X390.QB"
"$ztl" import "$store1" > /dev/null 2> "$work/err"
check "other company remembered: not refused" 0 "$(grep -c 'not the one this store last posted into' "$work/err")"

"$ztl" check "$work/none.QB" > /dev/null 2> "$work/err"; rc=$?
check "missing file: status" 1 "$rc"
check "missing file: told" 1 "$(grep -c '^ztl: ' "$work/err")"

"$ztl" check > /dev/null 2>&1; rc=$?
check "no file: usage" 2 "$rc"

echo "ztl check: $passes checks passed, $fails failed"
[ "$fails" -eq 0 ]
