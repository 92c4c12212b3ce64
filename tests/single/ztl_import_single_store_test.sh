#!/usr/bin/env bash
# ztl import --single-store on the demo world's single-store workstation: the Import
# button's handler on the terminal, saying what became of the totals file.
# usage: ztl_import_single_store_test.sh ZTL_DEMO ZTL
set -uo pipefail
ztl_demo=$1 ztl=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME=$work
fails=0 passes=0
check() {  # name expected actual
    if [ "$2" == "$3" ]; then passes=$((passes + 1)); else
        fails=$((fails + 1)); printf 'FAIL %s\n--- expected\n%s\n--- actual\n%s\n' "$1" "$2" "$3"; fi
}

eval "$("$ztl_demo" "$work/demo" 2> /dev/null)"
source='\\STORESRV\catcon\X390.QB'
file=$ZENTREL_SHARES/STORESRV/CATCON/X390.QB
cp "$file" "$work/X390.QB"

# Without a customer for receivables QuickBooks refuses one entry: the file is archived.
"$ztl" settings --single-store set ARImportAccount "" > /dev/null
out=$("$ztl" import --single-store "$source" 2> "$work/err"); rc=$?
check "refused status" 1 "$rc"
check "refused says" 1 "$(grep -c '^Not every transaction is posted; the totals file is archived as \\\\STORESRV\\catcon\\X390\.QB[0-9]*$' <<< "$out")"
check "refused file" "absent" "$([ -e "$file" ] && echo present || echo absent)"
archive=$(ls "$ZENTREL_SHARES/STORESRV/CATCON/" | grep '^X390\.QB[0-9]')
check "archive holds the totals" "" "$(cmp "$work/X390.QB" "$ZENTREL_SHARES/STORESRV/CATCON/$archive")"

# All accepted: the file is removed.
"$ztl" settings --single-store set ARImportAccount "House Account" > /dev/null
cp "$work/X390.QB" "$file"
out=$("$ztl" import --single-store "$source" 2> "$work/err"); rc=$?
check "accepted status" 0 "$rc"
kept=$(ls -t "$ZENTREL_SHARES/STORESRV/CATCON/" | grep '^X390\.QB[0-9]' | head -1)
check "accepted says" "Every transaction is posted; the totals file is removed: $source (a copy is kept as \\\\STORESRV\\catcon\\$kept)" "$(grep '^Every' <<< "$out")"
check "accepted keeps a copy to reconcile" "" "$(cmp "$work/X390.QB" "$ZENTREL_SHARES/STORESRV/CATCON/$kept")"
check "accepted sums up" "$(printf '%s\n' 'Posted : 1' 'Refused : 0' 'Already in QuickBooks : 2' \
    'Sent without an answer : 0' 'Not sent : 0' "Totals file : removed: QuickBooks holds every transaction; a copy is kept as \\\\STORESRV\\catcon\\$kept")" \
    "$(tail -6 <<< "$out")"
check "accepted file" "absent" "$([ -e "$file" ] && echo present || echo absent)"

# Nothing to import: no run starts, so none leaves an import log behind.
logs=$(ls "$ZENTREL_SHARES/STORESRV/CATCON/" | grep -ci 'QBImport\.log')
out=$("$ztl" import --single-store "$source" 2> "$work/err"); rc=$?
check "missing status" 1 "$rc"
check "missing says" "ztl: $source: File not found. Nothing was imported." "$(cat "$work/err")"
check "missing writes no log" "$logs" "$(ls "$ZENTREL_SHARES/STORESRV/CATCON/" | grep -ci 'QBImport\.log')"

# --no-archive keeps the file whatever the run did.
cp "$work/X390.QB" "$file"
out=$("$ztl" import --single-store --no-archive "$source" 2> "$work/err"); rc=$?
check "kept says" "The totals file stays where it is: $source" "$(grep '^The totals file' <<< "$out")"
check "kept file" "" "$(cmp "$work/X390.QB" "$file")"

echo "ztl import --single-store: $passes checks passed, $fails failed"
[ "$fails" -eq 0 ]
