#!/usr/bin/env bash
# The installed package at work, on a workstation where `apt-get install ./zentrel_*.deb`
# has run: the programs print the package's version, a whole import of the sample day as an
# operator runs it by hand, `man ztl`, both desktop entries (valid, and their command opens
# a window on a virtual display), and the user units as systemd reads them.
# Everything it writes stays in a scratch folder; it changes nothing on the machine. It needs
# the virtual display and validators scripts/setup installs. Not part of CI, which does not
# install packages on its machine: run it where the package was installed for trial.
# usage: check_installed.sh
set -uo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fails=0 passes=0
check() {  # name expected actual
    if [ "$2" == "$3" ]; then passes=$((passes + 1)); else
        fails=$((fails + 1)); printf 'FAIL %s\n--- expected\n%s\n--- actual\n%s\n' "$1" "$2" "$3"; fi
}
ok() {  # name command...: passes when the command succeeds
    local name=$1; shift
    if out=$("$@" 2>&1); then passes=$((passes + 1)); else
        fails=$((fails + 1)); printf 'FAIL %s\n%s\n' "$name" "$out"; fi
}

version=$(dpkg-query -W -f='${Version}' zentrel 2>/dev/null) || { echo "FAIL zentrel is not installed"; exit 1; }
check "ztl is the installed one" /usr/bin/ztl "$(command -v ztl)"
check "ztl --version" "ztl $version" "$(ztl --version)"
check "qbsim --version" "qbsim $version" "$(qbsim --version)"

# A whole run, by hand, with this check's own settings and company.
export HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_STATE_HOME=$work/state
mkdir -p "$HOME" && cd "$work" || exit 1
export ZENTREL_QUICKBOOKS=sim:$work/shop.qbw
ok "qbsim new --sample" qbsim new shop.qbw --sample
ok "settings" sh -c 'ztl settings set ARImportAccount "Walk-in Customer" &&
    ztl settings set VendorImportAccount "Main Supplier" &&
    ztl settings set TaxImportAccount "State Tax Agency"'
cp "$here/examples/X390.QB" .
ztl import X390.QB > import.out 2> import.err
check "import status" 0 "$?"
check "import log beside the totals file" yes "$([ -s QBImport.log ] && echo yes)"
check "import posted entries" yes "$([ "$(qbsim journal shop.qbw --tsv | wc -l)" -gt 0 ] && echo yes)"
check "the totals file was archived" "" "$(ls X390.QB 2>/dev/null)"

check "man ztl" yes "$(MANPAGER=cat MANWIDTH=100 man ztl 2>/dev/null | grep -q 'ztl - the command-line companion of Zentrel' && echo yes)"
check "man qbsim" yes "$(MANPAGER=cat man qbsim 2>/dev/null | grep -q 'qbsim - a simulated QuickBooks company' && echo yes)"

for entry in /usr/share/applications/zentrel.desktop /usr/share/applications/zentrelms.desktop; do
    ok "desktop-file-validate $entry" desktop-file-validate "$entry"
    command_line=$(sed -n 's/^Exec=//p' "$entry")
    # The entry's own command, as the desktop runs it: a window must show.
    shown=$(xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" sh -c '
        eval "$1 >/dev/null 2>&1 &"; pid=$!
        for _ in $(seq 100); do
            if xdotool search --onlyvisible --name . >/dev/null 2>&1; then echo yes; break; fi
            kill -0 $pid 2>/dev/null || break
            sleep 0.1
        done
        kill $pid 2>/dev/null; wait $pid 2>/dev/null' sh "$command_line")
    check "$(basename "$entry"): $command_line opens a window" yes "$shown"
done

unit=/usr/lib/systemd/user/zentrel-qbwc.service
if command -v systemd-analyze >/dev/null; then
    # A user manager's runtime folder, which a machine without a logged-in user lacks.
    export XDG_RUNTIME_DIR=$work/runtime
    mkdir -m 0700 "$XDG_RUNTIME_DIR"
    ok "systemd-analyze verify --user" systemd-analyze verify --user "$unit"
    # The unattended run's templates, as one instance of each (a template alone is not a unit).
    for suffix in service timer; do
        cp "/usr/lib/systemd/user/zentrel-post@.$suffix" "$work/zentrel-post@mnt-CATCON-12X390.QB.$suffix"
    done
    ok "systemd-analyze verify --user the unattended run" systemd-analyze verify --user \
        "$work/zentrel-post@mnt-CATCON-12X390.QB.timer" "$work/zentrel-post@mnt-CATCON-12X390.QB.service"
fi
check "the unit runs the installed ztl" "ExecStart=/usr/bin/ztl qbwc service" "$(grep '^ExecStart=' "$unit")"

echo "check_installed: $passes passed, $fails failed"
[ "$fails" -eq 0 ]
