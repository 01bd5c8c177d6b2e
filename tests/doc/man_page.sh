#!/usr/bin/env bash
# Checks the manual page: the checker finds nothing to warn about, and the
# DIAGNOSTICS name every fatal message and reason the tool can print.
#
#   man_page.sh MAN_PAGE CONSTANTS_H
#
# Fails (never skips) when neither mandoc nor man-db is installed: an
# unchecked page would pass for a checked one.
set -euo pipefail
page=$1 constants=$2

if command -v mandoc >/dev/null; then
  warnings=$(mandoc -T lint -W style "$page" 2>&1) || true
  text=$(mandoc -T utf8 -O width=400 "$page")
elif command -v man >/dev/null; then
  warnings=$(man --warnings -l -Tutf8 "$page" 2>&1 >/dev/null) || true
  text=$(MANWIDTH=400 man --no-hyphenation -l -Tutf8 "$page")
else
  echo "FAIL: neither mandoc nor man found: install the Debian package mandoc (or man-db)"
  exit 1
fi
if [ -n "$warnings" ]; then
  echo "FAIL: the manual page has warnings:"
  echo "$warnings"
  exit 1
fi

# Rendered text on one line, without bold or underline overstrikes.
text=$(printf '%s' "$text" | sed 's/.\x08//g' | tr -s ' \n' '  ')

# Each message text, or the start of one that goes on with a path.
messages=$(perl -0777 -ne '
  while (/std::string_view\s+(k(?:Fatal|NoProject|TooMany|Cannot|Empty|Reason)\w*)\s*=\s*((?:"(?:[^"\\]|\\.)*"\s*)+);/g) {
    my ($name, $literals) = ($1, $2);
    next if $name =~ /^k(FatalPrefix|FatalSuffix|ReasonSeparator)$/;
    my $value = join "", $literals =~ /"((?:[^"\\]|\\.)*)"/g;
    $value =~ s/\\n/\n/g;
    $value =~ s/^\s+|\s+$//g;
    $value = "Fatal Error: $value" if $name !~ /^k(Fatal|Reason)/;
    print "$value\n";
  }' "$constants")
[ -n "$messages" ] || { echo "FAIL: no messages found in $constants"; exit 1; }

missing=0
while IFS= read -r message; do
  if [[ $text != *"$message"* ]]; then
    echo "FAIL: the manual page does not name: $message"
    missing=1
  fi
done <<<"$messages"
[ "$missing" -eq 0 ] || exit 1
echo "ok: no warnings; names all $(wc -l <<<"$messages") messages and reasons"
