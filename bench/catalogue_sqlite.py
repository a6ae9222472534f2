#!/usr/bin/env python3
"""The article catalogue in SQLite, as a peer for the article search and its results page.

  catalogue_sqlite.py load DATADIR DATABASE [--source-dir DIR] [--last-issue N]
      reads DATADIR's article.dbf with its article.dbt, author.dbf and keyword.dbf byte by byte
      (not through the program's table engine) into DATABASE, with indexes on the keys;
  catalogue_sqlite.py query WORD [--substring]
      prints one SELECT that writes SEARCHRESULT.HTM for the one-word search WORD, the whole
      page built by string concatenation: the keyword matched whole through the index on the
      keywords (case ignored), or with --substring anywhere inside a keyword, as the program
      matches it (a scan of every keyword).

Texts are stored in code page 1252 as the program writes them (the tables are OEM 437); the
summary as its page lines, the companion-disk cell as its page text (the folder is looked at
here, while loading, since SQL cannot look at the disk).
"""
import os
import re
import sqlite3
import struct
import sys

MONTHS = ("January", "February", "March", "April", "May", "June", "July", "August",
          "September", "October", "November", "December")
CRLF = "\r\n"


def records(path):
    data = open(path, "rb").read()
    count, header, length = struct.unpack("<IHH", data[4:12])
    fields, offset = [], 1
    for i in range((header - 33) // 32):
        d = data[32 + i * 32:64 + i * 32]
        if d[0] == 0x0D:
            break
        fields.append((d[:11].split(b"\0")[0].decode("ascii"), d[16], offset))
        offset += d[16]
    for k in range(count):
        rec = data[header + k * length:header + (k + 1) * length]
        if len(rec) < length:
            break
        yield k + 1, rec[0:1] == b"*", {name: rec[at:at + width] for name, width, at in fields}


def ansi(raw):
    """OEM 437 bytes as a 1252 text (held as latin-1 code points while it is put together)."""
    return raw.decode("cp437").encode("cp1252", "replace").decode("latin-1")


def blob(text):
    """A 1252 text as the bytes the page holds: stored as a BLOB, which SQLite never converts."""
    return text.encode("latin-1")


def number(raw):
    text = raw.strip()
    return int(text) if text else 0


def memo_lines(dbt, block):
    if block <= 0:
        return []
    start = block * 512
    end = dbt.find(b"\x1a", start)
    text = dbt[start:] if end < 0 else dbt[start:end]
    # A soft return (with the LF after it) joins; CR (with the LF after it) ends a line.
    text = re.sub(rb"\x8d\n?", b"", text)
    lines = re.split(rb"\r\n?", text)
    if lines[-1] == b"":
        lines.pop()
    return [ansi(l) for l in lines]


def issue_name(n):
    """Quarterly issues 1 to 4 in 1995, then one a month from January 1996 (issue 5)."""
    if n < 5:
        return ("April 1995", "July 1995", "September 1995", "November 1995")[n - 1]
    return "%s %d" % (MONTHS[(n - 5) % 12], 1996 + (n - 5) // 12)


def source_cell(source_dir, type_, directory, issue):
    issue_dir = ("Issue0" if issue < 10 else "Issue") + str(issue)
    if type_ in ("Article", "Review"):
        if not directory:
            return "<I>No source code</I>"
        folder = issue_dir + "\\" + directory
    elif type_ == "Tip":
        folder = issue_dir + "\\TIPTRIX"
    elif type_ == "Clinic":
        folder = issue_dir + "\\CLINIC"
    else:
        folder = issue_dir
    path = os.path.join(source_dir, *folder.split("\\"))
    if not os.path.isdir(path):
        return "<I>Source code not available</I>"
    return '<A HREF="diry:///disks/' + folder + '\\">View source code</A>'


def pdf_cell(article_id, type_, issue, last_issue):
    if type_ in ("Article", "Review"):
        name = "%04d" % article_id
    elif type_ == "Tip":
        name = "T%03d" % issue
    elif type_ == "Clinic":
        name = "C%03d" % issue
    else:
        name = ""
    if issue > last_issue or not name:
        return "<I>Article not available</I>"
    return '<A HREF="file:///pdf/' + name + '.PDF">View article</A>'


def load(data_dir, database, source_dir, last_issue):
    if os.path.exists(database):
        os.remove(database)
    db = sqlite3.connect(database)
    db.text_factory = str
    db.executescript("""
      CREATE TABLE article(id INTEGER PRIMARY KEY, title TEXT, padded_type TEXT, issue INTEGER,
                           author_1 INTEGER, author_2 INTEGER, author_3 INTEGER,
                           pdf_cell TEXT, source_cell TEXT, summary TEXT);
      CREATE TABLE author(id INTEGER PRIMARY KEY, name TEXT);
      CREATE TABLE keyword(rec INTEGER PRIMARY KEY, article_id INTEGER, keyword TEXT,
                           keyword_bytes BLOB);
      CREATE TABLE issue(n INTEGER PRIMARY KEY, name TEXT);
    """)
    dbt = open(os.path.join(data_dir, "article.dbt"), "rb").read()
    rows = []
    for _, deleted, f in records(os.path.join(data_dir, "article.dbf")):
        article_id, issue = number(f["ARTICLE_ID"]), number(f["ISSUE__"])
        padded_type = ansi(f["ARTICLE_TY"])
        type_, directory = padded_type.rstrip(" "), ansi(f["DIRECTORY"]).rstrip(" ")
        summary = memo_lines(dbt, number(f["SUMMARY"]))
        rows.append((article_id, blob(ansi(f["TITLE"]).rstrip(" ")), blob(padded_type), issue,
                     number(f["AUTHOR_1"]), number(f["AUTHOR_2"]), number(f["AUTHOR_3"]),
                     blob(pdf_cell(article_id, type_, issue, last_issue)),
                     blob(source_cell(source_dir, type_, directory, issue)),
                     blob("".join(line + CRLF for line in summary))))
    db.executemany("INSERT OR IGNORE INTO article VALUES (?,?,?,?,?,?,?,?,?,?)", rows)
    authors = {}
    for _, deleted, f in records(os.path.join(data_dir, "author.dbf")):
        authors.setdefault(number(f["AUTHOR_ID"]), ansi(f["NAME"].split(b"\0")[0]).rstrip(" ").ljust(64))
    db.executemany("INSERT INTO author VALUES (?,?)", ((k, blob(v)) for k, v in authors.items()))
    db.executemany("INSERT INTO keyword VALUES (?,?,?,?)",
                   ((k, number(f["ARTICLE_ID"]), ansi(f["KEYWORD"]).rstrip(" "),
                     blob(ansi(f["KEYWORD"]).rstrip(" ")))
                    for k, deleted, f in records(os.path.join(data_dir, "keyword.dbf"))))
    db.executemany("INSERT INTO issue VALUES (?,?)", ((n, issue_name(n)) for n in range(1, 101)))
    db.executescript("""
      CREATE INDEX keyword_article ON keyword(article_id, rec);
      CREATE INDEX keyword_text ON keyword(keyword COLLATE NOCASE);
      ANALYZE;
    """)
    db.commit()
    db.close()


def query(word, substring):
    quoted = "'" + word.replace("'", "''") + "'"
    match = ("instr(upper(keyword), upper(%s)) > 0" % quoted if substring
             else "keyword = %s COLLATE NOCASE" % quoted)
    nl = "char(13,10)"
    cell = "'<TD COLSPAN=1 VALIGN=MIDDLE>'"

    def author_line(place):
        prefix = "" if place == 1 else "', ' || "
        return ("coalesce((SELECT %s name || %s FROM author WHERE id = a.author_%d AND a.author_%d <> 0), '')"
                % (prefix, nl, place, place))

    detail = " || ".join([
        "'<P><A NAME=\"' || a.id || '\"></A></P>' || %s" % nl,
        "'<TABLE border cellpadding=3 valign=top width=\"100%%\">' || %s" % nl,
        "'<TR><TH COLSPAN=4 ALIGN=LEFT><FONT FACE=\"ARIAL\" COLOR=RED><B>' || %s" % nl,
        "a.title || '</B></FONT></TH></TR>' || %s" % nl,
        "'<TR><TD COLSPAN=1 VALIGN=MIDDLE><FONT FACE=\"ARIAL\"><B>Authors</B></FONT></TD>' || %s" % nl,
        "'<TD COLSPAN=2 VALIGN=MIDDLE>' || %s" % nl,
        author_line(1), author_line(2), author_line(3),
        "'</TD>' || %s" % nl,
        "'<TD COLSPAN=1 VALIGN=MIDDLE><FONT FACE=\"ARIAL\"><B>Type: ' || a.padded_type || '</B></FONT></TD>' || %s" % nl,
        "'<TR valign=top><TD COLSPAN=1 VALIGN=MIDDLE><FONT FACE=\"ARIAL\"><B>Issue</B></FONT></TD>' || %s" % nl,
        "%s || a.issue || ' : ' || (SELECT name FROM issue WHERE n = a.issue) || '</TD>' || %s" % (cell, nl),
        "%s || a.pdf_cell || '</TD>' || %s" % (cell, nl),
        "%s || a.source_cell || '</TD></TR>' || %s" % (cell, nl),
        "'<TR><TD COLSPAN=1 VALIGN=TOP><FONT FACE=\"ARIAL\"><B>Summary</B></FONT></TD>' || %s" % nl,
        "'<TD COLSPAN=3 VALIGN=MIDDLE>' || %s || a.summary" % nl,
        "'</TD></TR>' || %s" % nl,
        "'<TR><TD COLSPAN=1 VALIGN=TOP><FONT FACE=\"ARIAL\"><B>Keywords</B></FONT></TD>' || %s" % nl,
        "'<TD COLSPAN=3 VALIGN=MIDDLE>' || %s" % nl,
        "coalesce((SELECT group_concat(keyword_bytes, '; ') FROM "
        "(SELECT keyword_bytes FROM keyword WHERE article_id = a.id ORDER BY rec)), '') || %s" % nl,
        "'</TD></TR></TABLE>' || %s" % nl,
        "'<P><A HREF=\"#Top\">Back to top</A></P><hr align=center size=4 color=\"008000\">'",
    ])
    head = [
        "<HTML><HEAD><TITLE>Search Results</TITLE></HEAD>",
        '<BODY LINK="0000ff" BGPROPERTIES="FIXED" BGCOLOR="ffffff">',
        '<BASEFONT SIZE="3">',
        '<FONT COLOR=RED><P ALIGN="LEFT"><FONT SIZE="+3" FACE="ARIAL">',
        '<A NAME="Top"></A><B>Search Results<BR></FONT>',
        '<FONT COLOR=BLACK><P ALIGN="LEFT"><FONT SIZE="+1" FACE="ARIAL">',
    ]
    sql_text = lambda s: "'" + s.replace("'", "''") + "'"
    return f"""
.mode list
.separator "" "\\r\\n"
WITH hits AS (SELECT DISTINCT article_id AS id FROM keyword WHERE {match}),
     arts AS (SELECT a.* FROM article a JOIN hits USING (id) ORDER BY CAST(a.id AS TEXT))
SELECT {" || ".join(sql_text(l) + " || " + nl for l in head)}
    || (SELECT count(*) FROM arts) || ' articles found matching search criteria:</B><BR>' || {nl}
    || '<FONT COLOR=RED>Keywords (any): </FONT><I>' || {nl}
    || {sql_text(word)} || {nl}
    || '</I></FONT></P><UL><P>' || {nl}
    || coalesce((SELECT group_concat('<LI><A HREF="#' || id || '">' || title || '</A></LI>', {nl}) || {nl} FROM arts), '')
    || '</UL><P><A HREF="#Top">Back to top</A></P><hr align=center size=4 color="008000">' || {nl}
    || coalesce((SELECT group_concat({detail}, {nl}) || {nl} FROM arts a), '')
    || '</P></UL> </BODY> </HTML>';
"""


def main(argv):
    if len(argv) >= 3 and argv[0] == "load":
        source_dir = os.path.join(argv[1], "DISKS")
        last_issue = 72
        rest = argv[3:]
        while rest:
            if rest[0] == "--source-dir":
                source_dir, rest = rest[1], rest[2:]
            elif rest[0] == "--last-issue":
                last_issue, rest = int(rest[1]), rest[2:]
            else:
                raise SystemExit("unknown option " + rest[0])
        load(argv[1], argv[2], source_dir, last_issue)
    elif len(argv) >= 2 and argv[0] == "query":
        sys.stdout.write(query(argv[1], "--substring" in argv[2:]))
    else:
        raise SystemExit(__doc__)


if __name__ == "__main__":
    main(sys.argv[1:])
