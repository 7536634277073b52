#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The Debian packages as a user gets them: unpacked with dpkg -x into a
# throwaway root, each installed program answers --version with the
# package's version and --help with its usage; the installed tool finds the
# installed simulator; the server package needs no Qt; and each package
# holds its man pages, completion, example and desktop metadata.
#   installed_test.sh DIR_WITH_DEBS
set -u
debs=$1
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
failures=0
fail() { echo "installed: $*"; failures=$((failures + 1)); }

for package in quillfen quillfen-cli; do
  deb=$(ls "$debs"/${package}_*.deb 2>/dev/null | head -1)
  [ -n "$deb" ] || { fail "no $package package in $debs"; continue; }
  dpkg -x "$deb" "$root"
done
version=$(dpkg-deb -f "$(ls "$debs"/quillfen-cli_*.deb | head -1)" Version)
# The product shows the same version two digits a part: 9.5.1 is 09.05.01.
product=$(IFS=. read -r major minor patch <<<"$version"; printf '%02d.%02d.%02d' "$major" "$minor" "$patch")

for program in quillfen quillfen-cli quillfen-modemsim; do
  installed=$root/usr/bin/$program
  [ "$(head -1 <<<"$("$installed" --version)")" = "$program $version (Quillfen $product)" ] ||
    fail "$program --version says '$("$installed" --version 2>&1)'"
  "$installed" --help | head -1 | grep -q "^Usage: $program" || fail "$program --help has no usage line"
done

session=$root/session
mkdir "$session"
(cd "$session" && "$root/usr/bin/quillfen-cli" --sim fax send ATI3 >/dev/null 2>&1) ||
  fail "the installed quillfen-cli could not run the installed simulator"
grep -q '^IN : OK' "$session/Modem001.txt" 2>/dev/null || fail "no answer in the installed tool's log"

dpkg-deb -f "$(ls "$debs"/quillfen-cli_*.deb | head -1)" Depends | grep -qi qt &&
  fail "quillfen-cli depends on Qt"

for file in usr/share/man/man1/quillfen.1.gz usr/share/man/man1/quillfen-cli.1.gz \
            usr/share/man/man1/quillfen-modemsim.1.gz usr/share/bash-completion/completions/quillfen-cli \
            usr/share/doc/quillfen-cli/examples/99-quillfen-modem.rules \
            usr/share/applications/quillfen.desktop usr/share/metainfo/io.github.quillfen.Quillfen.metainfo.xml; do
  [ -f "$root/$file" ] || fail "$file is missing"
done
# The metadata's launchable names a desktop entry the package installs.
appstreamcli validate-tree --no-net "$root" >/dev/null || fail "appstreamcli validate-tree: $(appstreamcli validate-tree --no-net "$root")"

echo "installed packages: $failures failed"
[ "$failures" -eq 0 ]
