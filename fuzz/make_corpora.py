#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets, one folder per target.

Usage: make_corpora.py SOURCE_ROOT FIXTURES_DIR DBF_TOOL OUT_DIR

Seeds come from the shared fixture archives, a demo archive made by tools/make_demo_archive.py,
and small files written here. Every seed is kept small so the fuzzers start fast.
"""
import lzma
import os
import random
import shutil
import struct
import subprocess
import sys
import tempfile
import zipfile
import zlib
from pathlib import Path

MAX_SEED = 64 * 1024


def write(out: Path, target: str, name: str, data: bytes) -> None:
    if len(data) > MAX_SEED:
        return
    folder = out / target
    folder.mkdir(parents=True, exist_ok=True)
    (folder / name).write_bytes(data)


def two_files(first: bytes, second: bytes) -> bytes:
    return struct.pack("<I", len(first)) + first + second


def zip_files(fixtures: Path, demo: Path):
    yield from sorted(fixtures.glob("zip/*/*.ZIP"))
    yield from sorted(demo.rglob("*.ZIP"))


def raw_entries(path: Path):
    """(method, flags, uncompressed size, compressed bytes) of every entry."""
    data = path.read_bytes()
    try:
        archive = zipfile.ZipFile(path)
    except zipfile.BadZipFile:
        return
    for info in archive.infolist():
        offset = info.header_offset
        if data[offset:offset + 4] != b"PK\x03\x04":
            continue
        name_length, extra_length = struct.unpack("<HH", data[offset + 26:offset + 30])
        start = offset + 30 + name_length + extra_length
        yield info.compress_type, info.flag_bits, info.file_size, data[start:start + info.compress_size]


def extra_field_archive() -> bytes:
    """A stored entry whose central record takes every value from extra fields: ZIP64 sizes
    and offset, an extended timestamp, and a Unicode path matching the stored name's CRC-32,
    closed by a ZIP64 end record and locator."""
    name, data = "caf\u00e9.txt", b"data" * 4
    stored_name = name.encode("cp437")
    crc = zlib.crc32(data)
    local = struct.pack("<IHHHIIIIHH", 0x04034B50, 45, 0, 0, 0x52640000, crc, 0xFFFFFFFF,
                        0xFFFFFFFF, len(stored_name), 20) + stored_name
    local += struct.pack("<HHQQ", 1, 16, len(data), len(data)) + data
    extra = struct.pack("<HHQQQ", 1, 24, len(data), len(data), 0)
    extra += struct.pack("<HHBi", 0x5455, 5, 1, 1600000000)
    unicode_name = name.encode()
    extra += struct.pack("<HHBI", 0x7075, 5 + len(unicode_name), 1, zlib.crc32(stored_name)) + unicode_name
    central = struct.pack("<IHHHHIIIIHHHHHII", 0x02014B50, 45, 45, 0, 0, 0x52640000, crc,
                          0xFFFFFFFF, 0xFFFFFFFF, len(stored_name), len(extra), 0, 0, 0, 0x20,
                          0xFFFFFFFF) + stored_name + extra
    end64_at = len(local) + len(central)
    end64 = struct.pack("<IQHHIIQQQQ", 0x06064B50, 44, 45, 45, 0, 0, 1, 1, len(central), len(local))
    locator = struct.pack("<IIQI", 0x07064B50, 0, end64_at, 1)
    end = struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, 0xFFFF, 0xFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0)
    return local + central + end64 + locator + end


DECODER_TARGETS = {0: "fuzz_stored", 1: "fuzz_unshrink", 2: "fuzz_unreduce", 3: "fuzz_unreduce",
                   4: "fuzz_unreduce", 5: "fuzz_unreduce", 6: "fuzz_explode", 8: "fuzz_inflate",
                   9: "fuzz_inflate64", 12: "fuzz_bunzip2", 14: "fuzz_unlzma", 93: "fuzz_unzstd",
                   95: "fuzz_unxz"}
FUZZ_PASSWORD = "password"  # fuzz_input.h's kFuzzPassword


def method_sample() -> dict:
    """Small files that make the methods use their codes: text, a far repeat, random bytes."""
    rng = random.Random(5)
    words = [bytes(rng.choice(b"abcdefghijklmnop") for _ in range(rng.randint(2, 8))) for _ in range(300)]
    text = b" ".join(rng.choice(words) for _ in range(2500))
    block = rng.randbytes(2000)
    # The block comes again after 35,000 bytes of text: a distance only Deflate64 reaches.
    return {"text.txt": text, "far.bin": block + (text * 3)[:35000] + block + bytes(3000),
            "random.bin": rng.randbytes(1500), "empty.txt": b""}


def method_archives(scratch: Path):
    """Archives of the further methods and encryptions, made by the tools that are installed."""
    source = scratch / "methods"
    source.mkdir()
    for name, content in method_sample().items():
        (source / name).write_bytes(content)
    names = sorted(method_sample())
    for label, method in (("lzma", zipfile.ZIP_LZMA), ("bzip2", zipfile.ZIP_BZIP2)):
        made = scratch / f"py-{label}.zip"
        with zipfile.ZipFile(made, "w", method) as archive:
            for name in names:
                archive.write(source / name, name)
        yield made
    seven = shutil.which("7z") or shutil.which("7zz") or shutil.which("7za")
    commands = []
    if seven:
        for switches in (["-mm=Deflate64"], ["-mm=BZip2"], ["-mm=LZMA"], ["-mem=ZipCrypto"],
                         ["-mem=AES256"], ["-mem=AES128", "-mm=BZip2"], ["-mem=AES192", "-mx=0"]):
            label = "".join(c for c in "-".join(switches) if c.isalnum())
            password = [f"-p{FUZZ_PASSWORD}"] if switches[0].startswith("-mem") else []
            commands.append((f"7z-{label}.zip", [seven, "a", "-tzip", *password, *switches]))
    if shutil.which("zip"):
        commands.append(("zip-P.zip", ["zip", "-q", "-P", FUZZ_PASSWORD]))
        commands.append(("zip-bzip2.zip", ["zip", "-q", "-Z", "bzip2"]))
    for name, command in commands:
        made = scratch / name
        subprocess.run(command + [str(made), *names], cwd=source, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        yield made


def decrypt_seeds(out: Path, path: Path) -> None:
    """decrypt_fuzzer.cpp's inputs from every encrypted entry of an archive."""
    data = path.read_bytes()
    for info in zipfile.ZipFile(path).infolist():
        if not info.flag_bits & 1 or info.file_size >= 1 << 20:
            continue
        offset = info.header_offset
        time, = struct.unpack("<H", data[offset + 10:offset + 12])
        name_length, extra_length = struct.unpack("<HH", data[offset + 26:offset + 30])
        extra = data[offset + 30 + name_length:offset + 30 + name_length + extra_length]
        start = offset + 30 + name_length + extra_length
        raw = data[start:start + info.compress_size]
        variant = info.flag_bits & 0x08
        inner = info.compress_type
        at = extra.find(b"\x01\x99\x07\x00")
        if info.compress_type == 99 and at >= 0:
            version, _, strength, inner = struct.unpack("<H2sBH", extra[at + 4:at + 11])
            variant |= 1 | (strength - 1) << 1 | (0x10 if version == 1 else 0)
        if inner not in (0, 8) or len(raw) > 16 * 1024:
            continue
        variant |= 0x20 if inner == 8 else 0
        seed = bytes([variant]) + struct.pack("<HI", time, info.CRC) + struct.pack("<I", info.file_size)[:3] + raw
        write(out, "fuzz_decrypt", f"{path.stem}-{info.filename}", seed)


def stream_seeds(out: Path) -> None:
    """XZ and Zstandard streams of the sample files, as the decoder targets take them."""
    for name, content in method_sample().items():
        size = struct.pack("<I", len(content))[:3]
        write(out, "fuzz_unxz", f"xz-{name}", b"\x00" + size + lzma.compress(content, format=lzma.FORMAT_XZ))
        if shutil.which("zstd"):
            frame = subprocess.run(["zstd", "-q", "-c", "-3"], input=content, check=True,
                                   stdout=subprocess.PIPE).stdout
            write(out, "fuzz_unzstd", f"zstd-{name}", b"\x00" + size + frame)


def archive_seeds(out: Path, fixtures: Path, demo: Path, scratch: Path) -> None:
    targets = DECODER_TARGETS
    seen = set()
    made = list(method_archives(scratch))
    for path in made:
        decrypt_seeds(out, path)
    stream_seeds(out)
    for number, path in enumerate([*zip_files(fixtures, demo), *made]):
        write(out, "fuzz_zip", f"{number:03d}-{path.name}", path.read_bytes())
        for method, flags, size, raw in raw_entries(path):
            if flags & 1:
                continue
            if method not in targets or size >= 1 << 20 or len(raw) > 16 * 1024:
                continue
            variant = method - 2 if 2 <= method <= 5 else flags & 0xFF
            key = (method, variant, len(raw) // 4096)
            if key in seen:
                continue
            seen.add(key)
            seed = bytes([variant]) + struct.pack("<I", size)[:3] + raw
            write(out, targets[method], f"m{method}-v{variant}-{len(raw)}", seed)
    # A few archives written here: empty, a comment only, a stored entry with a "../" name.
    write(out, "fuzz_zip", "empty", b"PK\x05\x06" + bytes(18))
    write(out, "fuzz_zip", "comment", b"PK\x05\x06" + bytes(16) + b"\x05\x00hello")
    with tempfile.TemporaryDirectory() as scratch:
        made = Path(scratch) / "x.zip"
        with zipfile.ZipFile(made, "w") as archive:
            archive.writestr("../UP.TXT", b"up")
            archive.writestr("SUB/DIR/", b"")
            archive.writestr("SUB\\BACK.TXT", b"back" * 10, zipfile.ZIP_DEFLATED)
        write(out, "fuzz_zip", "paths", made.read_bytes())
        # ZIP64 records (forced), UTF-8 names (flag bit 11), the Unicode path and extended
        # timestamp extra fields, and a stub in front of the archive.
        with zipfile.ZipFile(made, "w") as archive:
            archive.writestr("\u4e16\u754c/\u00fcber.txt", b"utf8" * 8)
            with archive.open("big.bin", "w", force_zip64=True) as member:
                member.write(b"z" * 100)
        zip64 = made.read_bytes()
        write(out, "fuzz_zip", "zip64-utf8", zip64)
        write(out, "fuzz_zip", "zip64-stub", b"MZ" + bytes(62) + zip64)
        write(out, "fuzz_zip", "extras", extra_field_archive())


def dbf_bytes(fields, records, version=0x03) -> bytes:
    record_length = 1 + sum(width for _, _, width, _ in fields)
    header_length = 32 + 32 * len(fields) + 1
    header = struct.pack("<BBBBIHH", version, 124, 3, 7, len(records), header_length, record_length)
    header += bytes(20)
    for name, kind, width, decimals in fields:
        header += name.encode().ljust(11, b"\0") + kind.encode() + bytes(4) + bytes([width, decimals]) + bytes(14)
    body = b"".join(record.encode("latin-1").ljust(record_length) for record in records)
    return header + b"\r" + body + b"\x1a"


def dbase3_memo(texts) -> bytes:
    blocks = [b""]
    for text in texts:
        blocks.append(text.encode("latin-1") + b"\x1a\x1a")
    data = struct.pack("<I", 1 + len(texts)).ljust(512, b"\0")
    for block in blocks[1:]:
        data += block.ljust(512, b"\0")
    return data


def dbase4_memo(texts) -> bytes:
    data = struct.pack("<I", 1 + len(texts)).ljust(20, b"\0") + struct.pack("<H", 64)
    data = data.ljust(64, b"\0")
    for text in texts:
        body = b"\xff\xff\x08\x00" + struct.pack("<I", 8 + len(text)) + text.encode("latin-1")
        data += body.ljust(64, b"\0")
    return data


SMALL_FIELDS = [("NAME", "C", 10, 0), ("NUM", "N", 5, 0), ("DAT", "D", 8, 0)]
SMALL_RECORDS = [" Zebra        12019950101", " apple      -3 20020704", "*Mango     99999        ",
                 " apple         7", " \x81ber       0 19991231"]


def table_seeds(out: Path, demo: Path, source_root: Path) -> None:
    for name in ("author.dbf", "files.dbf"):
        write(out, "fuzz_table", name, two_files((demo / name).read_bytes(), b""))
    article = (demo / "article.dbf").read_bytes()
    header_length, record_length = struct.unpack("<HH", article[8:12])
    cut = bytearray(article[:header_length + 3 * record_length]) + b"\x1a"
    cut[4:8] = struct.pack("<I", 3)
    write(out, "fuzz_table", "article-3", two_files(bytes(cut), (demo / "article.dbt").read_bytes()[:16 * 512]))
    memo_fields = [("TITLE", "C", 12, 0), ("PRICE", "N", 7, 2), ("ON", "L", 1, 0), ("NOTES", "M", 10, 0)]
    memo_records = [" First         1.50T         1", "*Second       -0.01F         2", " Third    "]
    write(out, "fuzz_table", "memo3", two_files(dbf_bytes(memo_fields, memo_records, 0x83),
                                                 dbase3_memo(["one line", "two\r\nlines"])))
    write(out, "fuzz_table", "memo4", two_files(dbf_bytes(memo_fields, memo_records, 0x8B),
                                                 dbase4_memo(["dBASE IV", "memo\r\ntext"])))
    write(out, "fuzz_table", "small", two_files(dbf_bytes(SMALL_FIELDS, SMALL_RECORDS), b""))
    for path in sorted((source_root / "tests/tables/fixtures").glob("*.dbf")):
        write(out, "fuzz_table", "test-" + path.name, two_files(path.read_bytes(), b""))


def index_seeds(out: Path, dbf_tool: Path) -> None:
    table = dbf_bytes(SMALL_FIELDS, SMALL_RECORDS)
    expressions = ["NAME", "UPPER(NAME)", "NUM", "DAT", "STR(NUM,5)+NAME", "DTOS(DAT)+NAME"]
    with tempfile.TemporaryDirectory() as scratch:
        (Path(scratch) / "T.DBF").write_bytes(table)
        for number, expression in enumerate(expressions):
            spec = f"I{number}" + (" UNIQUE" if number == 1 else "")
            result = subprocess.run([str(dbf_tool), "index", str(Path(scratch) / "T.DBF"), expression, spec],
                                    capture_output=True, text=True)
            made = Path(scratch) / f"I{number}.NDX"
            if result.returncode != 0 or not made.exists():
                sys.exit(f"index seed {expression}: {result.stdout}{result.stderr}")
            write(out, "fuzz_ndx", f"ndx-{number}", two_files(table, made.read_bytes()))


EXPRESSIONS = [
    "TITLE", "UPPER(TITLE)+STR(ISSUE,4)", "ISSUE*2+PRICE/3-RATE**2", "PUBDATE+30 > CTOD('01/01/95')",
    "DTOS(PUBDATE)+T->TITLE", "IIF(ONLINE, 'yes', 'no')", ".NOT. ONLINE .AND. ISSUE >= 10 .OR. DELETED()",
    "SUBSTR(TITLE, 3, 5) $ 'Borland'", "LEFT(TITLE,4)=RIGHT(TITLE,4)", "STUFF(TITLE,2,3,'xyz')",
    "REPLICATE('ab', 200)", "SOUNDEX(TITLE)", "VAL(TITLE)+LEN(LTRIM(RTRIM(TITLE)))", "MOD(ISSUE, 0)",
    "ROUND(PRICE, 1)", "MAX(PUBDATE, DATE())", "CDOW(PUBDATE)+CMONTH(PUBDATE)", "CHR(65)+SPACE(3)",
    "AT('a', LOWER(TITLE))", "ABS(-ISSUE)+INT(RATE)+DAY(PUBDATE)+MONTH(PUBDATE)+YEAR(PUBDATE)",
    "DTOC(PUBDATE)", "RECNO()", "NOTES", "T.ISSUE # 5", "TRIM(TITLE) == 'x'", "-2^2", "((((1))))",
    "ASC(TITLE)+DOW(PUBDATE)+MIN(1,2)", "STR(RATE,10,3)\0 Borland",
]


def expression_seeds(out: Path) -> None:
    for number, text in enumerate(EXPRESSIONS):
        write(out, "fuzz_expression", f"expr-{number:02d}", text.encode("latin-1"))


def page_seeds(out: Path, demo: Path) -> None:
    for path in sorted(demo.glob("*.htm")) + sorted(demo.glob("*.HTM")) + [demo / "DISKS/Issue01/README.HTM"]:
        write(out, "fuzz_page", path.name, path.read_bytes())
    write(out, "fuzz_page", "mixed", b"<BODY BGCOLOR=#102030 TEXT=red BACKGROUND=bg.gif><H1>T</H1><FONT SIZE=+9 "
                                     b"COLOR=zz FACE=Courier>x<HR WIDTH=50% SIZE=3 NOSHADE><A NAME=\x81z>a</A>"
                                     b"<TABLE BORDER=2><TR><TD COLSPAN=999>c<IMG SRC=a.bmp WIDTH=9 ALIGN=left>"
                                     b"<UL><LI>i<OL TYPE=A START=-5><LI>j</OL></UL><PRE>\tp</PRE>&amp;&#150;&#x263a;")
    write(out, "fuzz_page", "frames", b"<FRAMESET ROWS=\"10%,2*,*,100\" COLS=*><FRAME SRC=a NAME=b SCROLLING=no "
                                      b"FRAMEBORDER=0><FRAMESET COLS=1,2><FRAME></FRAMESET></FRAMESET>")


def fulltext_seeds(out: Path, fixtures: Path, demo: Path) -> None:
    for path in [demo / "DISKS/Issue01/README.HTM", demo / "README.TXT", demo / "DUMMY.ZIP",
                 demo / "DISKS/Issue01/INTRO/SOURCE.ZIP", fixtures / "zip/corpus/L005.ZIP"]:
        if path.is_file():
            write(out, "fuzz_fulltext", path.name, path.read_bytes())
    write(out, "fuzz_fulltext", "pages", "memory manager\fmemory\f\fmanager memory m\u00fcller "
          "<B>caf&eacute;</B> &#x263a; &#99999999; <!-- x --><SCRIPT>y</SCRIPT>".encode())


def image_seeds(out: Path, demo: Path) -> None:
    for name in ("BANNER.GIF", "LOGO.JPG", "SPINE.BMP"):
        write(out, "fuzz_image", name, (demo / name).read_bytes())


def ini_seeds(out: Path) -> None:
    write(out, "fuzz_ini", "settings", b"[KVXBrowse]\r\nAcrobat=/usr/bin/evince\r\nBrowser=\"firefox\"\r\n"
                                       b"PdfFiles=/cd/PDF/\r\nSourceFiles=/cd/DISKS\r\nCDPath=/media/cdrom\r\n"
                                       b"LastIssue=0x48\r\nResults= 30 \r\nUseExternalZip=1\r\nZipUtil='unzip'\r\n")
    write(out, "fuzz_ini", "placement", b"[KVXBrowse]\nFormVersion=0\nFlags=0\nShowCmd=3\nMinMaxPos=-1,-1,-8,-8\n"
                                        b"NormPos=100,100,900,700\nNormPos(1280x1024)=-5000,20,-4000,600\n"
                                        b"MinMaxPos(1280x1024)=1,2,3,4\nPixelsPerInch=96\nVisible=1\n")
    write(out, "fuzz_ini", "absurd", b"[kvxbrowse]\nResults=99999999999\nLastIssue=-2147483649\n"
                                     b"NormPos=2147483647,-2147483648,0,0\n[other]\n;comment\n=novalue\nkey\n")


LINKS = [
    "ARTSRCH.HTM", "bonsrch.htm", "issues.htm#i07", "file:///pdf/T001.PDF", "diry:///disks/Issue01",
    "VIEW:///DISKS/Issue20/GIFIMA/GIFIMA.C|palette", "SRCH:///ISSUES.HTM|Borland", "HTTP://www.example.com/",
    "C:\\KV\\SETUP.EXE /S c:\\tmp", "XBONUS/TOOLS/RUN.EXE?x", "../DISKS/Issue01/SOURCE.ZIP", "sound.wav",
    "file://notes.txt", "music.mid", "page.htm\0file:///C|/KV/DOCS/", "mailto:someone@example.com",
    "%2e%2e/%41.htm\0DosPath",
]


def link_seeds(out: Path) -> None:
    for number, link in enumerate(LINKS):
        write(out, "fuzz_link", f"link-{number:02d}", link.encode("latin-1"))


def main() -> None:
    source_root, fixtures, dbf_tool, out = (Path(argument) for argument in sys.argv[1:5])
    with tempfile.TemporaryDirectory() as scratch:
        demo = Path(scratch) / "demo"
        subprocess.run([sys.executable, str(source_root / "tools/make_demo_archive.py"), str(demo)],
                       check=True, stdout=subprocess.DEVNULL)
        archive_seeds(out, fixtures, demo, Path(scratch))
        table_seeds(out, demo, source_root)
        page_seeds(out, demo)
        fulltext_seeds(out, fixtures, demo)
        image_seeds(out, demo)
    index_seeds(out, dbf_tool)
    expression_seeds(out)
    ini_seeds(out)
    link_seeds(out)


if __name__ == "__main__":
    main()
