#!/usr/bin/env bash
# Compares the commands and long options of the tool's own table (`lumivex --list-options`) with those of its
# --help and of the manual page, both ways, and checks that the bash completion takes its names from the tool
# rather than keeping a list of its own.
# Usage: check-help.sh LUMIVEX MANUAL_PAGE COMPLETION   (LUMIVEX: the program to ask)
set -euo pipefail
[ $# -eq 3 ] || { echo "usage: $0 LUMIVEX MANUAL_PAGE COMPLETION" >&2; exit 2; }
program=$1 page=$2 completion=$3

table=$("$program" --list-options) || { echo "$program --list-options failed" >&2; exit 1; }
help=$("$program" --help) || { echo "$program --help failed" >&2; exit 1; }

# Help's commands: the first word of each line under "Commands:" up to the first empty line (continuation lines
# are indented further). Options: every --word anywhere.
help_commands() {
    awk '/^Commands:/ {inside = 1; next} inside && /^$/ {exit}
         inside && /^ +[a-z]/ && match($0, /[^ ]/) <= 5 {print $1}'
}
long_options() { grep -oE -- '--[a-z][a-z0-9-]*' | sort -u; }

# The page's commands are the words that open the tags of its COMMANDS section; options are written \-\-word
# (comment lines, .\", do not count).
page_commands() {
    awk '/^\.SH/ {inside = ($0 ~ /^\.SH "?COMMANDS"?$/); next}
         inside && previous == ".TP" {sub(/^\.[A-Z]+ +/, ""); gsub(/"/, ""); print $1} {previous = $0}' "$1"
}

sorted() { sort -u | sed '/^$/d'; }

status=0
compare() { # what, name of the other side, the table's list, other list
    local only_table only_other
    only_table=$(comm -23 <(echo "$3") <(echo "$4") | tr '\n' ' ')
    only_other=$(comm -13 <(echo "$3") <(echo "$4") | tr '\n' ' ')
    if [ -n "$only_table" ]; then
        echo "$1 of the tool but not in the $2: $only_table"
        status=1
    fi
    if [ -n "$only_other" ]; then
        echo "$1 in the $2 but not in the tool: $only_other"
        status=1
    fi
}

commands=$(awk '$1 == "command" {print $2}' <<<"$table" | sorted)
options=$(awk '$1 == "option" {print $2}' <<<"$table" | sorted)
[ -n "$commands" ] || { echo "$program --list-options names no command" >&2; exit 1; }
[ -n "$options" ] || { echo "$program --list-options names no option" >&2; exit 1; }

compare commands "--help" "$commands" "$(help_commands <<<"$help" | sorted)"
compare options "--help" "$options" "$(long_options <<<"$help" | sorted)"
compare commands "manual page" "$commands" "$(page_commands "$page" | sorted)"
compare options "manual page" "$options" "$(sed '/^\.\\"/d; s/\\-/-/g' "$page" | long_options | sorted)"

# Outside comments the completion names one option: the one it asks the tool with.
own=$(grep -v '^ *#' "$completion" | long_options | grep -vx -- '--list-options' | tr '\n' ' ' || true)
if [ -n "$own" ]; then
    echo "the completion names options of its own instead of asking the tool: $own"
    status=1
fi
grep -q -- '--list-options' "$completion" || { echo "the completion does not ask the tool for its names"; status=1; }

[ $status -eq 0 ] && echo "--help, manual page and completion name the tool's $(echo "$commands" | wc -l) commands" \
    "and $(echo "$options" | wc -l) long options"
exit $status
