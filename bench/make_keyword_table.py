#!/usr/bin/env python3
"""Write a keyword table shaped like the catalogue's keyword.dbf (ARTICLE_ID N 11,
KEYWORD C 28, OEM text, dBASE III), byte by byte, for the whole-process comparisons.

Each record takes a keyword drawn at random from a vocabulary of --vocabulary words in
mixed capitalisation, some with OEM letters; about ten records per article. With
1,000,000 records and 300,000 words about 290,000 distinct upper-case keys occur; with a
vocabulary of 4,000 the records of one keyword lie far apart in the file.
"""
import argparse
import random
import struct

SYLLABLES = [b"del", b"phi", b"pas", b"cal", b"ob", b"ject", b"win", b"dows", b"data", b"base",
             b"m\x81n", b"chen", b"com", b"pi", b"ler", b"net", b"work", b"gr\x94", b"zeit",
             b"schrift", b"turbo", b"view", b"stream"]
KEYWORD_WIDTH = 28
ID_WIDTH = 11


def vocabulary(rng, size):
    words = []
    for i in range(size):
        word = b"".join(rng.choice(SYLLABLES) for _ in range(2 + i % 3)) + str(i).encode()
        words.append(word[:KEYWORD_WIDTH])
    return words


def capitalised(word, roll):
    if roll < 0.08:
        return word.upper()
    if roll < 0.5:
        return word[:1].upper() + word[1:]
    return word


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("table", help="the .dbf file to write")
    parser.add_argument("--records", type=int, default=1000000)
    parser.add_argument("--vocabulary", type=int, default=300000)
    parser.add_argument("--seed", type=int, default=1995)
    args = parser.parse_args()

    rng = random.Random(args.seed)
    words = vocabulary(rng, args.vocabulary)
    fields = [(b"ARTICLE_ID", b"N", ID_WIDTH), (b"KEYWORD", b"C", KEYWORD_WIDTH)]
    header_length = 32 + 32 * len(fields) + 1
    record_length = 1 + ID_WIDTH + KEYWORD_WIDTH
    header = struct.pack("<B3BIHH20x", 0x03, 124, 1, 1, args.records, header_length, record_length)
    for name, kind, width in fields:
        header += name.ljust(11, b"\0") + kind + b"\0" * 4 + bytes([width, 0]) + b"\0" * 14
    header += b"\x0D"
    with open(args.table, "wb") as out:
        out.write(header)
        chunk = []
        for i in range(args.records):
            keyword = capitalised(rng.choice(words), rng.random())
            chunk.append(b" " + str(i // 10 + 1).encode().rjust(ID_WIDTH) + keyword.ljust(KEYWORD_WIDTH))
            if len(chunk) == 65536:
                out.write(b"".join(chunk))
                chunk = []
        out.write(b"".join(chunk))
        out.write(b"\x1A")


if __name__ == "__main__":
    main()
