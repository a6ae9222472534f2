#!/usr/bin/env python3
"""Writes the archives the extraction comparison runs on, into OUTDIR:

  mixed.zip    about 200 MB deflated: text files (word salad, compresses about 3:1), binary
               files (random bytes, stored as deflate that does not shrink them) and semi-binary
               files (runs and tables), 4 KB to 4 MB each, in nested folders.
  many.zip     60,000 small deflated entries, for listing.
  source.zip   15,000 small deflated files (100 bytes to 16 KB, mostly 1-4 KB) in about 900
               folders three to five levels deep, with folder entries, as a source archive
               of a large project has them: the many-small-files extraction case.

Then compare, for example:
  /usr/bin/time -v vantorel-unzip -o -d OUT1 OUTDIR/mixed.zip
  /usr/bin/time -v unzip -o -qq OUTDIR/mixed.zip -d OUT2
"""
import os
import random
import sys
import zipfile

WORDS = ("the of and to in is was for that with as on by at from this be are which or it an "
         "procedure function begin end var const record pointer integer string array while "
         "repeat until case else then unit interface implementation uses program object "
         "archive browser index table memo field expression keyword author issue article "
         "magazine compiler linker debugger window message handle resource").split()


def text_bytes(rng, size):
    parts, length = [], 0
    while length < size:
        line = " ".join(rng.choices(WORDS, k=rng.randint(4, 14))) + "\r\n"
        parts.append(line)
        length += len(line)
    return "".join(parts).encode()[:size]


def semi_binary_bytes(rng, size):
    out = bytearray()
    while len(out) < size:
        if rng.random() < 0.5:
            out += bytes([rng.randrange(256)]) * rng.randint(1, 64)
        else:
            base = rng.randrange(0, 1 << 16)
            for i in range(rng.randint(8, 128)):
                out += ((base + i * 3) & 0xFFFF).to_bytes(2, "little") + b"\0\0"
    return bytes(out[:size])


def make_mixed(path, target_bytes=200 * 1024 * 1024, seed=1):
    rng = random.Random(seed)
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED, compresslevel=6) as zf:
        n = 0
        while zf.fp.tell() < target_bytes:
            kind = rng.choice(("text", "text", "binary", "semi"))
            size = int(4096 * (1024 ** rng.random()))  # 4 KB .. 4 MB, log-uniform
            if kind == "text":
                data, ext = text_bytes(rng, size), "TXT"
            elif kind == "binary":
                data, ext = rng.randbytes(size), "BIN"
            else:
                data, ext = semi_binary_bytes(rng, size), "DAT"
            folder = f"DISK{n % 7:02d}/SUB{n % 3}/"
            zf.writestr(folder + f"F{n:05d}.{ext}", data)
            n += 1
    return n


def make_many(path, count=60000, seed=2):
    rng = random.Random(seed)
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as zf:
        for n in range(count):
            zf.writestr(f"D{n // 1000:02d}/FILE{n:05d}.TXT", text_bytes(rng, rng.randint(10, 200)))


def make_source(path, count=15000, seed=3):
    rng = random.Random(seed)
    folders = []
    for top in range(12):
        for mid in range(8):
            for leaf in range(rng.randint(6, 12)):
                folders.append(f"project/mod{top:02d}/pkg{mid}/part{leaf}/")
    folders = folders[:900]
    exts = ("c", "h", "cpp", "py", "txt", "java", "js", "md")
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED, compresslevel=6) as zf:
        made = set()
        for n in range(count):
            folder = folders[n % len(folders)]
            parts = folder.split("/")
            for depth in range(1, len(parts)):
                directory = "/".join(parts[:depth]) + "/"
                if directory not in made:
                    made.add(directory)
                    zf.writestr(directory, b"")
            size = int(100 * (160 ** (rng.random() ** 1.5)))  # 100 B .. 16 KB
            zf.writestr(f"{folder}file{n:05d}.{rng.choice(exts)}", text_bytes(rng, size))
    return count


if __name__ == "__main__":
    outdir = sys.argv[1] if len(sys.argv) > 1 else "."
    os.makedirs(outdir, exist_ok=True)
    print("mixed.zip entries:", make_mixed(os.path.join(outdir, "mixed.zip")))
    make_many(os.path.join(outdir, "many.zip"))
    print("many.zip entries: 60000")
    print("source.zip files:", make_source(os.path.join(outdir, "source.zip")))
