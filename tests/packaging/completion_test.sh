#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Tab completion of quillfen-cli as a user meets it: what bash offers for a
# command line, asked of the completion function with the words bash itself
# would hand it (split at '=' and ':' as bash splits them).
#   completion_test.sh BIN_DIR COMPLETION_FILE
set -u
bin=$(cd "$1" && pwd)
completion=$2
source /usr/share/bash-completion/bash_completion
source "$completion"
PATH=$bin:$PATH
failures=0

# A machine of the test's own with one USB modem, which is COM1, and a
# remote modem on COM5 from the ports file.
machine=$(mktemp -d)
trap 'rm -rf "$machine"' EXIT
mkdir -p "$machine/dev" "$machine/logs" "$machine/config/quillfen"
ln -s /dev/null "$machine/dev/ttyACM0"
touch "$machine/logs/Modem001.txt" "$machine/logs/Modem002.txt"
echo "COM5 = rfc2217://fax-ts1:7001" >"$machine/config/quillfen/ports"
export QUILLFEN_SYSTEM_ROOT=$machine XDG_CONFIG_HOME=$machine/config

offered() {
    local line=$1 word split
    COMP_LINE=$line
    COMP_POINT=${#line}
    COMP_WORDS=()
    read -ra split <<<"$line"
    for word in "${split[@]}"; do
        while [[ $word =~ ^([^=:]*)([=:])(.*)$ ]]; do
            COMP_WORDS+=("${BASH_REMATCH[1]}" "${BASH_REMATCH[2]}")
            word=${BASH_REMATCH[3]}
        done
        COMP_WORDS+=("$word")
    done
    [[ $line == *" " ]] && COMP_WORDS+=("")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    _quillfen_cli quillfen-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]:-}"
    printf '%s\n' "${COMPREPLY[@]}" | sort | paste -sd ' '
}

expect() {
    local line=$1 want=$2 got
    got=$(offered "$line")
    if [[ $got != "$want" ]]; then
        echo "completing '$line': offered '$got', expected '$want'"
        failures=$((failures + 1))
        return 1
    fi
}
# Only bash's own completion may set the reply's options.
compopt() { :; }

[[ $(complete -p quillfen-cli) == "complete -F _quillfen_cli quillfen-cli" ]] ||
    { echo "quillfen-cli has no completion: $(complete -p quillfen-cli 2>&1)"; failures=$((failures + 1)); }

expect "quillfen-cli te" "test test-all"
expect "quillfen-cli --port COM2 --speed 9600 te" "test test-all"
expect "quillfen-cli test te" ""
expect "quillfen-cli --j" "--jobs --json"
expect "quillfen-cli --sim " "$(quillfen-modemsim --list-profiles | sort | paste -sd ' ')"
# Bash replaces only what follows the word's last colon.
expect "quillfen-cli --sim real:usr-c" "usr-courier-v34"
expect "quillfen-cli --port C" "COM1 COM5"
expect "quillfen-cli --ports " "COM1 COM5 all"
expect "quillfen-cli --map C" "COM1= COM5="
expect "quillfen-cli --map COM1=$machine/dev/tty" "$machine/dev/ttyACM0"
(cd "$machine/logs" && expect "quillfen-cli report Modem" "Modem001.txt Modem002.txt") || failures=$((failures + 1))

# Every speed offered is one the program takes.
speeds=$(offered "quillfen-cli --speed ")
[[ -n $speeds ]] || { echo "no speeds offered"; failures=$((failures + 1)); }
for speed in $speeds; do
    quillfen-cli --speed "$speed" --help >/dev/null 2>&1 ||
        { echo "--speed $speed is offered but refused"; failures=$((failures + 1)); }
done

echo "completion: $failures failed"
[[ $failures -eq 0 ]]
