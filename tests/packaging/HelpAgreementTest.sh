#!/bin/bash
# The programs' --help is the reference: the manual pages must list the same commands and
# options, and kdx17's bash completion must offer them. Arguments: kdx17, kdx17-sim, the folder
# of the manual page sources, kdx17's completion file.
kdx17=$1 sim=$2 manDir=$3 completion=$4
failed=0
same() {  # what, actual, expected
    [[ $2 == "$3" ]] || { echo "$1: '$2', expected '$3'"; failed=1; }
}
words() { sort -u | xargs; }

helpCommands() { grep -oE '^  [a-z]+ ' | words; }
helpOptions() { grep -oE -- '--[a-z-]+' | words; }
# A page's commands are the tags of its PŘÍKAZY section, its options the --words of VOLBY.
manSection() { sed 's/\\-/-/g' "$1" | awk -v s="$2" '/^\.SH/ { on = ($2 == s) } on'; }
manCommands() { manSection "$1" PŘÍKAZY | awk 'p { gsub(/"/, ""); print $2 } { p = /^\.TP/ }' | words; }
manOptions() { manSection "$1" VOLBY | helpOptions; }

for program in "$kdx17" "$sim"; do
    page=$manDir/$(basename "$program").1.in
    help=$("$program" --help)
    same "$page: commands" "$(manCommands "$page")" "$(helpCommands <<<"$help")"
    same "$page: options" "$(manOptions "$page")" "$(helpOptions <<<"$help")"
done

# Completion as bash runs it: the typed line split into COMP_WORDS, the cursor at its end.
source /usr/share/bash-completion/bash_completion
source "$completion"
cd "$(mktemp -d)" && touch a.bin b.txt c.json d.png && mkdir sub || exit 1
offers() {  # typed line, expected completions
    COMP_LINE=$1 COMP_POINT=${#1}
    read -ra COMP_WORDS <<<"$1"
    [[ $1 == *' ' ]] && COMP_WORDS+=('')
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    _kdx17 kdx17 "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    same "'$1'" "$(printf '%s\n' "${COMPREPLY[@]}" | words)" "$2"
}
help=$("$kdx17" --help)
offers 'kdx17 ' "$(printf '%s\n' $(helpCommands <<<"$help") --help --version | words)"
offers 'kdx17 re' 'read'
offers 'kdx17 read --port ' '1 2 3 4 5 6'
offers 'kdx17 write --port 1 ' 'a.bin b.txt c.json sub'
offers 'kdx17 test --port 1 ' ''
for command in $(helpCommands <<<"$help"); do
    offers "kdx17 $command --" "$(grep -E "^  $command " <<<"$help" | helpOptions)"
done
exit $failed
