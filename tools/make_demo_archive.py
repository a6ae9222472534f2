#!/usr/bin/env python3
"""Writes the demo archive: a complete, generated magazine archive for the article browser.

Usage: make_demo_archive.py OUTDIR [--articles N] [--seed S] [--legacy-zips DIR]

The output is deterministic for a given seed and article count. OUTDIR is created when missing;
files of the archive are overwritten, nothing else in OUTDIR is touched (use an empty folder).
index.htm is written last, so its presence marks a complete archive.

Layout of OUTDIR (the data directory; PdfDir = OUTDIR/PDF/, SourceDir = OUTDIR/DISKS/, and OUTDIR
also stands for the CD-ROM root):

  article.dbf  article.dbt   articles, dBASE III with memo (version byte 0x83; memo blocks of
                             512 bytes, each text ended by 0x1A 0x1A); fields ARTICLE_ID N11,
                             ARTICLE_TY C8, DIRECTORY C8, TITLE C64, AUTHOR_1..AUTHOR_3 N11,
                             ISSUE__ N11, PAGE_NUMBE N11, SUMMARY M10
  author.dbf                 AUTHOR_ID N11, NAME C64                   (version byte 0x03)
  keyword.dbf                ARTICLE_ID N11, KEYWORD C28, ~10 records per article
  files.dbf                  FILE_ID C3 (left-aligned decimal), NAME C50, TITLE C50
  words.dbf                  FILE_ID C3, WORD C35 (capitals), ~30 records per article
                             Character data of every table is in code page 437 (OEM).
  index.htm                  frameset: frame "CONTENTS" (contents.htm), content frame "MAIN"
                             (start.htm)
  contents.htm start.htm     the front end; together they hold every link form: ARTSRCH.HTM,
                             BONSRCH.HTM, relative pages and anchors, file:///pdf/...,
                             diry:///disks/..., VIEW:///DISKS/...|word, SRCH:///page|word,
                             HTTP://..., .ZIP, .TXT, .WAV, .MID and .EXE links (one with a
                             parameter), file:///XBONUS/SETUP.EXE, file:///GALLERY.HTM
  issues.htm                 every issue 1..76 with its name, its companion-disk folder and the
                             PDFs of its tips and clinic (anchors I1..I76)
  help.htm                   anchors "Options", "Selfil", "HTMLSrch", "ArtSrch", "FreeText"
                             (and "Top")
  GALLERY.HTM                the page with GIF images, opened in the web browser
  ARTSRCH.HTM BONSRCH.HTM    small pages behind the search links (the program intercepts them)
  LOGO.JPG BANNER.GIF SPINE.BMP   images (baseline JPEG, GIF89a, 24-bit BMP)
  DUMMY.PDF DUMMY.HTM DUMMY.ZIP   sample files for the file associations
  README.TXT WELCOME.WAV THEME.MID  a text file, a sound (8-bit mono PCM), a MIDI tune
  EXTRAS/INDEX.HTM           list of the bonus pages
  EXTRAS/Xnnn.HTM            bonus pages (nnn = FILE_ID, from 004); files.dbf names them, as do
                             DISKS/Issue01..03/README.HTM (FILE_ID 1..3)
  PDF/                       NNNN.PDF for "Article"/"Review" (ARTICLE_ID, zero-padded to 4
                             digits; longer ids stay whole), TNNN.PDF for the tips and CNNN.PDF
                             for the clinic of issue NNN (zero-padded to 3), for issues 1..72;
                             freetextsearch.pdf
  DISKS/IssueNN/             companion disks of issues 1..76 ("Issue0" + n below 10): README.TXT,
                             one folder per DIRECTORY of an "Article" or "Review" (source in
                             Pascal, C and text, some with nested UNITS/ or SRC/LIB/UTIL/ folders,
                             SOURCE.ZIP deflated, STORED.ZIP stored), TIPTRIX/ and CLINIC/ where
                             the issue has tips or a clinic. The folder names on disk are upper
                             case; DIRECTORY "Streams" (article 16) differs in case on purpose.
  DISKS/Issue01/INTRO/NAMES.ZIP   a ZIP whose entry name holds the OEM byte 0x81
  DISKS/Issue02/TOOLS/HELLO.EXE   a tiny DOS program
  DISKS/Issue02/LEGACY/      copies of legacy-method archives (shrunk, reduced, imploded) from
                             --legacy-zips (default ../shared/fixtures/zip beside the project),
                             only when that folder exists; the front end links them only then
  BONUS/SETUP.EXE            the CD-ROM's BONUS folder, target of file:///XBONUS/SETUP.EXE
  Acrobat/rp500enu.exe       the reader installer on the CD-ROM

Article PDFs hold text: a heading with the issue and the titles, then three paragraphs per page
about a topic; every fifth article has two pages, every tenth three, and the words
"introduction" and "overview", "implementation" and "listing", "benchmark" and "conclusion"
occur on the first, second and third page only.

Above 5,000 articles the archive is written the quick way, for benchmarks: an article's folder
holds only its main source file (rarely a ZIP too), and after the first 3,000 PDF files every
further PDF is a hard link to a shared PDF of its issue (a copy where hard links fail).
Articles above number 40,000 that have the keyword "Sockets" also have "Winsock", last: at
100,000 articles a one-word search for it writes a results page of about 10 MB (the other
keywords give pages of about 17 MB); smaller archives are not changed by it.

Record counts at the default size (400 articles, seed 1995): article.dbf 400, author.dbf 51
(max(40, articles / 8) and one deleted duplicate), keyword.dbf 3,745, files.dbf 40
(articles / 10, at least 12, at most 999), words.dbf 12,249.

Issues run from 1 to 76, so issues 73..76 show "Article not available" with LastIssue 72.
Articles 1..22 are fixed, whatever the seed, and hold the cases the program's rules care about:
  1  Article, issue 1, INTRO (summary with a soft-return paragraph, OEM author name)
  2  Review, issue 3, blank DIRECTORY            3  Tip, issue 7 (T007.PDF, Issue07/TIPTRIX)
  4  Clinic, issue 45 (C045.PDF, Issue45/CLINIC)  5  Article, issue 73 (not available)
  6  Article, issue 12, blank DIRECTORY, no keywords, empty summary
  7  Article, issue 12, DIRECTORY NOSUCH (missing) 8  Article, AUTHOR_1 0 and AUTHOR_2 set
  9  Tip, issue 9, no author                     10 "Letters" (another type), issue 10
  11 Article by the author whose NAME fills 64 characters, TITLE of 64 characters
  12 Article with three authors whose PDF is missing   13 Article marked deleted
  14 Tip, issue 20 (T020.PDF missing)            15 Tip, issue 30 (Issue30/TIPTRIX missing)
  16 Review, DIRECTORY "Streams" in mixed case (folder STREAMS)
  17 Article, issue 74    18 Clinic, issue 76    19 Article with a summary of several blocks
  20 "News", issue 72     21 Article, issue 72   22 Review, issue 5, keywords in two cases
Article 57 (when there are that many) is always a "Review", so its PDF is 0057.PDF.
A few random records of every table are marked deleted ("*"); the same keyword occurs in
different capitalisation; names, titles, keywords and words hold OEM letters (0x81, 0x94, 0x9A,
0xE1, ...).

Deliberately missing (listed by the program's "*TEST*" report or its error boxes):
  PDF/0012.PDF              the PDF of article 12
  PDF/T020.PDF              the tips of issue 20 (issues.htm links to it)
  DISKS/Issue12/NOSUCH      the source folder of article 7
  DISKS/Issue30/TIPTRIX     the tips folder of issue 30
"""

import argparse
import functools
import io
import math
import os
import random
import struct
import sys
import time
import zipfile
from pathlib import Path

LAST_AVAILABLE_ISSUE = 72
HIGHEST_ISSUE = 76
DEFAULT_ARTICLES = 400
DEFAULT_SEED = 1995
MAX_DOCUMENTS = 999  # FILE_ID is three characters of decimal digits
# Large archives (for benchmarks) are written quickly: beyond BIG_ARCHIVE articles an article's
# folder holds only its main source file (and rarely a ZIP), and beyond DISTINCT_PDF_LIMIT
# files every further PDF is a hard link to a PDF of its issue.
BIG_ARCHIVE = 5000
DISTINCT_PDF_LIMIT = 3000

MISSING_PDFS = ("0012.PDF", "T020.PDF")
MISSING_SOURCE_DIRS = ("Issue12/NOSUCH", "Issue30/TIPTRIX")

CRLF = "\r\n"

MONTHS = ("January", "February", "March", "April", "May", "June", "July", "August",
          "September", "October", "November", "December")


def issue_name(n):
    if n <= 0:
        return ""
    fixed = {1: "April 1995", 2: "July 1995", 3: "September 1995", 4: "November 1995"}
    if n in fixed:
        return fixed[n]
    return "%s %d" % (MONTHS[(n - 5) % 12], 1996 + (n - 5) // 12)


def issue_dir(n):
    return ("Issue0%d" if n < 10 else "Issue%d") % n


def pdf_base_name(article_id, article_type, issue):
    if article_type in ("Article", "Review"):
        return "%04d" % article_id
    if article_type == "Tip":
        return "T%03d" % issue
    if article_type == "Clinic":
        return "C%03d" % issue
    return ""


@functools.lru_cache(maxsize=None)
def oem(text):
    return text.encode("cp437")


def ansi(text):
    return text.encode("cp1252")


# ---------------------------------------------------------------------------------------------
# dBASE III tables and memo file
#
# Format notes: a 32-byte prolog (version, date YY MM DD with YY = year - 1900, record count
# u32, header length u16, record length u16, 20 reserved bytes), one 32-byte descriptor per field
# (name NUL-padded to 11 bytes, type letter, 4 reserved bytes, width, decimals, 14 reserved
# bytes), the terminator 0x0D, the records (deletion flag " " or "*", then the fields as
# blank-padded text; numbers right-aligned) and the end-of-file mark 0x1A.
# ---------------------------------------------------------------------------------------------

TABLE_DATE = (103, 12, 1)  # 1 December 2003, fixed so that the output is deterministic

ARTICLE_FIELDS = (("ARTICLE_ID", "N", 11), ("ARTICLE_TY", "C", 8), ("DIRECTORY", "C", 8),
                  ("TITLE", "C", 64), ("AUTHOR_1", "N", 11), ("AUTHOR_2", "N", 11),
                  ("AUTHOR_3", "N", 11), ("ISSUE__", "N", 11), ("PAGE_NUMBE", "N", 11),
                  ("SUMMARY", "M", 10))
AUTHOR_FIELDS = (("AUTHOR_ID", "N", 11), ("NAME", "C", 64))
KEYWORD_FIELDS = (("ARTICLE_ID", "N", 11), ("KEYWORD", "C", 28))
FILES_FIELDS = (("FILE_ID", "C", 3), ("NAME", "C", 50), ("TITLE", "C", 50))
WORDS_FIELDS = (("FILE_ID", "C", 3), ("WORD", "C", 35))


def dbf_header(version, fields, record_count):
    record_length = 1 + sum(width for _, _, width in fields)
    header_length = 32 + 32 * len(fields) + 1
    prolog = struct.pack("<BBBBIHH20x", version, *TABLE_DATE, record_count, header_length,
                         record_length)
    descriptors = b"".join(struct.pack("<11sc4xBB14x", name.encode("ascii"),
                                       kind.encode("ascii"), width, 0)
                           for name, kind, width in fields)
    return prolog + descriptors + b"\x0d", record_length


def write_dbf(path, version, fields, records):
    """records: a list of complete records (deletion flag included), or (count, body bytes)."""
    if isinstance(records, tuple):
        count, body = records
    else:
        count, body = len(records), b"".join(records)
    header, record_length = dbf_header(version, fields, count)
    if len(body) != record_length * count:
        raise ValueError("%s: a record does not have %d bytes" % (path, record_length))
    with open(path, "wb") as f:
        f.write(header)
        f.write(body)
        f.write(b"\x1a")


MEMO_BLOCK = 512


class DbaseIIIMemo:
    """Memo texts in 512-byte blocks. Block 0 is the header: the next free block number (u32)
    at offset 0 and the version byte 0x03 at offset 16. Each text starts at a block boundary
    and ends with 0x1A 0x1A; the rest of its last block is zero."""

    def __init__(self):
        self.parts = [b""]  # placeholder for the header block
        self.next_block = 1

    def add(self, text):
        data = text + b"\x1a\x1a"
        blocks = (len(data) + MEMO_BLOCK - 1) // MEMO_BLOCK
        self.parts.append(data + b"\x00" * (blocks * MEMO_BLOCK - len(data)))
        block = self.next_block
        self.next_block += blocks
        return block

    def write(self, path):
        header = bytearray(MEMO_BLOCK)
        struct.pack_into("<I", header, 0, self.next_block)
        header[16] = 0x03
        self.parts[0] = bytes(header)
        with open(path, "wb") as f:
            f.write(b"".join(self.parts))


def c_field(text, width):
    if len(text) > width:
        raise ValueError("%r is longer than %d bytes" % (text, width))
    return text + b" " * (width - len(text))


# ---------------------------------------------------------------------------------------------
# Small files written by hand: PDF, JPEG, GIF, BMP, WAV, MIDI, DOS program
# ---------------------------------------------------------------------------------------------

def pdf_escape(text):
    return text.replace(b"\\", b"\\\\").replace(b"(", b"\\(").replace(b")", b"\\)")


def pdf_bytes(lines):
    """A one-page PDF 1.4 showing the given text lines (cp1252 bytes) in Helvetica."""
    return pdf_document([lines])


def pdf_document(pages):
    """A PDF 1.4 of one page per item of pages, each a list of text lines (cp1252 bytes) shown
    in 12-point Helvetica from the top of the page down."""
    count = len(pages)
    font = 3 + 2 * count  # object number of the font, after the catalog, the page tree and
    #                       a page and its content stream per page
    objects = [
        b"<< /Type /Catalog /Pages 2 0 R >>",
        b"<< /Type /Pages /Kids [%s] /Count %d >>" % (
            b" ".join(b"%d 0 R" % (3 + 2 * i) for i in range(count)), count),
    ]
    for i, lines in enumerate(pages):
        content = [b"BT /F1 12 Tf 72 750 Td 15 TL"]
        for line in lines:
            content.append(b"(" + pdf_escape(line) + b") '")
        content.append(b"ET")
        stream = b"\n".join(content)
        objects.append(b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents %d 0 R "
                       b"/Resources << /Font << /F1 %d 0 R >> >> >>" % (4 + 2 * i, font))
        objects.append(b"<< /Length %d >>\nstream\n" % len(stream) + stream + b"\nendstream")
    objects.append(
        b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>")
    out = bytearray(b"%PDF-1.4\n%\xe2\xe3\xcf\xd3\n")
    offsets = []
    for number, body in enumerate(objects, 1):
        offsets.append(len(out))
        out += b"%d 0 obj\n" % number + body + b"\nendobj\n"
    xref = len(out)
    out += b"xref\n0 %d\n0000000000 65535 f \n" % (len(objects) + 1)
    for offset in offsets:
        out += b"%010d 00000 n \n" % offset
    out += b"trailer\n<< /Size %d /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (
        len(objects) + 1, xref)
    return bytes(out)


# Standard luminance DC table of the JPEG standard (Annex K.3): code lengths 1..16, symbols.
JPEG_DC_BITS = (0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0)
JPEG_DC_VALUES = tuple(range(12))
# An AC table holding only the end-of-block symbol 0x00 as the one-bit code "0": every block of
# these images is flat, so all its AC coefficients are zero.
JPEG_AC_BITS = (1,) + (0,) * 15
JPEG_AC_VALUES = (0,)


def huffman_codes(bits, values):
    codes, code, k = {}, 0, 0
    for length in range(1, 17):
        for _ in range(bits[length - 1]):
            codes[values[k]] = (code, length)
            code += 1
            k += 1
        code <<= 1
    return codes


class BitWriter:
    def __init__(self):
        self.out = bytearray()
        self.accumulator = 0
        self.count = 0

    def put(self, value, length):
        for i in range(length - 1, -1, -1):
            self.accumulator = (self.accumulator << 1) | ((value >> i) & 1)
            self.count += 1
            if self.count == 8:
                self.out.append(self.accumulator)
                if self.accumulator == 0xFF:
                    self.out.append(0x00)  # byte stuffing inside entropy-coded data
                self.accumulator = 0
                self.count = 0

    def flush(self):
        if self.count:
            self.put((1 << (8 - self.count)) - 1, 8 - self.count)  # pad with one-bits
        return bytes(self.out)


def jpeg_bytes(block_colours):
    """A baseline JPEG (JFIF, YCbCr 4:4:4) whose 8x8 blocks are flat colours.

    block_colours[row][column] is an (R, G, B) triple; the image is 8 * columns by 8 * rows."""
    rows, columns = len(block_colours), len(block_colours[0])
    height, width = rows * 8, columns * 8
    quant = 8  # DC quantiser: the quantised DC coefficient of a flat block is value - 128

    def segment(marker, payload):
        return struct.pack(">BBH", 0xFF, marker, len(payload) + 2) + payload

    dc_codes = huffman_codes(JPEG_DC_BITS, JPEG_DC_VALUES)
    ac_codes = huffman_codes(JPEG_AC_BITS, JPEG_AC_VALUES)
    bits = BitWriter()
    predictors = [0, 0, 0]
    for row in block_colours:
        for r, g, b in row:
            ycc = (0.299 * r + 0.587 * g + 0.114 * b,
                   -0.168736 * r - 0.331264 * g + 0.5 * b + 128,
                   0.5 * r - 0.418688 * g - 0.081312 * b + 128)
            for component, value in enumerate(ycc):
                dc = int(round(max(0.0, min(255.0, value)))) - 128
                diff = dc - predictors[component]
                predictors[component] = dc
                category = abs(diff).bit_length()
                code, length = dc_codes[category]
                bits.put(code, length)
                if category:
                    bits.put(diff if diff > 0 else diff + (1 << category) - 1, category)
                code, length = ac_codes[0x00]
                bits.put(code, length)
    entropy = bits.flush()
    dqt = bytes([0x00, quant]) + bytes([16] * 63)
    sof = struct.pack(">BHHB", 8, height, width, 3) + bytes(
        [1, 0x11, 0, 2, 0x11, 0, 3, 0x11, 0])
    dht = (bytes([0x00]) + bytes(JPEG_DC_BITS) + bytes(JPEG_DC_VALUES) +
           bytes([0x10]) + bytes(JPEG_AC_BITS) + bytes(JPEG_AC_VALUES))
    sos = bytes([3, 1, 0x00, 2, 0x00, 3, 0x00, 0, 63, 0])
    return (b"\xff\xd8" + segment(0xE0, b"JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00") +
            segment(0xDB, dqt) + segment(0xC0, sof) + segment(0xC4, dht) +
            segment(0xDA, sos) + entropy + b"\xff\xd9")


def gif_bytes(width, height, palette, pixels):
    """A GIF89a with an 8-colour global table. The LZW stream sends a clear code before every
    six pixel codes, so the code width stays at four bits (a valid, uncompressed stream)."""
    palette = list(palette) + [(0, 0, 0)] * (8 - len(palette))
    min_code_size = 3
    clear, end = 1 << min_code_size, (1 << min_code_size) + 1
    codes = []
    for i, pixel in enumerate(pixels):
        if i % 6 == 0:
            codes.append(clear)
        codes.append(pixel)
    codes.append(end)
    packed = bytearray()
    accumulator = count = 0
    for code in codes:  # codes are packed least significant bit first
        accumulator |= code << count
        count += 4
        while count >= 8:
            packed.append(accumulator & 0xFF)
            accumulator >>= 8
            count -= 8
    if count:
        packed.append(accumulator & 0xFF)
    blocks = b"".join(bytes([len(packed[i:i + 255])]) + bytes(packed[i:i + 255])
                      for i in range(0, len(packed), 255))
    return (b"GIF89a" + struct.pack("<HHBBB", width, height, 0xA2, 0, 0) +
            b"".join(bytes(c) for c in palette) +
            b"\x2c" + struct.pack("<HHHHB", 0, 0, width, height, 0) +
            bytes([min_code_size]) + blocks + b"\x00" + b"\x3b")


def bmp_bytes(width, height, pixel):
    """A 24-bit uncompressed BMP; pixel(x, y) gives (R, G, B), y = 0 at the top."""
    stride = (width * 3 + 3) & ~3
    rows = []
    for y in range(height - 1, -1, -1):  # bottom-up
        row = bytearray()
        for x in range(width):
            r, g, b = pixel(x, y)
            row += bytes((b, g, r))
        row += b"\x00" * (stride - len(row))
        rows.append(bytes(row))
    image = b"".join(rows)
    return (b"BM" + struct.pack("<IHHI", 54 + len(image), 0, 0, 54) +
            struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(image), 2835, 2835,
                        0, 0) + image)


def wav_bytes():
    """Half a second of an 8-bit mono 8000 Hz chime, PCM."""
    rate = 8000
    samples = bytearray()
    for i in range(rate // 2):
        t = i / rate
        envelope = math.exp(-6 * t)
        value = envelope * (math.sin(2 * math.pi * 660 * t) + 0.5 * math.sin(2 * math.pi * 990 * t))
        samples.append(128 + int(round(80 * value)))
    fmt = struct.pack("<HHIIHH", 1, 1, rate, rate, 1, 8)
    data = bytes(samples)
    return (b"RIFF" + struct.pack("<I", 4 + 8 + len(fmt) + 8 + len(data)) + b"WAVE" +
            b"fmt " + struct.pack("<I", len(fmt)) + fmt + b"data" + struct.pack("<I", len(data)) +
            data)


def midi_bytes():
    events = bytearray(b"\x00\xc0\x00")  # program change: piano
    for note in (60, 64, 67, 72):
        events += bytes((0x00, 0x90, note, 0x60, 0x60, 0x80, note, 0x40))
    events += b"\x00\xff\x2f\x00"
    return (b"MThd" + struct.pack(">IHHH", 6, 0, 1, 96) +
            b"MTrk" + struct.pack(">I", len(events)) + bytes(events))


def dos_exe_bytes(message):
    """A DOS MZ program that prints the message (ending in '$') and exits."""
    code = (b"\x0e\x1f"            # push cs / pop ds
            b"\xba\x0e\x00"        # mov dx, offset message (14)
            b"\xb4\x09\xcd\x21"    # mov ah, 9 / int 21h
            b"\xb8\x00\x4c\xcd\x21")  # mov ax, 4C00h / int 21h
    image = code + message
    total = 32 + len(image)
    paragraphs = (len(image) + 15) // 16
    header = struct.pack("<2sHHHHHHHHHHHHH", b"MZ", total % 512, (total + 511) // 512, 0, 2,
                         16, 0xFFFF, paragraphs, 0x100, 0, 0, 0, 0x1C, 0)
    return header + b"\x00" * (32 - len(header)) + image


def zip_bytes(entries, method):
    """entries: (name, bytes or None for a folder). Fixed dates keep the output deterministic."""
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w") as archive:
        for name, data in entries:
            info = zipfile.ZipInfo(name, date_time=(1996, 3, 14, 10, 30, 0))
            info.create_system = 0
            if data is None:
                info.external_attr = 0x10
                archive.writestr(info, b"")
            else:
                info.compress_type = method
                info.external_attr = 0x20
                archive.writestr(info, data)
    return buffer.getvalue()


# ---------------------------------------------------------------------------------------------
# Texts of the catalogue
# ---------------------------------------------------------------------------------------------

FIRST_NAMES = ("Anna", "Bernd", "Carla", "David", "Erik", "Fiona", "Georg", "Hanna", "Ian",
               "J\u00fcrgen", "Karin", "Lars", "Maria", "Nils", "Olga", "Peter", "Rita", "Sven",
               "Tom", "Ute", "Victor", "Wendy", "Xaver", "Yvonne", "Zo\u00eb", "Bj\u00f6rn",
               "Ren\u00e9", "Fran\u00e7ois", "Jos\u00e9", "In\u00e9s", "Mark", "Julian", "Bob",
               "Danny", "Steve", "Brian", "Hallvard", "Alistair", "Guy")
LAST_NAMES = ("Smith", "M\u00fcller", "Jones", "Brown", "Svensson", "Novak", "Taylor",
              "K\u00f6nig", "Dubois", "Garc\u00eda", "Wilson", "Andersen", "Fischer",
              "Gonz\u00e1lez", "Nu\u00f1ez", "Bauer", "Clark", "Walker", "Lindstr\u00f6m", "Evans",
              "Wei\u00df", "Hughes", "Moreau", "Young", "\u00d6zdemir", "Baker", "Hall", "Wright",
              "Green", "Adams", "Schr\u00f6der", "Ellis", "Price", "Reed", "Cole", "Byrne")
TOPICS = ("Streams", "Objects", "Memory", "Heaps", "Sorting", "Parsing", "Graphics", "Printing",
          "dBASE Files", "Sockets", "Sound", "Mouse", "Threads", "Files", "Serial Ports",
          "Dialogs", "Reports", "Charts", "Trees", "Lists", "Hash Tables", "Encryption",
          "Compression", "PCX Images", "GIF Images", "VESA Modes", "TSRs", "Assembler",
          "BGI", "OWL", "VCL Components", "DLLs", "DDE", "OLE", "MIDI", "Modems", "Fonts",
          "Games", "Timers", "Interrupts", "Overlays", "Protected Mode", "Windows Messages",
          "Unit Testing", "Debugging", "Optimisation", "Recursion", "Strings", "Dates",
          "\u00dcbersetzer", "Gr\u00f6\u00dfe and Layout", "Caf\u00e9 Queues")
VERBS = ("Understanding", "Mastering", "Writing", "Inside", "Optimising", "Debugging",
         "Building", "A Guide to", "Exploring", "Taming", "Fast", "Practical", "Designing")
LANGUAGES = ("Turbo Pascal", "Borland C++", "Delphi", "Visual Basic", "Assembler", "C",
             "Delphi 2", "Turbo Vision", "Windows", "DOS")
KEYWORDS = ("Delphi", "Turbo Pascal", "Borland C++", "Objects", "Streams", "Memory", "Heap",
            "Sorting", "Parsing", "Graphics", "Printing", "dBASE", "Sockets", "Sound", "Mouse",
            "Threads", "Files", "Serial", "Dialogs", "Reports", "Charts", "Trees", "Lists",
            "Hashing", "Encryption", "Compression", "PCX", "GIF", "VESA", "TSR", "Assembler",
            "BGI", "OWL", "VCL", "DLL", "DDE", "OLE", "MIDI", "Modem", "Fonts", "Games",
            "Timers", "Interrupts", "Overlays", "Protected Mode", "Windows API", "Messages",
            "Debugging", "Optimisation", "Recursion", "Strings", "Dates", "Components",
            "Database", "Pointers", "Records", "Arrays", "Units", "Linker", "Compiler",
            "Installation", "Help Files", "Resources", "Bitmaps", "Palettes", "Clipboard",
            "Drag and Drop", "Multimedia", "Networks", "Internet", "Year 2000", "Y2K",
            "\u00dcbersetzer", "Gr\u00f6\u00dfe", "Men\u00fc", "Caf\u00e9", "Se\u00f1or")
SENTENCES = (
    "This article shows how to use {t} in {l}.",
    "The companion disk holds the complete source code.",
    "Includes a reusable unit and a small demonstration program.",
    "We compare three approaches to {t} and measure their speed.",
    "A step-by-step walk through {t} for {l} programmers.",
    "Readers' questions about {t} answered.",
    "Covers the pitfalls of {t} under {l}.",
    "The techniques work with {l} and later versions.",
)
WORD_STEMS = ("MEMORY", "HEAP", "STREAM", "OBJECT", "POINTER", "RECORD", "ARRAY", "STRING",
              "INTEGER", "PROCEDURE", "FUNCTION", "UNIT", "PROGRAM", "COMPILER", "LINKER",
              "DEBUGGER", "INTERRUPT", "REGISTER", "SEGMENT", "OFFSET", "BUFFER", "CURSOR",
              "WINDOW", "DIALOG", "BUTTON", "MENU", "BITMAP", "PALETTE", "FONT", "PRINTER",
              "DATABASE", "INDEX", "TABLE", "FIELD", "QUERY", "REPORT", "SORT", "SEARCH",
              "TREE", "LIST", "QUEUE", "STACK", "HASH", "SOCKET", "MODEM", "SERIAL", "SOUND",
              "MIDI", "TIMER", "THREAD", "DELPHI", "PASCAL", "BORLAND", "WINDOWS", "DOS",
              "ASSEMBLER", "OVERLAY", "COMPONENT", "PROPERTY", "METHOD", "EVENT", "MESSAGE",
              "CLIPBOARD", "RESOURCE", "INSTALL", "SETUP", "ARCHIVE", "EXTRACT", "COMPRESS",
              "ENCRYPT", "GRAPHICS", "PIXEL", "VESA", "MOUSE", "KEYBOARD", "JOYSTICK", "GAME",
              "\u00dcBERSETZER", "GR\u00d6SSE", "MEN\u00dc", "CAF\u00c9")
SYLLABLES = ("ba", "ce", "di", "fo", "gu", "ha", "ke", "li", "mo", "nu", "pa", "re", "si",
             "to", "vu", "wa", "xe", "yo", "za", "tri", "spa", "blo", "kra", "ste", "qui")


def wrap_words(text, width):
    lines, line = [], ""
    for word in text.split():
        if line and len(line) + 1 + len(word) > width:
            lines.append(line)
            line = word
        else:
            line = (line + " " + word) if line else word
    if line:
        lines.append(line)
    return lines


def summary_bytes(lines, soft_paragraph=None):
    """Memo text: lines joined by CR LF; a soft paragraph is one line wrapped with 0x8D 0x0A."""
    parts = [oem(line) for line in lines]
    if soft_paragraph is not None:
        parts.insert(min(1, len(parts)), b"\x8d\x0a".join(oem(piece)
                                                          for piece in soft_paragraph))
    return b"\r\n".join(parts)


class Article:
    __slots__ = ("id", "type", "directory", "title", "authors", "issue", "page", "summary",
                 "keywords", "deleted", "disk_dir")

    def __init__(self, article_id, article_type, issue, directory, title, authors, summary,
                 keywords, deleted=False, disk_dir=None, page=1):
        self.id = article_id
        self.type = article_type
        self.issue = issue
        self.directory = directory          # DIRECTORY as stored
        self.disk_dir = disk_dir if disk_dir is not None else directory  # folder on disk
        self.title = title
        self.authors = authors
        self.summary = summary              # memo bytes, or None for no memo
        self.keywords = keywords            # keyword texts (str)
        self.deleted = deleted
        self.page = page


LONG_NAME = ("Maximilian Alexander Konstantin Bartholomew von Hohenzollern-Sigmaringen")[:64]
LONG_TITLE = ("Writing Components That Survive Every Version of Delphi And Beyond")[:64]
LONG_KEYWORD = "Component Writing Techniques"  # exactly 28 characters

FIXED_AUTHORS = ("J\u00fcrgen M\u00fcller", "Bj\u00f6rn Lindstr\u00f6m", "Ann Lee",
                 "Jos\u00e9 Garc\u00eda", "Peter Walker", "Rita Hughes", "Sven Andersen",
                 "Carla Dubois", "Tom Evans", LONG_NAME, "Karin Wei\u00df", "Lars Novak",
                 "Olga Price", "Ian Reed")


FIXED_ARTICLES = 22  # articles 1..22 are the fixed cases below
WINSOCK_FROM = 40000  # later articles with "Sockets" get "Winsock" too (a 10 MB page)


def fixed_articles():
    soft = ["This paragraph was typed in the memo editor,", "which wrapped it with soft",
            "returns, so it reads as one line."]
    long_lines = ["Part %d of a long summary: %s" % (k, " ".join(
        "segment%02d" % j for j in range(k, k + 14))) for k in range(1, 13)]
    a = Article
    return [
        a(1, "Article", 1, "INTRO", "Streams and Objects in Turbo Pascal", (1, 0, 0),
          summary_bytes(["An introduction to streams, with a demonstration program.",
                         "Written by J\u00fcrgen M\u00fcller."], soft),
          ["Delphi", "Streams", "Objects", "Turbo Pascal", "\u00dcbersetzer"]),
        a(2, "Review", 3, "", "Review: Delphi f\u00fcr Entwickler", (2, 0, 0),
          summary_bytes(["A look at the best book on Delphi so far."]),
          ["DELPHI", "Books", "Review"]),
        a(3, "Tip", 7, "", "Quick Sort Tip", (3, 0, 0),
          summary_bytes(["A faster exchange for the quick sort."]), ["delphi", "Sorting"]),
        a(4, "Clinic", 45, "", "The Programming Clinic", (4, 0, 0),
          summary_bytes(["Readers' questions answered.", "", "More next month."]),
          ["Clinic", "Gr\u00f6\u00dfe", "Memory"]),
        a(5, "Article", 73, "BEYOND", "Beyond the Last Issue on the Disc", (5, 0, 0),
          summary_bytes(["This issue is newer than the archive's PDF files."]),
          ["Streams", "Files"]),
        a(6, "Article", 12, "", "An Article Without Source Code", (6, 0, 0), None, []),
        a(7, "Article", 12, "NOSUCH", "Source Code That Went Missing", (7, 0, 0),
          summary_bytes(["Its companion-disk folder is not on the disc."]), ["Files"]),
        a(8, "Article", 14, "SORTING", "Sorting With a Second Author Only", (0, 8, 0),
          summary_bytes(["AUTHOR_1 is empty; the second author wrote it."]),
          ["Sorting", "Recursion"]),
        a(9, "Tip", 9, "", "Anonymous Heap Tip", (0, 0, 0),
          summary_bytes(["Nobody signed this tip."]), ["Heap", "Memory"]),
        a(10, "Letters", 10, "", "Letters to the Editor", (9, 0, 0),
          summary_bytes(["What our readers wrote."]), ["Letters"]),
        a(11, "Article", 15, "LONGNAME", LONG_TITLE, (10, 0, 0),
          summary_bytes(["A title of 64 characters by an author whose name fills 64."]),
          [LONG_KEYWORD, "Components", "VCL"]),
        a(12, "Article", 16, "HEAPMGR", "A Heap Manager by Three Authors", (11, 12, 13),
          summary_bytes(["Three authors, and the PDF file is missing from the disc."]),
          ["Heap", "Memory", "Pointers"]),
        a(13, "Article", 17, "OLDSTUFF", "A Withdrawn Article", (14, 0, 0),
          summary_bytes(["This record is marked deleted."]), ["Objects"], deleted=True),
        a(14, "Tip", 20, "", "Tips Whose PDF Is Missing", (3, 0, 0),
          summary_bytes(["T020.PDF is not on the disc."]), ["Tips"]),
        a(15, "Tip", 30, "", "Tips Whose Folder Is Missing", (3, 0, 0),
          summary_bytes(["The TIPTRIX folder of issue 30 is not on the disc."]), ["Tips"]),
        a(16, "Review", 44, "Streams", "Review: Stream Libraries", (2, 6, 0),
          summary_bytes(["DIRECTORY is written in mixed case; the folder is STREAMS."]),
          ["streams", "Review"], disk_dir="STREAMS"),
        a(17, "Article", 74, "", "Not Yet Available", (5, 0, 0),
          summary_bytes(["Issue 74 is beyond the last issue on the disc."]), ["Delphi"]),
        a(18, "Clinic", 76, "", "The Programming Clinic", (4, 0, 0),
          summary_bytes(["The clinic of the newest issue."]), ["Clinic"]),
        a(19, "Article", 40, "LONGSUM", "A Summary of Several Memo Blocks", (1, 11, 0),
          summary_bytes(long_lines), ["Memory", "Strings"]),
        a(20, "News", 72, "", "News From the Industry", (12, 0, 0),
          summary_bytes(["Another article type: no PDF name of its own."]), ["News"]),
        a(21, "Article", 72, "LASTONE", "The Last Issue on the Disc", (13, 0, 0),
          summary_bytes(["Issue 72 is the last one with PDF files."]), ["Delphi", "VCL"]),
        a(22, "Review", 5, "", "Review: Turbo Pascal 7", (6, 7, 0),
          summary_bytes(["A review, so its PDF is named after its number."]),
          ["Turbo Pascal", "TURBO PASCAL", "Review"]),
    ]


@functools.lru_cache(maxsize=None)
def sentence(index, topic, language):
    return oem(SENTENCES[index].format(t=topic, l=language))


def wrap_bytes(text, width):
    return [oem(line) for line in wrap_words(text.decode("cp437"), width)]


def make_catalogue(rng, article_count):
    draw = rng.random

    def below(n):  # 0 <= result < n; quicker than randrange for millions of draws
        return int(draw() * n)

    articles = fixed_articles()
    fixed_count = len(articles)
    assert fixed_count == FIXED_ARTICLES
    article_count = max(article_count, fixed_count)
    author_count = max(40, article_count // 8)

    authors = [(i + 1, name) for i, name in enumerate(FIXED_AUTHORS)]
    seen_names = set(FIXED_AUTHORS)
    while len(authors) < author_count:
        name = "%s %s" % (rng.choice(FIRST_NAMES), rng.choice(LAST_NAMES))
        if name in seen_names:
            name = "%s %s. %s" % (rng.choice(FIRST_NAMES), chr(65 + rng.randrange(26)),
                                  rng.choice(LAST_NAMES))
        if name in seen_names:
            continue
        seen_names.add(name)
        authors.append((len(authors) + 1, name))
    deleted_authors = {len(authors) + 1}
    authors.append((len(authors) + 1, "Ann Lee"))  # a withdrawn duplicate, marked deleted

    used_dirs = {}  # issue -> set of folder names (upper case)
    for article in articles:
        if article.directory:
            used_dirs.setdefault(article.issue, set()).add(article.disk_dir.upper())

    random_count = article_count - fixed_count
    type_choices = ("Article",) * 55 + ("Review",) * 12 + ("Tip",) * 18 + ("Clinic",) * 8 + \
                   ("Letters",) * 4 + ("News",) * 3
    for j in range(random_count):
        article_id = fixed_count + 1 + j
        if draw() < 0.03:
            issue = 1 + below(HIGHEST_ISSUE)
        else:
            issue = 1 + (j * HIGHEST_ISSUE) // random_count
        article_type = type_choices[below(len(type_choices))]
        if article_id == 57:
            article_type = "Review"
        topic = TOPICS[below(len(TOPICS))]
        language = LANGUAGES[below(len(LANGUAGES))]
        if article_type == "Tip":
            title = "Tip: %s in %s" % (topic, language)
        elif article_type == "Clinic":
            title = "Clinic: %s" % topic
        elif article_type == "Review":
            title = "Review: %s for %s" % (topic, language)
        elif article_type in ("Letters", "News"):
            title = "%s, %s" % (article_type, issue_name(issue))
        else:
            title = "%s %s in %s" % (VERBS[below(len(VERBS))], topic, language)
        directory = ""
        if article_type in ("Article", "Review") and draw() < 0.55:
            stem = "".join(ch for ch in topic.upper() if "A" <= ch <= "Z")[:6] or "SOURCE"
            taken = used_dirs.setdefault(issue, set())
            directory, k = stem, 2
            while directory in taken or directory == "NOSUCH":
                suffix = str(k)
                directory = stem[:8 - len(suffix)] + suffix
                k += 1
            taken.add(directory)
        roll = draw()
        first = 1 + below(author_count)
        if article_type in ("Letters", "News") or roll < 0.03:
            author_ids = (0, 0, 0)
        elif roll < 0.06:
            author_ids = (0, first, 0)
        elif roll < 0.25:
            author_ids = (first, 1 + below(author_count), 0)
        elif roll < 0.30:
            author_ids = (first, 1 + below(author_count), 1 + below(author_count))
        else:
            author_ids = (first, 0, 0)
        if draw() < 0.05:
            summary = None
        else:
            lines = [sentence(below(len(SENTENCES)), topic, language)
                     for _ in range(1 + below(4))]
            if draw() < 0.2:
                soft = b" ".join(sentence(below(len(SENTENCES)), topic, language)
                                 for _ in range(3))
                lines.insert(1, b"\x8d\x0a".join(wrap_bytes(soft, 50)))
            summary = b"\r\n".join(lines)
        keyword_count = 0 if draw() < 0.02 else 5 + below(11)
        keywords = []
        for _ in range(keyword_count):
            keyword, roll = KEYWORDS[below(len(KEYWORDS))], draw()
            keywords.append(keyword.upper() if roll < 0.08 else
                            keyword.lower() if roll < 0.13 else keyword)
        if article_id > WINSOCK_FROM and any(k.upper() == "SOCKETS" for k in keywords):
            keywords.append("Winsock")
        articles.append(Article(article_id, article_type, issue, directory, title[:64],
                                author_ids, summary, keywords,
                                deleted=draw() < 0.004, page=2 + below(95)))
    return articles, authors, deleted_authors


@functools.lru_cache(maxsize=None)
def oem_field(text, width):
    return c_field(oem(text), width)


def article_records(articles, memo):
    records = []
    fmt = b"%c%11d%s%s%s%11d%11d%11d%11d%11d%10s"
    for a in articles:
        memo_field = b"%10d" % memo.add(a.summary) if a.summary is not None else b""
        records.append(fmt % (42 if a.deleted else 32, a.id, oem_field(a.type, 8),
                              oem_field(a.directory, 8), oem_field(a.title, 64), a.authors[0],
                              a.authors[1], a.authors[2], a.issue, a.page, memo_field))
    return records


def keyword_records(rng, articles):
    """Grouped by article, except the keywords of some articles, entered later and appended
    at the end."""
    records, late = [], []
    for a in articles:
        if a.keywords:
            prefix = b" %11d" % a.id
            target = late if a.id > FIXED_ARTICLES and rng.random() < 0.01 else records
            target.extend(prefix + oem_field(keyword, 28) for keyword in a.keywords)
    records.extend(late)
    for i in range(50, len(records), 997):  # a few withdrawn keyword records
        records[i] = b"*" + records[i][1:]
    return records


# ---------------------------------------------------------------------------------------------
# Bonus documents and their words
# ---------------------------------------------------------------------------------------------

COMPANION_DOCUMENTS = 3  # FILE_ID 1..3 are the README.HTM pages of the first three disks


def document_name(file_id):
    if file_id <= COMPANION_DOCUMENTS:
        return "DISKS/%s/README.HTM" % issue_dir(file_id)
    return "EXTRAS/X%03d.HTM" % file_id


def make_vocabulary(rng, size):
    words = list(WORD_STEMS)
    words.append("SUPERCALIFRAGILISTICEXPIALIDOCIOUSX")  # exactly 35 characters
    seen = set(words)
    while len(words) < size:
        word = "".join(rng.choice(SYLLABLES) for _ in range(rng.randint(2, 4))).upper()
        if word not in seen:
            seen.add(word)
            words.append(word)
    return words


def make_documents(rng, article_count):
    """Returns (documents, vocabulary): documents are (file_id, name, title, word indexes)."""
    count = max(12, min(MAX_DOCUMENTS, article_count // 10))
    per_document = max(20, (30 * article_count) // count)
    vocabulary = make_vocabulary(rng, max(600, 2 * per_document))
    stem_count = len(WORD_STEMS)
    memory, stream, heap = (WORD_STEMS.index(w) for w in ("MEMORY", "STREAM", "HEAP"))
    # Each document takes a run of a shuffled vocabulary from a random start, so runs overlap
    # and most words occur in several documents.
    shuffled = list(range(len(vocabulary)))
    rng.shuffle(shuffled)
    shuffled += shuffled
    documents = []
    for file_id in range(1, count + 1):
        start = int(rng.random() * len(vocabulary))
        ordered = shuffled[start:start + min(per_document, len(vocabulary))]
        extra = rng.sample(range(stem_count), 12)  # common words, found in many documents
        if file_id % 3 == 1:
            extra.append(memory)
        if file_id % 2 == 1:
            extra.append(stream)
        if file_id <= 2:
            extra.append(heap)
        if file_id == 4:
            extra.append(len(WORD_STEMS))  # the 35-character word
        chosen = set(ordered)
        for index in extra:
            if index not in chosen:
                chosen.add(index)
                ordered.insert(int(rng.random() * (len(ordered) + 1)), index)
        if file_id > 2 and heap in chosen:
            ordered.remove(heap)  # HEAP occurs in exactly two documents
        if file_id <= COMPANION_DOCUMENTS:
            title = "Companion disk of issue %d: read me" % file_id
        else:
            title = "Bonus file %d: %s" % (file_id, rng.choice(TOPICS))
        documents.append((file_id, document_name(file_id), title[:50], ordered))
    return documents, vocabulary


def files_records(documents):
    return [b" %s%s%s" % (c_field(b"%d" % fid, 3), c_field(oem(name), 50),
                          c_field(oem(title), 50)) for fid, name, title, _ in documents]


def words_records(documents, vocabulary):
    """Grouped by document; returns (record count, body) for write_dbf."""
    padded = [c_field(oem(word), 35) for word in vocabulary]
    chunks = []
    for fid, _, _, indexes in documents:
        prefix = b" " + c_field(b"%d" % fid, 3)
        chunks.append(prefix + prefix.join(map(padded.__getitem__, indexes)))
    body = bytearray(b"".join(chunks))
    count = len(body) // (1 + 3 + 35)
    for i in range(11, count, 1511):  # a few withdrawn word records
        body[i * (1 + 3 + 35)] = ord("*")
    return count, bytes(body)


# ---------------------------------------------------------------------------------------------
# HTML front end, written in the markup of the period: upper-case tags, unquoted attributes,
# colours without "#", FONT and P left open. Pages are cp1252 text with CR LF line ends.
# ---------------------------------------------------------------------------------------------

def write_text(path, text, encoding="cp1252"):
    path.parent.mkdir(parents=True, exist_ok=True)
    path.write_bytes(text.replace("\n", CRLF).encode(encoding))


def html_page(title, body, background="FFFFFF", extra=""):
    return ("<HTML>\n<HEAD>\n<TITLE>%s</TITLE>\n</HEAD>\n"
            "<BODY BGCOLOR=%s TEXT=000000 LINK=0000FF VLINK=800080%s>\n%s\n</BODY>\n</HTML>\n"
            % (title, background, extra, body))


def index_page():
    return ("<HTML>\n<HEAD>\n<TITLE>Ostravel: the Vantorel Magazine Archive</TITLE>\n</HEAD>\n"
            "<FRAMESET COLS=210,* FRAMEBORDER=1>\n"
            "<FRAME SRC=contents.htm NAME=CONTENTS SCROLLING=AUTO MARGINWIDTH=4>\n"
            "<FRAME SRC=start.htm NAME=MAIN SCROLLING=AUTO>\n"
            "<NOFRAMES>\n<BODY>\n<P>This archive needs a browser that shows frames. Start with "
            "<A HREF=start.htm>the welcome page</A>.\n</BODY>\n</NOFRAMES>\n"
            "</FRAMESET>\n</HTML>\n")


def contents_page(legacy_names):
    legacy = "".join("<A HREF=DISKS/Issue02/LEGACY/%s>%s</A><BR>\n" % (name, name)
                     for name in legacy_names)
    body = (
        "<FONT FACE=Arial SIZE=2>\n"
        "<P ALIGN=CENTER><A HREF=start.htm TARGET=MAIN><IMG SRC=LOGO.JPG WIDTH=64 HEIGHT=32 "
        "BORDER=0 ALT=Ostravel></A>\n"
        "<P><FONT COLOR=RED><B>Search</B></FONT><BR>\n"
        "<A HREF=ARTSRCH.HTM>Search the articles</A><BR>\n"
        "<A HREF=BONSRCH.HTM>Search bonus files</A><BR>\n"
        "<A HREF=\"file:///pdf/freetextsearch.pdf\">Free-text search</A>\n"
        "<P><FONT COLOR=RED><B>Browse</B></FONT><BR>\n"
        "<A HREF=start.htm TARGET=MAIN>Welcome</A><BR>\n"
        "<A HREF=issues.htm TARGET=MAIN>All issues</A><BR>\n"
        "<A HREF=issues.htm#I45 TARGET=MAIN>Issue 45</A><BR>\n"
        "<A HREF=EXTRAS/INDEX.HTM TARGET=MAIN>Bonus files</A><BR>\n"
        "<A HREF=\"diry:///disks/Issue01\">Companion disk 1</A><BR>\n"
        "<A HREF=help.htm TARGET=MAIN>Help</A>\n"
        "<P><FONT COLOR=RED><B>Legacy archives</B></FONT><BR>\n" + legacy +
        "<P><FONT COLOR=RED><B>On the web</B></FONT><BR>\n"
        "<A HREF=\"HTTP://www.example.com/vantorel/\">Vantorel on the web</A>\n")
    return html_page("Contents", body, background="FFFFCC")


def start_page():
    body = (
        "<A NAME=Top></A>\n"
        "<CENTER><IMG SRC=LOGO.JPG WIDTH=64 HEIGHT=32 ALT=\"Ostravel logo\"></CENTER>\n"
        "<FONT FACE=Arial COLOR=000080 SIZE=+3><P ALIGN=CENTER><B>Welcome to Ostravel</B>\n"
        "<FONT FACE=\"Times New Roman\" COLOR=BLACK SIZE=3>\n"
        "<P>The complete archive of the Vantorel programming magazine: every article, every "
        "companion disk, and the bonus files. J\u00fcrgen M\u00fcller's first article is the "
        "place to start.\n"
        "<P><IMG SRC=SPINE.BMP ALIGN=LEFT WIDTH=16 HEIGHT=48 HSPACE=6>"
        "<A NAME=Links></A><B>Things to try</B>\n"
        "<UL>\n"
        "<LI><A HREF=artsrch.htm>Search the articles</A> (Ctrl+S), or "
        "<A HREF=BONSRCH.HTM>search the bonus files</A> (Ctrl+O)\n"
        "<LI><A HREF=\"file:///pdf/0001.PDF\">Read the first article</A>\n"
        "<LI><A HREF=\"diry:///disks/Issue01\">Browse the first companion disk</A> or "
        "<A HREF=\"diry:///disks/issue12\">the disk of issue 12</A>\n"
        "<LI><A HREF=\"VIEW:///DISKS/Issue01/INTRO/INTRO.PAS|Stream\">View INTRO.PAS and find "
        "Stream</A>\n"
        "<LI><A HREF=\"SRCH:///EXTRAS/X004.HTM|MEMORY\">A bonus page, searched for MEMORY</A>\n"
        "<LI><A HREF=DISKS/Issue01/INTRO/SOURCE.ZIP>Unzip the first disk's source</A> or the "
        "<A HREF=DUMMY.ZIP>sample archive</A>\n"
        "<LI><A HREF=README.TXT>Read me</A> (a text file)\n"
        "<LI><A HREF=WELCOME.WAV>Play the welcome chime</A> or "
        "<A HREF=THEME.MID>the theme tune</A>\n"
        "<LI><A HREF=\"file:///XBONUS/SETUP.EXE\">Install the bonus programs</A> from the "
        "CD-ROM\n"
        "<LI><A HREF=\"DISKS/Issue02/TOOLS/HELLO.EXE /Q\">Run HELLO.EXE with a parameter</A>\n"
        "<LI><A HREF=\"file:///GALLERY.HTM\">The cover gallery</A> (opens in your web browser)\n"
        "<LI><A HREF=help.htm#ArtSrch>How to search</A>, "
        "<A HREF=issues.htm#I73>issues beyond the disc</A>\n"
        "<LI><A HREF=\"HTTP://www.example.com/\">The magazine's website</A>\n"
        "</UL>\n"
        "<P><A HREF=#Top>Back to top</A>\n")
    return html_page("Welcome to Ostravel", body)


def issues_page(articles):
    tips = {a.issue for a in articles if a.type == "Tip"}
    clinics = {a.issue for a in articles if a.type == "Clinic"}
    rows = []
    for n in range(1, HIGHEST_ISSUE + 1):
        cells = ["<TR><TD><A NAME=I%d></A>%d<TD>%s" % (n, n, issue_name(n)),
                 "<TD><A HREF=\"diry:///disks/%s\">Disk</A>" % issue_dir(n)]
        if n > LAST_AVAILABLE_ISSUE:
            cells.append("<TD COLSPAN=2><I>Not on this disc</I>")
        else:
            cells.append("<TD>" + ("<A HREF=\"file:///pdf/T%03d.PDF\">Tips</A>" % n
                                   if n in tips else "&nbsp;"))
            cells.append("<TD>" + ("<A HREF=\"file:///pdf/C%03d.PDF\">Clinic</A>" % n
                                   if n in clinics else "&nbsp;"))
        rows.append("".join(cells))
    body = ("<FONT FACE=Arial SIZE=+2 COLOR=RED><P><B>All issues</B>\n<FONT SIZE=2 COLOR=BLACK>\n"
            "<TABLE BORDER CELLPADDING=2 WIDTH=100%>\n"
            "<TR><TH>Issue<TH>Date<TH>Disk<TH>Tips<TH>Clinic\n" + "\n".join(rows) +
            "\n</TABLE>\n<P><A HREF=start.htm>Back to the welcome page</A>\n")
    return html_page("All issues", body)


def help_page():
    sections = (
        ("Options", "Options",
         "The Options dialog sets the folders of the PDF files and the companion disks, the "
         "last issue whose PDF files you have, the PDF reader, your web browser and the zip "
         "program."),
        ("Selfil", "The file browser",
         "Select one or more files and press View, Run, UnZip or Copy. ZIP archives are "
         "listed and extracted by the program itself."),
        ("HTMLSrch", "Searching the bonus files",
         "Type one or more words. Match any word lists every file that holds one of them; "
         "Match all words only the files that hold all of them."),
        ("ArtSrch", "Searching the articles",
         "Type words of the keywords you look for, and pick an author or an issue if you "
         "like. The special keyword *!* lists every article."),
        ("FreeText", "Searching the full text",
         "Press Ctrl+T (Full-text search in the Edit menu), the Free Text Search button of "
         "the article search or the contents' Free-text search, and type words, a \"phrase\" "
         "in double quotes, sort* for the words that begin so, OR, NOT or NEAR(word word). "
         "Every article, companion-disk file (inside the ZIP archives too) and bonus page is "
         "searched; the first search offers to build the full-text index, which goes on "
         "while you read (Esc stops it). A found article opens at its page. "
         "<A HREF=\"file:///pdf/freetextsearch.pdf#page=1\">The free-text search guide</A> "
         "(PDF) tells more."),
    )
    parts = ["<A NAME=Top></A><FONT FACE=Arial SIZE=+2 COLOR=000080><P><B>Help using "
             "Ostravel</B>\n<FONT SIZE=3 COLOR=BLACK FACE=\"Times New Roman\">\n<UL>"]
    parts += ["<LI><A HREF=#%s>%s</A>" % (anchor, heading) for anchor, heading, _ in sections]
    parts.append("</UL>")
    for anchor, heading, text in sections:
        parts.append("<HR>\n<A NAME=%s></A><H3>%s</H3>\n<P>%s\n<P><A HREF=#Top>Back to "
                     "top</A>" % (anchor, heading, text))
    return html_page("Help using Ostravel", "\n".join(parts))


def gallery_page():
    body = ("<FONT FACE=Arial><P ALIGN=CENTER><B>The cover gallery</B>\n"
            "<P ALIGN=CENTER><IMG SRC=BANNER.GIF WIDTH=48 HEIGHT=16> "
            "<IMG SRC=LOGO.JPG WIDTH=64 HEIGHT=32> <IMG SRC=SPINE.BMP WIDTH=16 HEIGHT=48>\n"
            "<P>These pictures are GIF, JPEG and BMP files.\n")
    return html_page("Cover gallery", body, background="FFFFF0")


def search_stub_page(what):
    return html_page(what, "<FONT FACE=Arial><P><A NAME=Top></A>%s opens from the Search menu "
                     "of the program.\n<P><A HREF=start.htm>Back</A>\n" % what)


def document_page(title, words, depth):
    """words: the document's words as they appear in the page."""
    up = "../" * depth
    text = []
    for i in range(0, len(words), 12):
        text.append("<P>" + " ".join(words[i:i + 12]))
    body = ("<A NAME=Top></A><FONT FACE=Arial SIZE=+1 COLOR=RED><P><B>%s</B>\n"
            "<FONT SIZE=3 COLOR=BLACK>\n<P><IMG SRC=%sBANNER.GIF WIDTH=48 HEIGHT=16>\n%s\n"
            "<P><A HREF=%sEXTRAS/INDEX.HTM>All bonus files</A> | "
            "<A HREF=%sindex.htm TARGET=_top>Start page</A>\n"
            % (title, up, "\n".join(text), up, up))
    return html_page(title, body)


def extras_index_page(documents):
    items = "\n".join("<LI><A HREF=../%s>%s</A>" % (name, title)
                      for _, name, title, _ in documents)
    return html_page("Bonus files", "<FONT FACE=Arial><P><B>Bonus files</B>\n<UL>\n%s\n</UL>\n"
                     "<P><A HREF=../start.htm>Welcome page</A>\n" % items)


# ---------------------------------------------------------------------------------------------
# Companion disks and PDFs
# ---------------------------------------------------------------------------------------------

def pascal_source(name, article, words):
    return ("{ %s.PAS - companion disk of issue %d }\n"
            "{ Article %d: %s }\n"
            "program %s;\n\nuses Objects;\n\n"
            "{ This program uses a TStream to copy a file. Words: %s }\n\n"
            "var\n  Source, Target: TBufStream;\n\n"
            "begin\n  Source.Init('INPUT.DAT', stOpenRead, 1024);\n"
            "  Target.Init('OUTPUT.DAT', stCreate, 1024);\n"
            "  Target.CopyFrom(Source, Source.GetSize);\n"
            "  Target.Done;\n  Source.Done;\n  WriteLn('Done.');\nend.\n"
            % (name, article.issue, article.id, article.title, name.capitalize(),
               ", ".join(words)))


def c_source(name, article, words):
    return ("/* %s.C - companion disk of issue %d */\n"
            "/* Article %d: %s */\n#include <stdio.h>\n\n"
            "/* Words: %s */\n"
            "int main(void)\n{\n    puts(\"%s\");\n    return 0;\n}\n"
            % (name, article.issue, article.id, article.title, ", ".join(words), name))


def put(path, data):
    """Writes a file into an existing folder (plain os calls: large archives write many)."""
    fd = os.open(path, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644)
    try:
        view = memoryview(data)
        while view:
            view = view[os.write(fd, view):]
    finally:
        os.close(fd)


def make_dir(path):
    try:
        os.mkdir(path)
    except FileExistsError:
        pass


def write_bytes(path, data):
    path = Path(path)
    path.parent.mkdir(parents=True, exist_ok=True)
    put(str(path), data)


def text_bytes(text):
    return text.replace("\n", CRLF).encode("cp1252")


def write_article_folder(rng, disks, article, big):
    folder = os.path.join(disks, issue_dir(article.issue), article.disk_dir)
    make_dir(folder)
    name = article.disk_dir.upper()
    words = rng.sample(WORD_STEMS[:60], 3)
    if article.id == 1 or rng.random() < 0.6:
        main = ("%s.PAS" % name, text_bytes(pascal_source(name, article, words)))
    else:
        main = ("%s.C" % name, text_bytes(c_source(name, article, words)))
    put(os.path.join(folder, main[0]), main[1])
    if big and article.id != 1:
        if rng.random() < 0.02:
            put(os.path.join(folder, "SOURCE.ZIP"), zip_bytes([main], zipfile.ZIP_DEFLATED))
        return
    readme = text_bytes("%s\nIssue %d, %s\n\nSource code of the article \"%s\".\n"
                        % (name, article.issue, issue_name(article.issue), article.title))
    put(os.path.join(folder, "README.TXT"), readme)
    files = [main, ("README.TXT", readme)]
    roll = rng.random()
    if article.id == 1 or roll < 0.15:
        unit = text_bytes("unit Util;\n{ Helpers for %s }\ninterface\nimplementation\nend.\n"
                          % name)
        write_bytes(os.path.join(folder, "UNITS", "UTIL.PAS"), unit)
        if article.id == 1 or roll < 0.03:
            write_bytes(os.path.join(folder, "SRC", "LIB", "UTIL", "STRINGS.PAS"), unit)
    if article.id == 1 or rng.random() < 0.3:
        entries = files + [("DOCS/", None), ("DOCS/NOTES.TXT", readme)]
        put(os.path.join(folder, "SOURCE.ZIP"), zip_bytes(entries, zipfile.ZIP_DEFLATED))
    if article.id == 1 or rng.random() < 0.1:
        put(os.path.join(folder, "STORED.ZIP"), zip_bytes(files, zipfile.ZIP_STORED))


def names_zip():
    """An archive whose entry name holds the OEM byte 0x81: zipfile writes only ASCII or UTF-8
    names, so the name is written with a placeholder of the same length and patched."""
    data = zip_bytes([("MxLLER.TXT", text_bytes("Hallo from J\u00fcrgen.\n")),
                      ("PLAIN.TXT", text_bytes("Plain ASCII name.\n"))], zipfile.ZIP_DEFLATED)
    patched = data.replace(b"MxLLER.TXT", b"M\x81LLER.TXT")
    if patched.count(b"M\x81LLER.TXT") != 2:
        raise RuntimeError("could not patch the OEM name")
    return patched


LEGACY_ARCHIVES = (("pkzip", "IMPLODE.ZIP"), ("corpus", "L003.ZIP"), ("corpus", "L005.ZIP"),
                   ("corpus", "L008.ZIP"))


def write_disks(rng, out, articles, legacy_dir):
    disks = os.path.join(out, "DISKS")
    make_dir(disks)
    big = len(articles) > BIG_ARCHIVE
    missing = {tuple(p.split("/")) for p in MISSING_SOURCE_DIRS}
    by_issue = {}
    for a in articles:
        by_issue.setdefault(a.issue, []).append(a)
    for n in range(1, HIGHEST_ISSUE + 1):
        issue_folder = os.path.join(disks, issue_dir(n))
        make_dir(issue_folder)
        issue_articles = by_issue.get(n, [])
        folders = []
        for a in issue_articles:
            if a.type in ("Article", "Review") and a.directory:
                folders.append(a.disk_dir.upper())
                if (issue_dir(n), a.disk_dir) not in missing:
                    write_article_folder(rng, disks, a, big)
        tips = [a for a in issue_articles if a.type == "Tip"]
        if tips and (issue_dir(n), "TIPTRIX") not in missing:
            folder = os.path.join(issue_folder, "TIPTRIX")
            make_dir(folder)
            put(os.path.join(folder, "TIPS.TXT"), text_bytes(
                "Tips and tricks of issue %d\n\n" % n +
                "".join("%d. %s\n" % (a.id, a.title) for a in tips[:200])))
            for k, a in enumerate(tips[:10], 1):
                put(os.path.join(folder, "TIP%02d.PAS" % k), text_bytes(
                    "{ Tip %d of issue %d: %s }\nprogram Tip%d;\nbegin\n  WriteLn('Heap: ', "
                    "MemAvail);\nend.\n" % (k, n, a.title, k)))
        if any(a.type == "Clinic" for a in issue_articles):
            folder = os.path.join(issue_folder, "CLINIC")
            make_dir(folder)
            put(os.path.join(folder, "CLINIC.TXT"), text_bytes(
                "The Programming Clinic, issue %d\n\nQ: How do I free memory on the heap?\n"
                "A: Call Dispose for every New.\n" % n))
            put(os.path.join(folder, "ANSWER.C"), text_bytes(
                "/* Clinic answer, issue %d */\n#include <stdlib.h>\n"
                "int main(void) { free(malloc(16)); return 0; }\n" % n))
        put(os.path.join(issue_folder, "README.TXT"), text_bytes(
            "Companion disk of issue %d, %s\n\n" % (n, issue_name(n)) +
            "".join("%s\\\n" % f for f in sorted(set(folders)))))
    put(os.path.join(disks, "Issue01", "INTRO", "NAMES.ZIP"), names_zip())
    write_bytes(os.path.join(disks, "Issue02", "TOOLS", "HELLO.EXE"),
                dos_exe_bytes(b"Hello from the Vantorel companion disk.\r\n$"))
    put(os.path.join(disks, "Issue02", "TOOLS", "HELLO.TXT"),
        text_bytes("HELLO.EXE prints a greeting. It takes no parameters.\n"))
    legacy_names = []
    if legacy_dir is not None and Path(legacy_dir).is_dir():
        for sub, name in LEGACY_ARCHIVES:
            source = Path(legacy_dir) / sub / name
            if source.is_file():
                target = os.path.join(disks, "Issue02", "LEGACY", name)
                write_bytes(target, source.read_bytes())
                legacy_names.append(name)
    return legacy_names


def link_or_copy(existing, path, data):
    try:
        os.link(existing, path)
    except FileExistsError:
        os.unlink(path)
        link_or_copy(existing, path, data)
    except OSError:  # a file system without hard links
        put(path, data)


# Words that occur on one page of an article only: PAGE_WORDS[n] on page n + 1 (and the
# first page's words in the heading's paragraph).
PAGE_WORDS = (("introduction", "overview"), ("implementation", "listing"),
              ("benchmark", "conclusion"))
PDF_LINE_WIDTH = 80
PDF_PAGE_LINES = 44


def article_pages(article_titles, issue, seed):
    """The text pages of an article PDF: a heading with the issue and the titles, then a few
    paragraphs of sentences about the first title's topic; one to three pages by seed."""
    rng = random.Random(seed)
    page_count = 1 + (seed % 5 == 0) + (seed % 10 == 0)
    heading = [ansi("Vantorel, issue %d, %s" % (issue, issue_name(issue))), b""]
    heading += [ansi(t) for t in article_titles[:20]]
    stems = [w.lower() for w in WORD_STEMS[:60]]
    pages = []
    for n in range(page_count):
        lines = list(heading) if n == 0 else [ansi("Page %d" % (n + 1))]
        for _ in range(3):
            topic, language = rng.sample(stems, 2)
            words = rng.sample(stems, 6) + list(PAGE_WORDS[n])
            text = " ".join(SENTENCES[rng.randrange(len(SENTENCES))].format(t=topic, l=language)
                            for _ in range(3))
            text += " It explains the %s, %s and %s of the %s %s, with notes on %s." % tuple(
                words[:6])
            text += " See the %s and the %s." % tuple(words[6:])
            lines.append(b"")
            lines += [ansi(line) for line in wrap_words(text, PDF_LINE_WIDTH)]
        pages.append(lines[:PDF_PAGE_LINES])
    return pages


def write_pdfs(out, articles):
    folder = os.path.join(out, "PDF")
    make_dir(folder)
    titles = {}
    for a in articles:
        if a.issue <= LAST_AVAILABLE_ISSUE:
            base = pdf_base_name(a.id, a.type, a.issue)
            if base:
                titles.setdefault(base, (a.issue, a.id, []))[2].append(a.title)
    distinct = 0
    shared = {}  # issue -> (path, bytes) of the PDF that later PDFs of the issue link to
    for base, (issue, first_id, article_titles) in titles.items():
        name = base + ".PDF"
        if name in MISSING_PDFS:
            continue
        path = os.path.join(folder, name)
        if distinct < DISTINCT_PDF_LIMIT:
            put(path, pdf_document(article_pages(article_titles, issue, first_id)))
            distinct += 1
        elif issue in shared:
            link_or_copy(shared[issue][0], path, shared[issue][1])
        else:
            data = pdf_document(article_pages(["An article of this issue."], issue, issue))
            put(path, data)
            shared[issue] = (path, data)
    put(os.path.join(folder, "freetextsearch.pdf"), pdf_bytes(
        [b"Free-text search", b"", b"Search the full text of every article with the "
         b"reader's search command."]))


# ---------------------------------------------------------------------------------------------
# The whole archive
# ---------------------------------------------------------------------------------------------

def default_legacy_dir():
    return Path(__file__).resolve().parent.parent.parent / "shared" / "fixtures" / "zip"


def generate(out, article_count=DEFAULT_ARTICLES, seed=DEFAULT_SEED, legacy_dir=None):
    out = Path(out)
    out.mkdir(parents=True, exist_ok=True)
    rng = random.Random(seed)

    articles, authors, deleted_authors = make_catalogue(rng, article_count)
    memo = DbaseIIIMemo()
    write_dbf(out / "article.dbf", 0x83, ARTICLE_FIELDS, article_records(articles, memo))
    memo.write(out / "article.dbt")
    write_dbf(out / "author.dbf", 0x03, AUTHOR_FIELDS,
              [b"%c%11d%s" % (42 if author_id in deleted_authors else 32, author_id,
                              c_field(oem(name), 64)) for author_id, name in authors])
    write_dbf(out / "keyword.dbf", 0x03, KEYWORD_FIELDS, keyword_records(rng, articles))
    documents, vocabulary = make_documents(rng, len(articles))
    write_dbf(out / "files.dbf", 0x03, FILES_FIELDS, files_records(documents))
    write_dbf(out / "words.dbf", 0x03, WORDS_FIELDS, words_records(documents, vocabulary))

    write_pdfs(out, articles)
    legacy_names = write_disks(rng, out, articles, legacy_dir)

    shown = [w.lower() if w.isascii() else w for w in vocabulary]
    for file_id, name, title, indexes in documents:
        write_text(out / name, document_page(title, list(map(shown.__getitem__, indexes)),
                                             name.count("/")))
    write_text(out / "EXTRAS" / "INDEX.HTM", extras_index_page(documents))

    write_bytes(out / "LOGO.JPG", jpeg_bytes(
        [[(0, 0, 128), (200, 30, 30), (255, 255, 255), (200, 30, 30), (0, 0, 128),
          (0, 128, 0), (255, 200, 0), (0, 0, 128)],
         [(255, 200, 0), (0, 0, 128), (200, 30, 30), (255, 255, 255), (0, 128, 0),
          (0, 0, 128), (200, 30, 30), (255, 255, 255)],
         [(0, 0, 128)] * 8,
         [(30, 30, 30), (60, 60, 60), (90, 90, 90), (120, 120, 120), (150, 150, 150),
          (180, 180, 180), (210, 210, 210), (240, 240, 240)]]))
    palette = ((255, 255, 255), (0, 0, 128), (200, 30, 30), (255, 200, 0), (0, 128, 0))
    write_bytes(out / "BANNER.GIF", gif_bytes(
        48, 16, palette, [1 + ((x // 8 + y // 4) % 4) for y in range(16) for x in range(48)]))
    write_bytes(out / "SPINE.BMP", bmp_bytes(
        16, 48, lambda x, y: (200, 30, 30) if (y // 6) % 2 else (0, 0, 128 + 4 * x)))
    write_bytes(out / "WELCOME.WAV", wav_bytes())
    write_bytes(out / "THEME.MID", midi_bytes())
    write_bytes(out / "README.TXT", text_bytes(
        "Ostravel: the Vantorel magazine archive\n\nStart the Vantorel Article Browser and "
        "choose Search Articles (Ctrl+S).\nThe PDF files are in PDF\\, the companion disks in "
        "DISKS\\.\n"))
    write_bytes(out / "DUMMY.PDF", pdf_bytes([b"Sample PDF file"]))
    write_text(out / "DUMMY.HTM", html_page("Sample page", "<P>Sample HTML file.\n"))
    write_bytes(out / "DUMMY.ZIP", zip_bytes([("DUMMY.TXT", b"Sample file.\r\n")],
                                             zipfile.ZIP_DEFLATED))
    write_bytes(out / "BONUS" / "SETUP.EXE",
                dos_exe_bytes(b"Vantorel bonus files setup.\r\n$"))
    write_bytes(out / "Acrobat" / "rp500enu.exe",
                dos_exe_bytes(b"Reader installer placeholder.\r\n$"))

    write_text(out / "contents.htm", contents_page(legacy_names))
    write_text(out / "start.htm", start_page())
    write_text(out / "issues.htm", issues_page(articles))
    write_text(out / "help.htm", help_page())
    write_text(out / "GALLERY.HTM", gallery_page())
    write_text(out / "ARTSRCH.HTM", search_stub_page("The article search"))
    write_text(out / "BONSRCH.HTM", search_stub_page("The bonus search"))
    write_text(out / "index.htm", index_page())
    return len(articles)


def main(argv=None):
    parser = argparse.ArgumentParser(description="Write the demo magazine archive.")
    parser.add_argument("outdir", help="folder to write the archive into (created if missing)")
    parser.add_argument("--articles", type=int, default=DEFAULT_ARTICLES,
                        help="number of articles (default %(default)s; at least 22)")
    parser.add_argument("--seed", type=int, default=DEFAULT_SEED,
                        help="random seed (default %(default)s)")
    parser.add_argument("--legacy-zips", type=Path, default=default_legacy_dir(),
                        help="folder with pkzip/ and corpus/ legacy archives to copy "
                             "(default: %(default)s; skipped when absent)")
    args = parser.parse_args(argv)
    if args.articles < 1:
        parser.error("--articles must be positive")
    started = time.monotonic()
    count = generate(args.outdir, args.articles, args.seed, args.legacy_zips)
    print("Wrote a demo archive of %d articles to %s in %.1f s"
          % (count, args.outdir, time.monotonic() - started))
    return 0


if __name__ == "__main__":
    sys.exit(main())
