#!/usr/bin/env bash
# Brings the template and both catalogs up to date with the sources: new texts join zh.po (translated to
# themselves) and en.po (untranslated, for you to fill in); texts no longer used leave both.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
pot=$here/QXDownloadTool.pot
"$here/extract-texts.sh" "$pot"

for lang in zh en; do
  po=$here/$lang.po
  tmp=$(mktemp)
  msgmerge --quiet --force-po --no-fuzzy-matching --no-wrap --sort-output "$po" "$pot" -o - | msgattrib --force-po --no-obsolete --no-wrap -o "$tmp"
  if [ "$lang" = zh ]; then
    # The Chinese catalog answers each text with itself.
    msgen --force-po --no-wrap "$tmp" -o "$tmp.en" && mv "$tmp.en" "$tmp"
  fi
  mv "$tmp" "$po"
done
echo "Up to date. Fill in the empty msgstr entries of $here/en.po:"
# Every untranslated entry but the header, texts of several lines included.
msgattrib --untranslated --no-wrap --no-location "$here/en.po" | awk '
  /^msgid / { text = $0; inid = 1; next }
  /^"/ && inid { text = text "\n" $0; next }
  /^msgstr/ { if (text != "msgid \"\"") { print text; found = 1 }; inid = 0 }
  END { if (!found) print "(none)" }'

