# shellcheck shell=bash
# What korvactl's help says it takes, for the tests that check the completion and the man page against
# the program: its English help, which the man page is written from, whatever the locale of the run.
# Sourced; needs $korvactl, the program's path.
# shellcheck disable=SC2154

# korvactl_commands: the commands `korvactl --help` lists, one a line.
korvactl_commands() {
  LC_ALL=C.UTF-8 "$korvactl" --help | awk '/^  [a-z]/ {print $1}'
}

# korvactl_options COMMAND: one line for each option `korvactl COMMAND --help` lists: its name, and the
# value it takes when it takes one ("--timeout D", "--order input|reply", "--json").
korvactl_options() {
  local line label word name
  LC_ALL=C.UTF-8 "$korvactl" "$1" --help | sed -n '/^options:$/,$p' | while IFS= read -r line; do
    [[ $line == "  -"* ]] || continue
    # A label short enough shares its line with the explanation, which starts in the 23rd column.
    label=${line:2}
    [[ ${#line} -gt 22 && ${line:21:1} == " " ]] && label=${line:2:19}
    name=
    for word in ${label//,/ }; do
      if [[ $word == -* ]]; then
        [ -z "$name" ] || echo "$name"
        name=$word
      else
        echo "$name $word"
        name=
      fi
    done
    [ -z "$name" ] || echo "$name"
  done
}
