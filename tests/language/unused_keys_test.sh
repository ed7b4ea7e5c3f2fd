#!/usr/bin/env bash
# Every key of the English catalogue is one the programs' code names: a text nothing shows any more is
# taken out of every catalogue instead of being translated on for ever. (A key the code names that the
# catalogue lacks does not compile.)
# Usage: unused_keys_test.sh SOURCE_DIR
set -uo pipefail
root=$1
named=$(grep -rhoE --include='*.cpp' --include='*.h' '"[a-z0-9_]+(\.[a-z0-9_]+)+"' \
          "$root/language" "$root/protocol" "$root/transport" "$root/console" "$root/app" "$root/tools" |
        tr -d '"' | sort -u)
unused=$(sed -n 's/^\([a-z0-9_.]*\)[ \t]*=.*/\1/p' "$root/language/catalogues/en.txt" | sort -u |
         comm -23 - <(echo "$named"))
if [ -n "$unused" ]; then
  echo "FAIL: keys of language/catalogues/en.txt that no code names:"
  echo "$unused"
  exit 1
fi
echo "every key of the English catalogue is named by the code"
