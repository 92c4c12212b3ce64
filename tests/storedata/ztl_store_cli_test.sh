#!/usr/bin/env bash
# ztl store info | lines | keys on the sample store server tree, and the set-up failures.
# usage: ztl_store_cli_test.sh ZTL SAMPLE_STORE
set -uo pipefail
ztl=$1 sample=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export TMPDIR=$work ZENTREL_SHARES=$work/shares
fails=0 passes=0
check() {  # name expected actual
    if [ "$2" == "$3" ]; then passes=$((passes + 1)); else
        fails=$((fails + 1)); printf 'FAIL %s\n--- expected\n%s\n--- actual\n%s\n' "$1" "$2" "$3"; fi
}

"$sample" "$work/shares" > /dev/null || { echo "sample store failed"; exit 1; }

out=$("$ztl" store info 2> "$work/err"); rc=$?
check "info status" 0 "$rc"
check "info lines" "mUNCDrive=STORESRV
mDirectory=KVS
TerminalID=12
KRVLINK=\\\\STORESRV\\KRVLINK\\KVS
CATCON=\\\\STORESRV\\CATCON\\
StoreName=MAIN STREET HARDWARE #12" "$(grep -v -e '^ComputerName=' -e '^IP=' <<< "$out")"
check "info computer" "ComputerName=$(hostname)" "$(grep '^ComputerName=' <<< "$out")"
check "info address" 1 "$(grep -cE '^IP=[0-9]+\.[0-9]+\.[0-9]+\.[0-9]+$' <<< "$out")"

out=$("$ztl" store lines); rc=$?
check "lines status" 0 "$rc"
check "lines" "$(printf '10\t10\tHW \tHARDWARE\tP\t12345.5\t25000\tHK\n20\t20\tPT \tPAINT AND SUNDRIES\tU\t987.65\t1234.56\tPS\n30\t30\tLG \tLAWN AND GARDEN\tR\t0\t150\tL')" "$out"

out=$("$ztl" store keys ITEMX --from ITEM004975); rc=$?
check "keys status" 0 "$rc"
check "keys from" "$(printf 'ITEM004980\t499\nITEM004990\t500')" "$out"
check "keys count" 500 "$("$ztl" store keys ITEMX | wc -l)"
check "keys escapes" "$(printf '\\x00\\x0AA\\x00\t1')" "$("$ztl" store keys COMODI | head -1)"

"$ztl" store keys NOPE > /dev/null 2> "$work/err"; rc=$?
check "unknown index status" 1 "$rc"
check "unknown index" 'error -10 (LogicalOpen): File not Found: "NOPE"' "$(cat "$work/err")"

mv "$ZENTREL_SHARES/STORESRV/KRVLINK/ttymap" "$work/ttymap.saved"
"$ztl" store info > /dev/null 2> "$work/err"; rc=$?
check "no ttymap status" 1 "$rc"
check "no ttymap" "error -10 (kvsDataEngine_Initialization): Terminal File 'ttymap' not found on drive \\\\STORESRV\\KRVLINK" "$(cat "$work/err")"
mv "$work/ttymap.saved" "$ZENTREL_SHARES/STORESRV/KRVLINK/ttymap"

sed -i 's/STORESRV/NOSRV/' "$work/kvsCatalog.ini"
"$ztl" store info > /dev/null 2> "$work/err"; rc=$?
check "bad server status" 1 "$rc"
check "bad server" "You are attempting to connect to: \\\\NOSRV\\KRVLINK\\ and this shows to be an invalid network share

error 91 (cBusinessBasic): Object variable or With block variable not set" "$(cat "$work/err")"

rm "$work/kvsCatalog.ini"
"$ztl" store info > /dev/null 2> "$work/err"; rc=$?
check "no configuration status" 1 "$rc"
check "no configuration" "You are missing file: $work/kvsCatalog.ini    Are you running Korvane Workstation?" "$(cat "$work/err")"

echo "$passes passed, $fails failed"
[ "$fails" -eq 0 ]
