#!/usr/bin/env python3
"""Structural checks of the demo archive that tools/make_demo_archive.py writes.

The archive is generated into a temporary folder and read back with this file's own byte-level
readers: table headers and field descriptors, record counts, memo block pointers, the catalogue
cases the program's rules depend on, the files the catalogue links to, and every link, frame and
anchor of the HTML front end.
"""

import os
import re
import struct
import subprocess
import sys
import tempfile
import unittest
import zipfile
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
SCRIPT = ROOT / "tools" / "make_demo_archive.py"
DEFAULT_ARTICLES = 400
LAST_AVAILABLE_ISSUE = 72
# The words the article PDFs hold on their first, second and third page only.
PAGE_WORDS = (("introduction", "overview"), ("implementation", "listing"), ("benchmark", "conclusion"))

# What the archive deliberately lacks, relative to the archive folder.
DELIBERATELY_MISSING = {"PDF/0012.PDF", "PDF/T020.PDF", "DISKS/ISSUE12/NOSUCH",
                        "DISKS/ISSUE30/TIPTRIX"}

ARTICLE_FIELDS = [("ARTICLE_ID", "N", 11), ("ARTICLE_TY", "C", 8), ("DIRECTORY", "C", 8),
                  ("TITLE", "C", 64), ("AUTHOR_1", "N", 11), ("AUTHOR_2", "N", 11),
                  ("AUTHOR_3", "N", 11), ("ISSUE__", "N", 11), ("PAGE_NUMBE", "N", 11),
                  ("SUMMARY", "M", 10)]
TABLES = {
    "article.dbf": (0x83, ARTICLE_FIELDS),
    "author.dbf": (0x03, [("AUTHOR_ID", "N", 11), ("NAME", "C", 64)]),
    "keyword.dbf": (0x03, [("ARTICLE_ID", "N", 11), ("KEYWORD", "C", 28)]),
    "files.dbf": (0x03, [("FILE_ID", "C", 3), ("NAME", "C", 50), ("TITLE", "C", 50)]),
    "words.dbf": (0x03, [("FILE_ID", "C", 3), ("WORD", "C", 35)]),
}


def generate(folder, *options):
    command = [sys.executable, str(SCRIPT), str(folder), *options]
    fixtures = os.environ.get("VANTOREL_FIXTURES_DIR")
    if fixtures:
        command += ["--legacy-zips", str(Path(fixtures) / "zip")]
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL)


# ---- dBASE reading, written from the file format ----------------------------------------------

class Table:
    def __init__(self, path):
        data = path.read_bytes()
        self.path = path
        self.data = data
        (self.version, year, month, day, self.count, self.header_length,
         self.record_length) = struct.unpack_from("<BBBBIHH", data, 0)
        self.date = (1900 + year, month, day)
        self.reserved = data[12:32]
        self.fields = []
        self.descriptors = []
        offset = 1
        position = 32
        while data[position] != 0x0D:
            raw = data[position:position + 32]
            self.descriptors.append(raw)
            name = raw[:11].split(b"\0")[0].decode("ascii")
            self.fields.append((name, chr(raw[11]), raw[16], raw[17], offset))
            offset += raw[16]
            position += 32
        self.terminator_position = position

    def records(self):
        start, length = self.header_length, self.record_length
        for k in range(self.count):
            yield self.data[start + k * length:start + (k + 1) * length]

    def rows(self):
        """Decoded records: dict of field name -> text (C, cp437) or int (N, M); '_deleted'."""
        for raw in self.records():
            row = {"_deleted": raw[0:1] == b"*"}
            for name, kind, width, _, offset in self.fields:
                text = raw[offset:offset + width]
                if kind == "C":
                    row[name] = text.decode("cp437")
                else:
                    row[name] = int(text) if text.strip() else 0
            yield row


def memo_text(memo, block):
    start = block * 512
    return memo[start:memo.index(b"\x1a", start)]


# ---- paths as the program finds them: letter case of a-z ignored -----------------------------

def find_path(base, relative):
    """The existing path for relative (separators "/" or "\\") below base, matching each
    component without regard to letter case; None when there is none."""
    current = Path(base)
    for part in re.split(r"[\\/]+", relative):
        if part in ("", "."):
            continue
        if part == "..":
            current = current.parent
            continue
        exact = current / part
        if exact.exists():
            current = exact
            continue
        if not current.is_dir():
            return None
        matches = [entry for entry in os.listdir(current) if entry.upper() == part.upper()]
        if not matches:
            return None
        current = current / matches[0]
    return current


ATTRIBUTE = re.compile(r"""\b(HREF|SRC)\s*=\s*(?:"([^"]*)"|'([^']*)'|([^\s>]+))""", re.I)
ANCHOR = re.compile(r"""<A\s[^>]*?\bNAME\s*=\s*(?:"([^"]*)"|([^\s>]+))""", re.I)
TAG = re.compile(r"<(/?)([A-Za-z][A-Za-z0-9]*)")


def anchors_of(page):
    text = page.read_text("cp1252")
    return {m.group(1) if m.group(1) is not None else m.group(2) for m in ANCHOR.finditer(text)}


def links_of(page):
    text = page.read_text("cp1252")
    for match in ATTRIBUTE.finditer(text):
        yield match.group(1).upper(), next(g for g in match.groups()[1:] if g is not None)


class DemoArchiveTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.temp = tempfile.TemporaryDirectory(prefix="demo_archive_")
        cls.out = Path(cls.temp.name) / "archive"
        generate(cls.out)
        cls.tables = {name: Table(cls.out / name) for name in TABLES}
        cls.articles = list(cls.tables["article.dbf"].rows())
        cls.authors = list(cls.tables["author.dbf"].rows())
        cls.keywords = list(cls.tables["keyword.dbf"].rows())
        cls.files = list(cls.tables["files.dbf"].rows())
        cls.words = list(cls.tables["words.dbf"].rows())
        cls.memo = (cls.out / "article.dbt").read_bytes()
        cls.pages = sorted(p for p in cls.out.rglob("*") if p.suffix.upper() == ".HTM")

    @classmethod
    def tearDownClass(cls):
        cls.temp.cleanup()

    def article(self, article_id):
        return next(a for a in self.articles if a["ARTICLE_ID"] == article_id)

    # ---- tables ----------------------------------------------------------------------------

    def test_table_headers_and_field_descriptors(self):
        for name, (version, fields) in TABLES.items():
            with self.subTest(table=name):
                table = self.tables[name]
                self.assertEqual(table.version, version)
                self.assertEqual([(n, k, w) for n, k, w, _, _ in table.fields], fields)
                self.assertTrue(all(decimals == 0 for _, _, _, decimals, _ in table.fields))
                self.assertEqual(table.header_length, 32 + 32 * len(fields) + 1)
                self.assertEqual(table.terminator_position, table.header_length - 1)
                self.assertEqual(table.record_length, 1 + sum(w for _, _, w in fields))
                self.assertEqual(table.reserved, bytes(20))
                year, month, day = table.date
                self.assertTrue(1 <= month <= 12 and 1 <= day <= 31 and year >= 1995)
                for raw in table.descriptors:
                    name_bytes = raw[:11]
                    self.assertEqual(name_bytes.rstrip(b"\0").find(b"\0"), -1)
                    self.assertEqual(raw[12:16] + raw[18:32], bytes(18))
                self.assertEqual(len(table.data),
                                 table.header_length + table.count * table.record_length + 1)
                self.assertEqual(table.data[-1], 0x1A)

    def test_record_fields_are_well_formed(self):
        for name, table in self.tables.items():
            with self.subTest(table=name):
                for raw in table.records():
                    self.assertIn(raw[0:1], (b" ", b"*"))
                    for field, kind, width, _, offset in table.fields:
                        text = raw[offset:offset + width]
                        if kind in "NM":
                            self.assertRegex(text.decode("ascii"), r"^ *-?\d*$", field)
                            self.assertTrue(text.strip() or kind == "M", field)
                        else:
                            self.assertNotIn(0x1A, text)
                            self.assertNotIn(0x00, text)

    def test_record_counts_at_the_default_size(self):
        self.assertEqual(len(self.articles), DEFAULT_ARTICLES)
        self.assertEqual(len(self.authors), DEFAULT_ARTICLES // 8 + 1)
        self.assertEqual(len(self.files), DEFAULT_ARTICLES // 10)
        self.assertTrue(8 <= len(self.keywords) / DEFAULT_ARTICLES <= 12, len(self.keywords))
        self.assertTrue(25 <= len(self.words) / DEFAULT_ARTICLES <= 35, len(self.words))

    def test_memo_blocks(self):
        memo = self.memo
        next_free = struct.unpack_from("<I", memo, 0)[0]
        self.assertEqual(memo[16], 0x03)
        self.assertEqual(len(memo), next_free * 512)
        table = self.tables["article.dbf"]
        _, _, _, _, offset = next(f for f in table.fields if f[0] == "SUMMARY")
        blocks = []
        blank = 0
        for raw in table.records():
            field = raw[offset:offset + 10]
            if field == b" " * 10:
                blank += 1
                continue
            self.assertRegex(field.decode("ascii"), r"^ *[1-9]\d*$")
            blocks.append(int(field))
        self.assertGreater(blank, 0)
        self.assertEqual(blocks, sorted(blocks))
        self.assertEqual(len(set(blocks)), len(blocks))
        for block, following in zip(blocks, blocks[1:] + [next_free]):
            text = memo_text(memo, block)
            end = block * 512 + len(text)
            self.assertEqual(memo[end:end + 2], b"\x1a\x1a")
            self.assertEqual(following, block + (len(text) + 2 + 511) // 512)
            self.assertFalse(text.endswith(b"\r\n"))
        texts = [memo_text(memo, b) for b in blocks]
        self.assertTrue(any(b"\x8d\x0a" in t for t in texts), "a summary with soft returns")
        self.assertTrue(any(b"\r\n" in t for t in texts), "a summary of several lines")
        self.assertTrue(any(len(t) > 1024 for t in texts), "a summary of several blocks")
        self.assertTrue(any(b"\x81" in t for t in texts), "an OEM letter in a summary")

    def test_catalogue_cases(self):
        issues = {a["ISSUE__"] for a in self.articles}
        self.assertEqual(min(issues), 1)
        self.assertTrue(set(range(73, 77)) <= issues, "issues beyond LastIssue 72")
        types = {a["ARTICLE_TY"].rstrip() for a in self.articles}
        self.assertTrue({"Article", "Review", "Tip", "Clinic"} < types, types)
        sourced = [a for a in self.articles if a["ARTICLE_TY"].rstrip() in ("Article", "Review")]
        self.assertTrue(any(a["DIRECTORY"].strip() for a in sourced))
        self.assertTrue(any(not a["DIRECTORY"].strip() for a in sourced))
        self.assertTrue(any(a["AUTHOR_1"] == 0 and a["AUTHOR_2"] != 0 for a in self.articles))
        self.assertTrue(any(len(a["TITLE"].rstrip()) == 64 for a in self.articles))
        self.assertTrue(any(len(a["NAME"].rstrip()) == 64 for a in self.authors))
        self.assertTrue(any(len(k["KEYWORD"].rstrip()) == 28 for k in self.keywords))
        self.assertTrue(any(len(w["WORD"].rstrip()) == 35 for w in self.words))
        spellings = {}
        for k in self.keywords:
            spellings.setdefault(k["KEYWORD"].rstrip().upper(), set()).add(k["KEYWORD"].rstrip())
        self.assertTrue(any(len(s) >= 3 for s in spellings.values()), "keyword capitalisation")
        for rows, field in ((self.authors, "NAME"), (self.articles, "TITLE"),
                            (self.keywords, "KEYWORD")):
            self.assertTrue(any("\u00fc" in r[field] for r in rows), field)  # OEM byte 0x81
        self.assertTrue(any(not w["WORD"].isascii() for w in self.words))
        for rows in (self.articles, self.authors, self.keywords, self.words):
            self.assertTrue(any(r["_deleted"] for r in rows))
            self.assertTrue(sum(r["_deleted"] for r in rows) < len(rows) / 20)
        documents_of = {}
        for w in self.words:
            documents_of.setdefault(w["WORD"], set()).add(w["FILE_ID"])
        self.assertTrue(sum(len(d) >= 3 for d in documents_of.values()) > 50)

    def test_fixed_cases(self):
        # (id, type, issue, DIRECTORY, authors, deleted)
        cases = [
            (1, "Article", 1, "INTRO", (1, 0, 0), False),
            (2, "Review", 3, "", (2, 0, 0), False),
            (3, "Tip", 7, "", (3, 0, 0), False),
            (4, "Clinic", 45, "", (4, 0, 0), False),
            (5, "Article", 73, "BEYOND", (5, 0, 0), False),
            (6, "Article", 12, "", (6, 0, 0), False),
            (7, "Article", 12, "NOSUCH", (7, 0, 0), False),
            (8, "Article", 14, "SORTING", (0, 8, 0), False),
            (9, "Tip", 9, "", (0, 0, 0), False),
            (12, "Article", 16, "HEAPMGR", (11, 12, 13), False),
            (13, "Article", 17, "OLDSTUFF", (14, 0, 0), True),
            (16, "Review", 44, "Streams", (2, 6, 0), False),
        ]
        for article_id, kind, issue, directory, authors, deleted in cases:
            with self.subTest(article=article_id):
                a = self.article(article_id)
                self.assertEqual(a["ARTICLE_TY"].rstrip(), kind)
                self.assertEqual(a["ISSUE__"], issue)
                self.assertEqual(a["DIRECTORY"].rstrip(), directory)
                self.assertEqual((a["AUTHOR_1"], a["AUTHOR_2"], a["AUTHOR_3"]), authors)
                self.assertEqual(a["_deleted"], deleted)
        self.assertEqual(self.article(6)["SUMMARY"], 0)
        self.assertFalse(any(k["ARTICLE_ID"] == 6 for k in self.keywords))
        self.assertEqual(len(self.authors[9]["NAME"].rstrip()), 64)
        self.assertEqual(self.authors[9]["AUTHOR_ID"], 10)
        first = memo_text(self.memo, self.article(1)["SUMMARY"])
        self.assertEqual(first.split(b"\r\n")[-1], b"Written by J\x81rgen M\x81ller.")

    def test_references_between_tables(self):
        article_ids = [a["ARTICLE_ID"] for a in self.articles]
        self.assertEqual(len(set(article_ids)), len(article_ids))
        author_ids = [a["AUTHOR_ID"] for a in self.authors]
        self.assertEqual(len(set(author_ids)), len(author_ids))
        for a in self.articles:
            for place in ("AUTHOR_1", "AUTHOR_2", "AUTHOR_3"):
                self.assertTrue(a[place] == 0 or a[place] in author_ids)
        self.assertTrue({k["ARTICLE_ID"] for k in self.keywords} <= set(article_ids))
        file_ids = [f["FILE_ID"] for f in self.files]
        self.assertEqual(len(set(file_ids)), len(file_ids))
        self.assertTrue({w["FILE_ID"] for w in self.words} <= set(file_ids))
        self.assertTrue(all(f == f.strip().ljust(3) for f in file_ids))  # left-aligned keys
        self.assertTrue(any(f.endswith(" ") for f in file_ids))

    # ---- files the catalogue links to -----------------------------------------------------

    def expected_pdf(self, a):
        kind, issue = a["ARTICLE_TY"].rstrip(), a["ISSUE__"]
        if kind in ("Article", "Review"):
            return "%04d.PDF" % a["ARTICLE_ID"]
        if kind in ("Tip", "Clinic"):
            return "%s%03d.PDF" % (kind[0], issue)
        return None

    def test_article_pdfs_hold_paragraphs_with_words_of_one_page(self):
        pages_seen = set()
        for name in sorted(os.listdir(self.out / "PDF")):
            if name == "freetextsearch.pdf":
                continue
            data = (self.out / "PDF" / name).read_bytes()
            count = int(re.search(rb"/Type /Pages /Kids \[[^]]*\] /Count (\d+)", data).group(1))
            streams = re.findall(rb"stream\n(.*?)\nendstream", data, re.S)
            self.assertEqual(len(streams), count, name)
            pages_seen.add(count)
            texts = [b" ".join(re.findall(rb"\((.*?)\) '", stream)) for stream in streams]
            self.assertGreater(len(texts[0].split()), 60, name)  # a few paragraphs
            for page, words in enumerate(PAGE_WORDS[:count]):
                for word in words:
                    holding = [n for n, text in enumerate(texts) if word.encode() in text]
                    self.assertEqual(holding, [page], (name, word))
        self.assertEqual(pages_seen, {1, 2, 3})

    def test_pdf_files(self):
        pdf = self.out / "PDF"
        wanted = {self.expected_pdf(a) for a in self.articles
                  if a["ISSUE__"] <= LAST_AVAILABLE_ISSUE} - {None}
        present = set(os.listdir(pdf))
        missing = {"0012.PDF", "T020.PDF"}
        self.assertEqual(present, (wanted - missing) | {"freetextsearch.pdf"})
        self.assertTrue(missing <= wanted)
        for name in sorted(present) + ["../DUMMY.PDF"]:
            with self.subTest(pdf=name):
                data = (pdf / name).read_bytes()
                self.assertTrue(data.startswith(b"%PDF-1."))
                self.assertTrue(data.endswith(b"%%EOF\n"))
                xref = int(data.rsplit(b"startxref\n", 1)[1].split(b"\n")[0])
                self.assertEqual(data[xref:xref + 5], b"xref\n")
                lines = data[xref:].split(b"\n")
                count = int(lines[1].split()[1])
                for number in range(1, count):
                    offset = int(lines[2 + number][:10])
                    self.assertTrue(data[offset:].startswith(b"%d 0 obj" % number))
                length = int(re.search(rb"/Length (\d+)", data).group(1))
                stream = data.index(b"stream\n") + 7
                self.assertEqual(data[stream + length:stream + length + 10], b"\nendstream")

    def source_folder(self, a):
        kind, issue = a["ARTICLE_TY"].rstrip(), a["ISSUE__"]
        folder = ("Issue0%d" if issue < 10 else "Issue%d") % issue
        if kind in ("Article", "Review"):
            directory = a["DIRECTORY"].rstrip()
            return folder + "/" + directory if directory else None
        return folder + {"Tip": "/TIPTRIX", "Clinic": "/CLINIC"}.get(kind, "")

    def test_companion_disk_folders(self):
        disks = self.out / "DISKS"
        for a in self.articles:
            folder = self.source_folder(a)
            if folder is None:
                continue
            with self.subTest(article=a["ARTICLE_ID"], folder=folder):
                found = find_path(disks, folder)
                if "DISKS/" + folder.upper() in DELIBERATELY_MISSING:
                    self.assertIsNone(found)
                else:
                    self.assertTrue(found is not None and found.is_dir())
                    self.assertTrue(any(p.is_file() for p in found.iterdir()))
        self.assertTrue((disks / "Issue01" / "INTRO" / "UNITS" / "UTIL.PAS").is_file())
        self.assertTrue((disks / "Issue01" / "INTRO" / "SRC" / "LIB" / "UTIL").is_dir())

    def test_zip_archives(self):
        methods = set()
        for path in self.out.rglob("*"):
            if path.suffix.upper() != ".ZIP" or path.parent.name == "LEGACY":
                continue
            with self.subTest(zip=str(path.relative_to(self.out))):
                with zipfile.ZipFile(path) as archive:
                    self.assertIsNone(archive.testzip())
                    methods |= {i.compress_type for i in archive.infolist() if not i.is_dir()}
        self.assertEqual(methods, {zipfile.ZIP_STORED, zipfile.ZIP_DEFLATED})
        names = (self.out / "DISKS" / "Issue01" / "INTRO" / "NAMES.ZIP").read_bytes()
        self.assertEqual(names.count(b"M\x81LLER.TXT"), 2)  # local header and central directory
        with zipfile.ZipFile(self.out / "DISKS" / "Issue01" / "INTRO" / "SOURCE.ZIP") as zipped:
            self.assertTrue(any(i.is_dir() for i in zipped.infolist()))

    def test_legacy_archives_are_copies_of_the_fixtures(self):
        fixtures = Path(os.environ.get("VANTOREL_FIXTURES_DIR", ROOT.parent / "shared" /
                                       "fixtures")) / "zip"
        legacy = self.out / "DISKS" / "Issue02" / "LEGACY"
        if not fixtures.is_dir():
            self.assertFalse(legacy.exists())
            self.skipTest("no legacy archives at %s" % fixtures)
        copies = sorted(os.listdir(legacy))
        self.assertGreaterEqual(len(copies), 3)
        for name in copies:
            source = next(fixtures.glob("*/" + name))
            self.assertEqual((legacy / name).read_bytes(), source.read_bytes())

    def test_images_and_media(self):
        jpeg = (self.out / "LOGO.JPG").read_bytes()
        self.assertEqual(jpeg[:2], b"\xff\xd8")
        self.assertEqual(jpeg[-2:], b"\xff\xd9")
        position, markers = 2, {}
        while jpeg[position + 1] != 0xDA:
            self.assertEqual(jpeg[position], 0xFF)
            length = struct.unpack_from(">H", jpeg, position + 2)[0]
            markers[jpeg[position + 1]] = jpeg[position + 4:position + 2 + length]
            position += 2 + length
        self.assertEqual(markers[0xC0][:6], struct.pack(">BHHB", 8, 32, 64, 3))  # baseline
        self.assertIn(0xDB, markers)
        self.assertIn(0xC4, markers)
        self.assertTrue(markers[0xE0].startswith(b"JFIF\0"))

        gif = (self.out / "BANNER.GIF").read_bytes()
        self.assertEqual(gif[:6], b"GIF89a")
        width, height, packed = struct.unpack_from("<HHB", gif, 6)
        self.assertEqual((width, height), (48, 16))
        position = 13 + 3 * (2 << (packed & 7))
        self.assertEqual(gif[position], 0x2C)
        position += 10 + 1  # image descriptor, LZW minimum code size
        while gif[position]:
            position += 1 + gif[position]
        self.assertEqual(gif[position + 1:], b"\x3b")

        bmp = (self.out / "SPINE.BMP").read_bytes()
        size, offset = struct.unpack_from("<I4xI", bmp, 2)
        header, width, height, _, bits = struct.unpack_from("<IiiHH", bmp, 14)
        self.assertEqual((bmp[:2], size, offset, header, bits), (b"BM", len(bmp), 54, 40, 24))
        self.assertEqual(len(bmp) - offset, ((width * 3 + 3) & ~3) * height)

        wav = (self.out / "WELCOME.WAV").read_bytes()
        self.assertEqual((wav[:4], wav[8:16]), (b"RIFF", b"WAVEfmt "))
        self.assertEqual(struct.unpack_from("<I", wav, 4)[0], len(wav) - 8)
        self.assertEqual(struct.unpack_from("<I", wav, 40)[0], len(wav) - 44)

        self.assertEqual((self.out / "THEME.MID").read_bytes()[:4], b"MThd")
        for exe in ("BONUS/SETUP.EXE", "Acrobat/rp500enu.exe", "DISKS/Issue02/TOOLS/HELLO.EXE"):
            data = (self.out / exe).read_bytes()
            last, pages = struct.unpack_from("<HH", data, 2)
            self.assertEqual(data[:2], b"MZ")
            self.assertEqual((pages - 1) * 512 + last, len(data))

    # ---- the HTML front end ----------------------------------------------------------------

    def test_frameset_and_help_anchors(self):
        index = (self.out / "index.htm").read_text("cp1252")
        frames = re.findall(r"<FRAME\s+SRC=(\S+)\s+NAME=(\w+)", index)
        self.assertEqual(frames, [("contents.htm", "CONTENTS"), ("start.htm", "MAIN")])
        self.assertIn("<FRAMESET", index)
        self.assertTrue({"Options", "Selfil", "HTMLSrch", "ArtSrch"}
                        <= anchors_of(self.out / "help.htm"))
        for name in ("DUMMY.PDF", "DUMMY.HTM", "DUMMY.ZIP", "README.TXT"):
            self.assertTrue((self.out / name).is_file(), name)

    def test_pages_use_the_markup_of_the_period(self):
        for page in self.pages:
            with self.subTest(page=str(page.relative_to(self.out))):
                raw = page.read_bytes()
                self.assertNotIn(b"\n", raw.replace(b"\r\n", b""))
                text = raw.decode("cp1252")
                for _, name in TAG.findall(text):
                    self.assertTrue(name.isupper(), name)
                self.assertNotRegex(text, r"(?i)COLOR\s*=\s*\"?#")
        start = (self.out / "start.htm").read_text("cp1252")
        self.assertRegex(start, r"<A HREF=[^\"\s>]+>")  # unquoted attribute values
        self.assertGreater(start.count("<FONT"), start.count("</FONT>"))
        self.assertGreater(start.count("<P"), start.count("</P>"))

    def resolve_link(self, page, reference):
        """What a link leads to, following the routing of the link dispatcher: a tuple
        (form, path relative to the archive or None, search word or None); path None means a
        link that leaves the archive (a website) or a command (the search dialogs)."""
        upper = reference.upper()
        here = page.parent.relative_to(self.out).as_posix()
        here = "" if here == "." else here + "/"
        if upper in ("ARTSRCH.HTM", "BONSRCH.HTM"):
            return "search dialog", here + reference, None
        if upper == "FILE:///PDF/FREETEXTSEARCH.PDF":
            return "full-text search", None, None
        colon = reference.find(":") + 1
        if colon <= 2 or "FILE:" in upper:
            target = reference.split(" ")[0] if " " in reference else reference.split("?")[0]
            if target.upper().startswith("FILE:///PDF/"):
                # A page the link names is the reader's, not an anchor.
                pdf = re.sub(r"(?i)(\.PDF)#page=\d+$", r"\1", target[len("file:///pdf/"):])
                return "pdf", "PDF/" + pdf, None
            if target.upper().startswith("FILE:///"):
                target = target[len("file:///"):]
                if target.upper().startswith("XBONUS/"):
                    return "installer", "BONUS/" + target[len("XBONUS/"):], None
            return "file", here + target, None
        if "HTTP://" in upper:
            return "website", None, None
        if upper.startswith("DIRY:///DISKS/"):
            return "directory", "DISKS/" + reference[len("diry:///disks/"):], None
        if upper.startswith("VIEW:///DISKS/"):
            path, _, word = reference[len("VIEW:///DISKS/"):].partition("|")
            return "view", "DISKS/" + path, word.upper()
        if upper.startswith("SRCH:///"):
            path, _, word = reference[len("SRCH:///"):].partition("|")
            return "search page", here + path, word
        self.fail("%s: link %r has no form the dispatcher routes" % (page, reference))

    def test_every_link_leads_somewhere(self):
        forms = set()
        failures = []
        missing_linked = set()
        for page in self.pages:
            for attribute, reference in links_of(page):
                form, target, word = self.resolve_link(page, reference)
                forms.add(form if attribute == "HREF" else "image")
                if reference.upper().endswith((".ZIP", ".TXT", ".WAV", ".EXE", ".MID")) or \
                        " " in reference:
                    forms.add(reference.split(" ")[0].rsplit(".", 1)[-1].upper() +
                              (" with parameter" if " " in reference else ""))
                if target is None:
                    continue
                file_part, _, anchor = target.partition("#")
                found = find_path(self.out, file_part) if file_part else page
                if found is None:
                    normalised = re.sub(r"/+", "/", file_part.upper()).rstrip("/")
                    if normalised in DELIBERATELY_MISSING:
                        missing_linked.add(normalised)
                    else:
                        failures.append("%s: %s" % (page.relative_to(self.out), reference))
                    continue
                if form == "directory":
                    self.assertTrue(found.is_dir(), reference)
                if anchor:
                    forms.add("anchor")
                    if anchor not in anchors_of(found):
                        failures.append("%s: %s (no anchor)" % (page.relative_to(self.out),
                                                                reference))
                if word:
                    content = found.read_bytes().decode("cp1252").upper()
                    if word.upper() not in content:
                        failures.append("%s: %s (word not in page)"
                                        % (page.relative_to(self.out), reference))
        self.assertEqual(failures, [])
        self.assertEqual(missing_linked, {"PDF/T020.PDF"})
        self.assertTrue({"search dialog", "pdf", "installer", "file", "website", "directory",
                         "view", "search page", "image", "anchor", "ZIP", "TXT", "WAV", "EXE",
                         "MID", "EXE with parameter", "full-text search"} <= forms, forms)
        references = [r for p in self.pages for _, r in links_of(p)]
        self.assertIn("file:///GALLERY.HTM", references)  # an .HTM marked with FILE:
        self.assertIn("artsrch.htm", references)

    def test_bonus_documents_exist_and_hold_their_words(self):
        pages = {}
        for f in self.files:
            path = find_path(self.out, f["NAME"].rstrip())
            self.assertIsNotNone(path, f["NAME"])
            pages[f["FILE_ID"]] = path.read_bytes().decode("cp1252").upper()
        for w in self.words:
            self.assertIn(w["WORD"].rstrip(), pages[w["FILE_ID"]], w)


class GenerationTest(unittest.TestCase):
    def test_same_seed_same_archive_and_a_larger_archive_keeps_the_proportions(self):
        with tempfile.TemporaryDirectory(prefix="demo_archive_") as temp:
            a, b, big = (Path(temp) / n for n in ("a", "b", "big"))
            generate(a, "--articles", "300", "--seed", "7")
            generate(b, "--articles", "300", "--seed", "7")
            files_a = sorted(p.relative_to(a) for p in a.rglob("*"))
            self.assertEqual(files_a, sorted(p.relative_to(b) for p in b.rglob("*")))
            for relative in files_a:
                if (a / relative).is_file():
                    self.assertEqual((a / relative).read_bytes(), (b / relative).read_bytes(),
                                     relative)

            articles = 6000  # large enough for the quick way of writing large archives
            generate(big, "--articles", str(articles), "--seed", "8")
            table = Table(big / "article.dbf")
            self.assertEqual(table.count, articles)
            # The fixed cases come first, the same whatever the seed and size (memo pointers
            # included); the rest differs with the seed.
            self.assertEqual(list(Table(a / "article.dbf").records())[:22],
                             list(table.records())[:22])
            self.assertNotEqual(list(Table(a / "article.dbf").records())[22:300],
                                list(table.records())[22:300])
            keywords = Table(big / "keyword.dbf").count
            words = Table(big / "words.dbf").count
            self.assertTrue(8 <= keywords / articles <= 12, keywords)
            self.assertTrue(25 <= words / articles <= 35, words)
            self.assertEqual(Table(big / "files.dbf").count, articles // 10)
            rows = list(table.rows())
            self.assertEqual([row["ARTICLE_ID"] for row in rows], list(range(1, articles + 1)))
            pdf = big / "PDF"
            for row in rows:
                kind = row["ARTICLE_TY"].rstrip()
                if kind in ("Article", "Review") and row["ISSUE__"] <= LAST_AVAILABLE_ISSUE \
                        and row["ARTICLE_ID"] != 12:
                    data = (pdf / ("%04d.PDF" % row["ARTICLE_ID"])).read_bytes()
                    self.assertTrue(data.startswith(b"%PDF-") and data.endswith(b"%%EOF\n"))


if __name__ == "__main__":
    unittest.main(verbosity=2)
