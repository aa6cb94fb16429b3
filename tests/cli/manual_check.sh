#!/usr/bin/env bash
# Fails when a verb or option that `orvane --help` and `orvane VERB --help` show is missing
# from the manual page's source or from the bash completion, so that a new option cannot go
# undocumented. Usage: manual_check.sh ORVANE PAGE.scd
set -euo pipefail
orvane=$1
page=$2
completion=$("$orvane" completion bash)
failures=0
fail() {
  echo "$*"
  failures=$((failures + 1))
}

verbs=$("$orvane" --help | grep -oE 'orvane [a-z]+' | awk '{print $2}' | sort -u)
for verb in $verbs; do
  grep -qF "*orvane $verb*" "$page" || fail "$page: 'orvane $verb' is missing from the synopsis"
  grep -qE "(^|[ \"|])$verb([ \"|)]|\$)" <<<"$completion" || fail "the completion lacks the verb '$verb'"
  # Option lines of CLI11's help begin with the option's names: "  -q,--quiet  show ...".
  options=$("$orvane" "$verb" --help | { grep -E '^ +-' || true; } | awk '{print $1}' | tr ',' '\n' | sort -u)
  for option in $options; do
    grep -qF -- "*$option*" "$page" || fail "$page: 'orvane $verb $option' is not documented"
    grep -qE -- "(^|[ \"|])$option([ \"|)]|\$)" <<<"$completion" ||
      fail "the completion of 'orvane $verb' lacks $option"
  done
done

# The completion completes an option's name and its few values.
complete_words() {
  bash -c 'source <("$0" completion bash); COMP_WORDS=("${@}"); COMP_CWORD=$(($# - 1))
           _orvane; echo "${COMPREPLY[*]}"' "$orvane" "$@"
}
[ "$(complete_words orvane organize --lev)" = "--levels" ] || fail "'--lev' does not complete"
[ "$(complete_words orvane organize --levels '')" = "1 2 3" ] || fail "--levels offers no values"
[ "$(complete_words orvane organize --seq '')" = "run day stored" ] || fail "--seq offers no values"
[ "$(complete_words orvane un 2>/dev/null)" = "undo" ] || fail "'un' does not complete to undo"
[ "$(complete_words orvane completion '')" = "bash fish zsh" ] || fail "no shells offered"

[ "$failures" -eq 0 ] || exit 1
echo "The manual page and the completion cover every verb and option."
