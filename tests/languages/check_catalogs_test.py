#!/usr/bin/env python3
"""The catalog check reads texts written over several lines as whole entries, so one without English is found."""
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import check_catalogs  # noqa: E402

FIXTURE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "fixtures", "untranslated", "en.po")


class CanonicalEntries(unittest.TestCase):
    def test_texts_of_several_lines_are_entries_of_their_own(self):
        entries, _ = check_catalogs.canonical_entries(FIXTURE)
        by_text = {msgid: entry for (_, msgid), entry in entries.items()}
        self.assertEqual(set(by_text), {'"一行"', '"第一行\\n第二行"', '"译好的第一行\\n第二行"'})
        self.assertTrue(check_catalogs.translated(by_text['"一行"']))
        self.assertFalse(check_catalogs.translated(by_text['"第一行\\n第二行"']))
        self.assertEqual(by_text['"译好的第一行\\n第二行"'][0], ['"Translated first line\\nsecond line"'])
        self.assertTrue(check_catalogs.translated(by_text['"译好的第一行\\n第二行"']))


if __name__ == "__main__":
    unittest.main()
