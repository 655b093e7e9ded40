#!/usr/bin/env bash
# Compares the commands and long options that `lumivex --help` prints with those of the manual page and of the
# bash completion, both ways, so that none of the three can drift from the others.
# Usage: check-help.sh HELP_TEXT MANUAL_PAGE COMPLETION   (HELP_TEXT: a file holding the output of --help)
set -euo pipefail
[ $# -eq 3 ] || { echo "usage: $0 HELP_TEXT MANUAL_PAGE COMPLETION" >&2; exit 2; }
help=$1 page=$2 completion=$3

# Commands: the first word of each line under "Commands:" up to the first empty line (continuation lines are
# indented further). Options: every --word anywhere.
help_commands() {
    awk '/^Commands:/ {inside = 1; next} inside && /^$/ {exit}
         inside && /^ +[a-z]/ && match($0, /[^ ]/) <= 5 {print $1}' "$1"
}
long_options() { grep -oE -- '--[a-z][a-z0-9-]*' | sort -u; }

# The page's commands are the words that open the tags of its COMMANDS section; options are written \-\-word.
page_commands() {
    awk '/^\.SH/ {inside = ($0 ~ /^\.SH "?COMMANDS"?$/); next}
         inside && previous == ".TP" {sub(/^\.[A-Z]+ +/, ""); gsub(/"/, ""); print $1} {previous = $0}' "$1"
}

# The completion names its commands in commands="..."; its options are every --word outside comments.
completion_commands() { sed -n 's/^ *local commands="\(.*\)"$/\1/p' "$1" | tr ' ' '\n'; }

sorted() { sort -u | sed '/^$/d'; }

status=0
compare() { # what, name of the other side, help's list, other list
    local only_help only_other
    only_help=$(comm -23 <(echo "$3") <(echo "$4") | tr '\n' ' ')
    only_other=$(comm -13 <(echo "$3") <(echo "$4") | tr '\n' ' ')
    if [ -n "$only_help" ]; then
        echo "$1 in --help but not in the $2: $only_help"
        status=1
    fi
    if [ -n "$only_other" ]; then
        echo "$1 in the $2 but not in --help: $only_other"
        status=1
    fi
}

commands=$(help_commands "$help" | sorted)
options=$(long_options <"$help" | sorted)
[ -n "$commands" ] || { echo "no commands found under \"Commands:\" in $help" >&2; exit 1; }
[ -n "$options" ] || { echo "no long options found in $help" >&2; exit 1; }

compare commands "manual page" "$commands" "$(page_commands "$page" | sorted)"
compare options "manual page" "$options" "$(sed 's/\\-/-/g' "$page" | long_options | sorted)"
compare commands "completion" "$commands" "$(completion_commands "$completion" | sorted)"
compare options "completion" "$options" "$(grep -v '^ *#' "$completion" | long_options | sorted)"

[ $status -eq 0 ] && echo "--help, manual page and completion name the same $(echo "$commands" | wc -l) commands" \
    "and $(echo "$options" | wc -l) long options"
exit $status
