#!/usr/bin/env bash
# ztl post killed at points drawn from a seed, each kill followed by the runs the timer makes
# next, on the demo world's store 1: every transaction ends up in QuickBooks exactly once,
# with the lines a run without a kill gives it, and no day is lost. A point is the n-th call
# of one kind the run makes: a write (before the pending copy, the copy itself, the log, the
# company), an fsync (the copy made durable, each log block), an fdatasync (the company's
# commit of an entry) or a rename (the copy taking its name, the archive). strace delivers
# the kill as the call is made. KILL_SEED and KILL_POINTS run it again as it failed.
# usage: ztl_post_kill_test.sh ZTL_DEMO ZTL QBSIM
set -uo pipefail
ztl_demo=$1 ztl=$2 qbsim=$3
seed=${KILL_SEED:-20261208} points=${KILL_POINTS:-10}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/home"
export HOME=$work/home
unset XDG_CONFIG_HOME XDG_STATE_HOME ZENTREL_SHARES ZENTREL_QUICKBOOKS
command -v strace > /dev/null || { echo "strace is needed (scripts/setup installs it)"; exit 1; }
RANDOM=$seed
fails=0 passes=0
check() {  # name expected actual
    if [ "$2" == "$3" ]; then passes=$((passes + 1)); else
        fails=$((fails + 1)); printf 'FAIL %s (seed %s)\n--- expected\n%s\n--- actual\n%s\n' "$1" "$seed" "$2" "$3"; fi
}

# A world of its own: the demo world's store 1, its settings and company, a mail command
# that keeps nothing. The demo day's one refusal (an account the company lacks) is mended,
# so that a day posts whole. Sets `totals` and `company` and exports the world's environment.
world() {  # folder
    eval "$("$ztl_demo" "$1" --store 1 2> /dev/null)"
    totals=$ZENTREL_SHARES/STORESRV/CATCON/1X390.QB
    company=${ZENTREL_QUICKBOOKS#sim:}
    "$qbsim" add-account "$company" --number 6400 --name "Supplies 6400" --type Expense > /dev/null
    "$ztl" post set MailCommand 'cat > /dev/null'
    "$ztl" post set MailTo books@example.org
    "$ztl" post set SettleSeconds 0
}

# Day k of store 1: the demo day with its invoice numbers and date moved to day k.
day() {  # k
    local date
    date=$(date -d "2026-03-01 + $1 days" +%m/%d/%y)
    awk -v k="$1" -v d="$date" 'BEGIN { ORS = "" }
        /^H/ { n++; printf "%s%-8s %s%s\n", substr($0, 1, 3), k * 100 + n, d, substr($0, 21); next }
        { print $0 "\n" }' "$template"
}

post() { "$ztl" post --first-run "$totals" > /dev/null 2>&1; }

# What QuickBooks holds, without the entries' numbers: date, invoice, side, account, amount, name.
journal() { "$qbsim" journal "$company" --tsv | cut -f2- | sort; }

pending_days() { ls "$(dirname "$totals")/pending" 2> /dev/null | grep -c '^[0-9-]* .*X390\.QB$'; }

# The reference: the two days posted without a kill; and how many calls of each kind a run makes.
world "$work/reference"
template=$work/template
cp "$totals" "$template"
day 1 > "$totals"
strace -o "$work/calls" -e trace=write,fsync,fdatasync,rename "$ztl" post --first-run "$totals" > /dev/null 2>&1
day 2 > "$totals"
post
expected=$(journal)
check "reference posts both days" 0 "$(pending_days)"
[ -n "$expected" ] || { echo "FAIL the reference run posted nothing"; exit 1; }
declare -A made
for call in write fsync fdatasync rename; do made[$call]=$(grep -c "^$call(" "$work/calls"); done

for ((point = 1; point <= points; point++)); do
    calls=(write fsync fdatasync rename)
    call=${calls[RANDOM % 4]}
    [ "${made[$call]}" -gt 0 ] || call=write
    nth=$((RANDOM % made[$call] + 1))
    what="kill at $call #$nth"
    world "$work/point$point"
    day 1 > "$totals"
    strace -o /dev/null -e trace="$call" -e inject="$call":signal=KILL:when="$nth" \
        "$ztl" post --first-run "$totals" > /dev/null 2>&1
    # The timer's next runs: the same night's retry, then the next day written and posted. A
    # lock the kill left without its text is a dead run's once it is some seconds old.
    if find "$(dirname "$totals")" -name '*.lock' -empty | grep -q .; then sleep 11; fi
    post
    [ -e "$totals" ] && post
    check "$what: day 1 left the totals file and the queue" "0 no" \
        "$(pending_days) $([ -e "$totals" ] && echo yes || echo no)"
    day 2 > "$totals"
    post
    check "$what: nothing pending" 0 "$(pending_days)"
    check "$what: every transaction once" "$expected" "$(journal)"
done

echo "ztl post killed at $points points (seed $seed): $passes checks passed, $fails failed"
[ "$fails" -eq 0 ]
