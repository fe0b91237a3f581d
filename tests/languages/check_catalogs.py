#!/usr/bin/env python3
"""Fails when a TranslateText text of the sources has no English translation in en.po (or no entry in zh.po),
when an entry of en.po or zh.po is no longer used by the sources, or when QXDownloadTool.pot is out of date.

Usage: check_catalogs.py <source root>
"""
import os
import re
import subprocess
import sys
import tempfile


def canonical_entries(path):
    """The entries of a PO file as msgcat writes them (one line per string, escapes canonical):
    {(context, msgid): (msgstrs, fuzzy)}, plus the msgids of obsolete entries."""
    text = subprocess.run(["msgcat", "--no-wrap", "--to-code=UTF-8", path], check=True, capture_output=True,
                          text=True, encoding="utf-8").stdout
    entries, obsolete = {}, []
    for block in text.split("\n\n"):
        lines = [line for line in block.splitlines() if line.strip()]
        if not lines:
            continue
        if all(line.startswith("#~") for line in lines):
            obsolete += [line[len("#~ msgid "):] for line in lines if line.startswith("#~ msgid ")]
            continue
        fields, fuzzy, keyword = {}, False, None
        for line in lines:
            if line.startswith("#,") and "fuzzy" in line:
                fuzzy = True
            elif line.startswith('"') and keyword:
                # A string written over several lines (msgcat breaks after each \n even without wrapping): the
                # pieces are one string.
                fields[keyword] = fields[keyword][:-1] + line[1:]
            elif not line.startswith("#"):
                keyword, _, value = line.partition(" ")
                fields[keyword] = value
        if "msgid" not in fields:
            continue
        key = (fields.get("msgctxt"), fields["msgid"])
        if key == (None, '""'):
            continue  # the header
        strings = [value for keyword, value in fields.items() if keyword.startswith("msgstr")]
        entries[key] = (strings, fuzzy)
    return entries, obsolete


SOURCE_FOLDERS = ("framework", "core", "app", "optionbytes", "tools", "offline")
# xgettext keeps only the first piece of adjacent u"..." literals, so such a text would be looked up under a key
# no catalog holds.
SPLIT_LITERAL = re.compile(r'TranslateText\s*\(\s*u"(?:[^"\\\n]|\\.)*"\s*u?8?"')


def split_literals(root):
    found = []
    for folder in SOURCE_FOLDERS:
        for directory, _, files in os.walk(os.path.join(root, folder)):
            for name in files:
                if name.endswith((".cpp", ".h")):
                    path = os.path.join(directory, name)
                    with open(path, encoding="utf-8", errors="replace") as source:
                        if SPLIT_LITERAL.search(source.read()):
                            found.append(os.path.relpath(path, root))
    return sorted(found)


def translated(entry):
    strings, fuzzy = entry
    return not fuzzy and all(value != '""' for value in strings)


def main():
    root = os.path.abspath(sys.argv[1])
    languages = os.path.join(root, "resources", "languages")
    problems = []
    with tempfile.TemporaryDirectory() as work:
        fresh = os.path.join(work, "fresh.pot")
        subprocess.run([os.path.join(languages, "extract-texts.sh"), fresh], check=True)
        used, _ = canonical_entries(fresh)
    template, _ = canonical_entries(os.path.join(languages, "QXDownloadTool.pot"))
    english, english_obsolete = canonical_entries(os.path.join(languages, "en.po"))
    chinese, chinese_obsolete = canonical_entries(os.path.join(languages, "zh.po"))

    for key in sorted(used, key=str):
        if key not in english or not translated(english[key]):
            problems.append(f"en.po: no English for {key[1]}")
        if key not in chinese or not translated(chinese[key]):
            problems.append(f"zh.po: no entry for {key[1]}")
    for name, catalog, obsolete in (("en.po", english, english_obsolete), ("zh.po", chinese, chinese_obsolete)):
        for key in sorted(set(catalog) - set(used), key=str):
            problems.append(f"{name}: no longer used: {key[1]}")
        for msgid in obsolete:
            problems.append(f"{name}: obsolete entry left in: {msgid}")
    for path in split_literals(root):
        problems.append(f"{path}: a TranslateText text split into several literals; write it as one")
    if set(template) != set(used):
        problems.append("QXDownloadTool.pot is out of date")

    if problems:
        print("\n".join(problems))
        print("Run resources/languages/update-catalogs.sh, then fill in the English of the new texts in en.po.")
        return 1
    print(f"{len(used)} texts, each translated in en.po and zh.po, no unused entries.")
    return 0


if __name__ == "__main__":
    sys.exit(main())
