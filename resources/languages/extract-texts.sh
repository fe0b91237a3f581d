#!/usr/bin/env bash
# Extracts every TranslateText("...") literal of the program's sources into a PO template (default: the
# QXDownloadTool.pot beside this script), with the device library's last-error texts (LibraryText), which the
# program translates too. Only those two keywords count; tests are not scanned.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
out=${1:-$here/QXDownloadTool.pot}

cd "$root"
list=$(mktemp)
trap 'rm -f "$list" "$list.pot"' EXIT
for dir in framework core app optionbytes tools offline; do
  if [ -d "$dir" ]; then find "$dir" -type f \( -name "*.cpp" -o -name "*.h" \); fi
done | LC_ALL=C sort > "$list"
echo devicelib/LastErrorTexts.h >> "$list"

# xgettext warns about every non-ASCII msgid; all of ours are Chinese, so that warning is noise.
xgettext --language=C++ --from-code=UTF-8 --keyword= --keyword=TranslateText --keyword=LibraryText --force-po --sort-output \
  --add-location=file --no-wrap --package-name=QXDownloadTool --files-from="$list" -o "$list.pot" 2> >(
  grep -v -e 'contains non-ASCII characters' -e 'This will cause problems' -e 'different from yours' \
    -e 'Consider using a pure ASCII' -e '^                  ' >&2 || true)
# A stable template: no creation date, the charset stated.
sed -e '/^"POT-Creation-Date:/d' -e 's/charset=CHARSET/charset=UTF-8/' "$list.pot" > "$out"
