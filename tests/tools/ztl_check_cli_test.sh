#!/usr/bin/env bash
# ztl check on the demo world: the refused entry of store 1 named before the import, every
# entry named as held by QuickBooks after it, the exit status saying whether anything would
# be refused. An entry changed by hand in QuickBooks: flagged by the check, not posted again,
# counted by reconcile as its verdict says. Then ztl check's warning and ztl import's refusal
# when the store's next day would go into another company.
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
company="$work/world/Demo Company.qbw"
journal() { "$qbsim" journal "$company" --tsv | wc -l; }

out=$("$ztl" check "$store1" 2> "$work/err"); rc=$?
check "before: status" 1 "$rc"
check "before: lines" "$(printf '%s\n%s\n%s\n%s' "Checked against company $company for $store1 (Store 1)" \
    "101004: account code 6400 names no account in the company's chart" \
    "  next: add account 6400 in QuickBooks (with that number or that name), then import again" \
    "1 of 7 transactions will not be posted.")" "$out"
check "before: nothing on stderr" "" "$(cat "$work/err")"

out=$("$ztl" check --single-store '\\STORESRV\catcon\X390.QB'); rc=$?
check "single-store: status" 0 "$rc"
check "single-store: line" "All 3 transactions will be posted." "$(tail -1 <<< "$out")"

out=$(ZENTREL_QUICKBOOKS= "$ztl" check "$store1" 2> /dev/null); rc=$?
check "unreachable: status" 1 "$rc"
check "unreachable: named" "Checked against no company (QuickBooks cannot be reached) for $store1 (Store 1)" \
    "$(head -1 <<< "$out")"
check "unreachable: count" "None of the 7 transactions could be judged. The check is incomplete: QuickBooks' chart of accounts could not be read." \
    "$(tail -1 <<< "$out")"
check "unreachable: nothing said to be posted" 0 "$(grep -c 'will be posted' <<< "$out")"

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
check "after: count" "1 of 7 transactions will not be posted; 6 already in QuickBooks." "$(tail -1 <<< "$out")"

# With the missing account added, the day is held in part: the good outcome, told apart.
"$qbsim" add-account "$company" --number 6400 --name Advertising --type Expense > /dev/null
out=$("$ztl" check "$store1"); rc=$?
check "in part: status" 0 "$rc"
check "in part: count" "1 will be posted; 6 already in QuickBooks." "$(tail -1 <<< "$out")"

# 101002 changed by hand in QuickBooks after the import posted it.
txn=$("$qbsim" journal "$company" | sed -n 's/^#[0-9]*  [0-9-]*  Ref 101002  TxnID //p')
"$qbsim" modify-entry "$company" "$txn" 1=320.00 2=296.38 > /dev/null
out=$("$ztl" check "$store1"); rc=$?
check "changed: status" 1 "$rc"
check "changed: flagged" 1 "$(grep -c "^101002: QuickBooks holds its entry changed by hand since an import posted it (TxnID $txn): " <<< "$out")"
check "changed: count" "1 of 7 transactions will not be posted; 1 will be posted; 5 already in QuickBooks." \
    "$(tail -1 <<< "$out")"
"$ztl" import --no-archive "$store1" > /dev/null 2>&1
check "changed: not posted again" 1 "$("$qbsim" journal "$company" | grep -c '  Ref 101002  ')"
check "changed: the log names it" 1 "$(grep -c "^Changed in QuickBooks : TxnID $txn - posted by an import and changed by hand since; not sent again" \
    "$work/world/shares/STORESRV/CATCON/1QBImport.log")"
out=$("$ztl" reconcile "$store1"); rc=$?
check "reconcile: status" 1 "$rc"
check "reconcile: changed" 1 "$(grep -c "^101002: differs (QuickBooks entry TxnID $txn; " <<< "$out")"
check "reconcile: counts agree with the verdict" \
    "7 transactions: 6 posted, 0 not posted, 1 differs, 0 posted more than once - QuickBooks does not hold the day as the file says." \
    "$(tail -1 <<< "$out")"

# The store posted into the demo company; another company is open now: the command line,
# which nobody confirms, posts nothing there unless told to, and then remembers it.
export ZENTREL_QUICKBOOKS="sim:$work/world/Other.qbw"
other() { "$qbsim" journal "$work/world/Other.qbw" --tsv | wc -l; }
"$ztl" check "$store1" > "$work/out" 2> "$work/err"
check "other company: check warns" 1 "$(grep -c '^The company open in QuickBooks is not the one this store last posted into.$' "$work/err")"
check "other company: check names it" "Checked against company $work/world/Other.qbw for $store1 (Store 1)" "$(head -1 "$work/out")"
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
