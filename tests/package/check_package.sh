#!/usr/bin/env bash
# The Debian package as a store's workstation receives it, read with dpkg-deb without
# installing it: its name and version against the project's, its dependencies, every file
# it holds (no more, no fewer), and those files at work: desktop entries and manual pages
# that validate, the service that runs the installed ztl, programs that are stripped and
# print the project's version.
# usage: check_package.sh zentrel_<version>_amd64.deb
set -uo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
[ $# -eq 1 ] || { echo "usage: check_package.sh zentrel_<version>_amd64.deb" >&2; exit 2; }
deb=$1
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

# The one version, as the project states it.
version=$(sed -n 's/^project(Zentrel VERSION \([0-9.]*\).*/\1/p' "$here/CMakeLists.txt")
[ -n "$version" ] || { echo "FAIL no version in CMakeLists.txt"; exit 1; }
check "file name" "zentrel_${version}_amd64.deb" "$(basename "$deb")"

field() { dpkg-deb -f "$deb" "$1"; }
check "Package" zentrel "$(field Package)"
check "Version" "$version" "$(field Version)"
check "Architecture" amd64 "$(field Architecture)"
check "Maintainer has an address" yes "$(field Maintainer | grep -q '<.*@.*>' && echo yes)"
check "Description has a summary and a long text" yes \
    "$([ -n "$(field Description | head -1)" ] && [ "$(field Description | wc -l)" -gt 3 ] && echo yes)"

# Debian's package names of the libraries the programs link, found rather than listed.
depends=$(field Depends)
for want in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6printsupport6 \
            libsqlite3-0 libpugixml1v5 libssl3 libexpat1; do
    check "Depends names $want" yes "$(echo "$depends" | tr ',' '\n' | grep -q "^ *$want " && echo yes)"
done
# Nothing a build or a sanitizer needs belongs on a workstation.
check "Depends has no -dev package and no sanitizer runtime" "" \
    "$(echo "$depends" | tr ',' '\n' | grep -E -- '-dev|libasan|libubsan' || true)"

# Every file, and only those: a test program or a missing page shows here.
files=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sort)
check "files" "./usr/bin/Zentrel
./usr/bin/ZentrelMS
./usr/bin/qbsim
./usr/bin/ztl
./usr/lib/systemd/user/zentrel-post@.service
./usr/lib/systemd/user/zentrel-post@.timer
./usr/lib/systemd/user/zentrel-qbwc.service
./usr/share/applications/zentrel.desktop
./usr/share/applications/zentrelms.desktop
./usr/share/doc/zentrel/README.md
./usr/share/doc/zentrel/copyright
./usr/share/doc/zentrel/qbwc.env.example
./usr/share/icons/hicolor/scalable/apps/zentrel.svg
./usr/share/man/man1/qbsim.1.gz
./usr/share/man/man1/ztl.1.gz
./usr/share/zentrel/ZentrelMSHelp.rtf" "$files"
check "owners" "root/root" "$(dpkg-deb -c "$deb" | awk '{print $2}' | sort -u)"

dpkg-deb -x "$deb" "$work/root"
root=$work/root

for program in ZentrelMS Zentrel ztl qbsim; do
    check "$program is stripped" yes "$(file -b "$root/usr/bin/$program" | grep -q ', stripped' && echo yes)"
done
check "ztl --version" "ztl $version" "$("$root/usr/bin/ztl" --version)"
check "qbsim --version" "qbsim $version" "$("$root/usr/bin/qbsim" --version)"

for entry in "$root"/usr/share/applications/*.desktop; do
    ok "desktop-file-validate $(basename "$entry")" desktop-file-validate "$entry"
    exec_program=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")
    check "$(basename "$entry") starts a program of the package" yes \
        "$([ -x "$root/usr/bin/$exec_program" ] && echo yes)"
    icon=$(sed -n 's/^Icon=//p' "$entry")
    check "$(basename "$entry") has its icon" yes \
        "$([ -f "$root/usr/share/icons/hicolor/scalable/apps/$icon.svg" ] && echo yes)"
done

# groff warns of what a reader would see wrongly (an unknown request, a bad escape).
for page in ztl qbsim; do
    zcat "$root/usr/share/man/man1/$page.1.gz" > "$work/$page.1"
    check "man page $page renders without warnings" "" "$(groff -man -ww -z "$work/$page.1" 2>&1)"
    check "man page $page names its program" yes \
        "$(grep -q "^\.TH $(echo "$page" | tr a-z A-Z) 1 " "$work/$page.1" && echo yes)"
done
# The page's synopsis is the program's own usage, line for line.
synopsis=$(sed -n '/^\.SH SYNOPSIS/,/^\.fi/p' "$work/ztl.1" | grep -vc '^\.')
check "ztl's synopsis has every usage line" "$("$root/usr/bin/ztl" --help | grep -c '^  ztl ')" "$synopsis"
check "ztl --help names every command in the manual" "" "$("$root/usr/bin/ztl" --help | grep 'not in the manual')"

unit=$root/usr/lib/systemd/user/zentrel-qbwc.service
check "service runs the installed ztl" "ExecStart=/usr/bin/ztl qbwc service" "$(grep '^ExecStart=' "$unit")"
check "service restarts on failure" "Restart=on-failure" "$(grep '^Restart=' "$unit")"
check "service reads the operator's environment file" "EnvironmentFile=-%h/.config/zentrel/qbwc.env" \
    "$(grep '^EnvironmentFile=' "$unit")"
check "service reads its settings again on reload" 'ExecReload=/bin/kill -HUP $MAINPID' \
    "$(grep '^ExecReload=' "$unit")"
check "service starts with the session" "WantedBy=default.target" "$(grep '^WantedBy=' "$unit")"
post=$root/usr/lib/systemd/user/zentrel-post@.service
check "unattended run runs the installed ztl" 'ExecStart=/usr/bin/ztl post $ZTL_POST_OPTIONS %I' \
    "$(grep '^ExecStart=' "$post")"
check "unattended run is persistent" "Persistent=true" "$(grep '^Persistent=' "${post%.service}.timer")"
# systemd's own reading of the units, as the user's manager reads them: an instance of each
# template, with the programs where the package puts them under the unpacked root (verify
# has no --root for user units). Any complaint fails, a warning of an unknown key too.
if command -v systemd-analyze >/dev/null; then
    units=$work/units
    mkdir -p "$units" "$work/runtime"
    chmod 700 "$work/runtime"
    for suffix in service timer; do
        sed "s#=/usr/bin/#=$root/usr/bin/#" "$root/usr/lib/systemd/user/zentrel-post@.$suffix" \
            > "$units/zentrel-post@mnt-CATCON-12X390.QB.$suffix"
    done
    sed "s#=/usr/bin/#=$root/usr/bin/#" "$unit" > "$units/zentrel-qbwc.service"
    check "systemd-analyze verify the units" "" "$(XDG_RUNTIME_DIR=$work/runtime systemd-analyze verify \
        --user --man=no "$units"/* 2>&1 || echo "status $?")"
else
    fails=$((fails + 1)); echo "FAIL systemd-analyze is missing (scripts/setup installs systemd)"
fi
check "copyright is machine-readable" yes \
    "$(head -1 "$root/usr/share/doc/zentrel/copyright" | grep -q '^Format: ' && echo yes)"

echo "check_package: $passes passed, $fails failed"
[ "$fails" -eq 0 ]
