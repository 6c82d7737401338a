#!/usr/bin/env python3
"""Damaged and crafted PDF files, each made from a sound one written byte by byte, for the
damaged-file test and as seeds of the merge fuzzer.

    damaged_pdfs.py FOLDER

Writes sealed.pdf (one page "K1", RC4 40-bit) and, per case, NN.pdf, and the same for the peers as
*.peer.pdf (sealed without encryption, which pdfunite refuses; the cases without the stale copy
that only a reader which tolerates the slip ignores: the peers always rebuild). Prints
"NN|name|texts of its pages|state": state is "merged", "refused" or "opens" (the intake opens it,
but a stream of it cannot be read, so a merge that starts with it writes nothing)."""
import os
import re
import subprocess
import sys

TEXTS = ["D1", "D2", "D3"]


def stream(entries, data):
    return b"<< %s /Length %d >>\nstream\n%s\nendstream" % (entries, len(data), data)


def content(text):
    return stream(b"", b"BT /F1 24 Tf 72 700 Td (%s) Tj ET" % text.encode())


class Raw:
    """Offsets are tracked as the bytes are written, so a case writes a sound file and then
    damages exactly the bytes it means to."""

    def __init__(self, texts=TEXTS, packed=0):
        self.b, self.at, self.packed = b"%PDF-1.4\n%\xe2\xe3\xcf\xd3\n", {}, {}
        kids = b"".join(b"%d 0 R " % (4 + 2 * i) for i in range(len(texts)))
        objs = [(1, b"<< /Type /Catalog /Pages 2 0 R >>"),
                (2, b"<< /Type /Pages /Kids [ %s] /Count %d >>" % (kids, len(texts))),
                (3, b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>")]
        objs += [(4 + 2 * i, b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Resources "
                  b"<< /Font << /F1 3 0 R >> >> /Contents %d 0 R >>" % (5 + 2 * i)) for i in range(len(texts))]
        if packed:  # the pages in an object stream, as hybrid and cross-reference stream files keep them
            head = data = b""
            for n, body in objs:
                head, data = head + b"%d %d " % (n, len(data)), data + body + b"\n"
            self.obj(packed, stream(b"/Type /ObjStm /N %d /First %d" % (len(objs), len(head)), head + data))
            self.packed = {n: (packed, i) for i, (n, _) in enumerate(objs)}
        else:
            for n, body in objs:
                self.obj(n, body)
        for i, text in enumerate(texts):
            self.obj(5 + 2 * i, content(text))

    def obj(self, n, body):
        self.at[n] = len(self.b)
        self.b += b"%d 0 obj\n%s\nendobj\n" % (n, body)
        return self.at[n]

    def entries(self):  # (number, type 0 free / 1 in the file / 2 packed, offset or stream, index)
        rows = [(0, 0, 0, 65535)] + [(n, 1, at, 0) for n, at in self.at.items()]
        return sorted(rows + [(n, 2, s, i) for n, (s, i) in self.packed.items()])

    def table(self, rows, trailer, eol=b"\r\n"):
        at, self.b = len(self.b), self.b + b"xref\n"
        for first, run in runs(rows):
            self.b += b"%d %d\n" % (first, len(run))
            # A packed object is free to a reader of the table alone.
            self.b += b"".join(b"%010d %05d %s" % ((o, g, b"n") if t == 1 else (0, 65535, b"f")) + eol
                               for _, t, o, g in run)
        self.b += b"trailer\n<< %s >>\n" % trailer
        return at

    def xref_stream(self, n, rows, extra, w=(1, 4, 2)):
        rows = sorted([r for r in rows if r[0] != n] + [(n, 1, len(self.b), 0)])
        index = b" ".join(b"%d %d" % (first, len(run)) for first, run in runs(rows))
        return self.obj(n, stream(b"/Type /XRef /Size %d /W [%d %d %d] /Index [%s] %s" %
                                  (rows[-1][0] + 1, *w, index, extra), packed_rows(rows, w)))

    def end(self, at):
        self.b += b"startxref\n%d\n%%%%EOF\n" % at
        return self.b


def runs(rows):
    out = []
    for row in rows:
        if out and out[-1][0] + len(out[-1][1]) == row[0]:
            out[-1][1].append(row)
        else:
            out.append((row[0], [row]))
    return out


def packed_rows(rows, w):
    return b"".join(b"".join(f.to_bytes(width, "big") for f, width in zip(row[1:], w)) for row in rows)


TRAILER = b"/Size 10 /Root 1 0 R"


def classic(eol=b"\r\n", texts=TEXTS, trailer=TRAILER):
    pdf = Raw(texts)
    return pdf.end(pdf.table(pdf.entries(), trailer, eol))


def updated(shift, prev=None, streams=False):
    """An update gives page 1 the text "E1": its section's /Prev lands `shift` bytes beside the
    first section, whose own /Prev is prev(first, second) or none."""
    pdf = Raw()
    mark = b" /Prev 9999999999"
    trailer = b"/Root 1 0 R" if streams else TRAILER

    def section(n, rows, t):  # a table, or a cross-reference stream numbered n
        return pdf.xref_stream(n, rows, t) if streams else pdf.table(rows, t)

    first = section(10, pdf.entries(), trailer + mark)
    pdf.end(first)
    pdf.obj(5, content("E1"))
    second = section(11, [(5, 1, pdf.at[5], 0)], trailer + b" /Prev %010d" % (first + shift))
    data = pdf.end(second)
    return data.replace(mark, b" /Prev %010d" % prev(first, second) if prev else b" " * len(mark), 1)


def with_rows(change):
    pdf = Raw()
    return pdf.end(pdf.table(change(pdf.entries()), TRAILER))


def shift(by):
    return lambda rows: [(n, t, o + by if t == 1 else o, g) for n, t, o, g in rows]


def swap(rows):  # the offsets of objects 4 and 6
    (n4, t4, o4, g4), (n6, t6, o6, g6) = rows[4], rows[6]
    return rows[:4] + [(n4, t4, o6, g4), rows[5], (n6, t6, o4, g6)] + rows[7:]


def xref_stream_of(w, startxref_shift=0):
    pdf = Raw(TEXTS, 10)
    return pdf.end(pdf.xref_stream(11, pdf.entries(), b"/Root 1 0 R", w) + startxref_shift)


def crafted_stream(w, index, cut=0, extra=b""):
    """A cross-reference stream whose rows, written under /W [1 4 2], declare /W `w` and /Index
    `index`, lose their last `cut` bytes and are followed by `extra`."""
    pdf = Raw()
    rows = pdf.entries() + [(10, 1, len(pdf.b), 0)]
    data = packed_rows(rows, (1, 4, 2))
    at = pdf.obj(10, stream(b"/Type /XRef /Size 11 /Root 1 0 R /W %s /Index %s" % (w, index),
                            data[:len(data) - cut] + extra))
    return pdf.end(at)


def hybrid():
    pdf = Raw(TEXTS, 10)
    xrefstm = pdf.xref_stream(11, pdf.entries(), b"")
    return pdf.end(pdf.table(pdf.entries(), b"/Size 12 /Root 1 0 R /XRefStm %d" % xrefstm))


def start_shift(data, shift):
    return re.sub(rb"startxref\n(\d+)", lambda m: b"startxref\n%d" % (int(m[1]) + shift), data)


def edit(data, old, new):
    assert old in data, old
    return data.replace(old, new, 1)


def blank(data, text):  # offsets stay where they were
    return edit(data, text, b" " * len(text))


def junk(size):
    return (b"not part of the document " * (size // 25 + 1))[:size - 1] + b"\n"


def encrypted(folder, *args, texts=TEXTS):
    """The document (with an /Info string) encrypted by qpdf: qpdf's arguments after --encrypt."""
    pdf = Raw(texts)
    pdf.obj(20, b"<< /Title (Damaged and sealed) >>")
    plain, out = os.path.join(folder, "plain.pdf"), os.path.join(folder, "encrypted.pdf")
    with open(plain, "wb") as f:
        f.write(pdf.end(pdf.table(pdf.entries(), b"/Size 21 /Root 1 0 R /Info 20 0 R")))
    subprocess.run(["qpdf", "--allow-weak-crypto", "--encrypt", *args, "--", plain, out], check=True)
    with open(out, "rb") as f:
        return f.read()


def with_encryption(entries, id=b"[<0123456789ABCDEF> <0123>]"):
    pdf = Raw()
    pdf.obj(10, b"<< /Filter /Standard %s >>" % entries)
    return pdf.end(pdf.table(pdf.entries(), b"/Size 11 /Root 1 0 R /Encrypt 10 0 R /ID " + id))


def hexa(size):
    return b"<" + b"A" * (2 * size) + b">"


RC4 = b"/V 2 /R 3 /Length 128 /P -4 /O "
AES256 = b"/V 5 /R 6 /Length 256 /P -4 /CF << /StdCF << /CFM /AESV3 /Length 32 >> >> /StmF /StdCF /StrF /StdCF /O " + hexa(48)


def filler(size):
    pdf = Raw()
    pdf.obj(20, b"(" + b"x" * size + b")")
    return pdf


def sparse():
    pdf = Raw()
    pdf.obj(300000, b"(far)")
    return pdf.end(pdf.table(pdf.entries(), b"/Size 300001 /Root 1 0 R"))


def negative_length():
    pdf = filler(6000)  # more than the 4 KiB a C library buffers after the stream
    return edit(pdf.end(pdf.table(pdf.entries(), b"/Size 21 /Root 1 0 R")), b"/Length 33", b"/Length -5")


def one_byte_longer(data):
    """The first stream one byte longer than its data, which an AES cipher cannot give."""
    at = data.rfind(b"/Length ", 0, data.find(b"stream\n")) + 8
    old = re.match(rb"\d+", data[at:])[0]
    return edit(data, b"/Length " + old, b"/Length %d" % (int(old) + 1))  # as many digits


def odd_string(data, key):
    """The encrypted hex string after `key` turned into a literal of the same size and of odd
    length, which no cipher gives."""
    old = re.search(key + rb" <[0-9a-fA-F]*>", data)[0]
    return edit(data, old, key + b" (" + b"A" * (len(old) - len(key) - 4) + b") ")


# A stale, unlisted copy of page 1's content at the end: a reader that follows the cross-reference
# data shows page 1 as listed, one that rebuilds the table takes the last copy and shows "STALE",
# so the cases with this tail show that their slips were tolerated, not rebuilt over.
STALE = b"5 0 obj\n" + content("STALE") + b"\nendobj\n"


def cases(folder):
    loop, own = (lambda first, second: second), (lambda first, second: first)
    e1 = ["E1"] + TEXTS[1:]
    yield "sound", classic(), TEXTS, "merged"
    yield "19-byte entries", classic(b"\n") + STALE, TEXTS, "merged"
    yield "entries ended by a lone CR", classic(b"\r") + STALE, TEXTS, "merged"
    yield "startxref 3 bytes early", start_shift(classic(), -3) + STALE, TEXTS, "merged"
    yield "startxref 2 bytes late", start_shift(classic(), 2) + STALE, TEXTS, "merged"
    yield "startxref past the end", start_shift(classic(), 100000), TEXTS, "merged"
    yield "startxref missing", blank(classic(), b"startxref"), TEXTS, "merged"
    yield "xref stream 3 bytes early", xref_stream_of((1, 4, 2), -3) + STALE, TEXTS, "merged"
    yield "/Prev 4 bytes early", updated(-4) + STALE, e1, "merged"
    yield "/Prev 3 bytes late", updated(3) + STALE, e1, "merged"
    yield "/Prev chain loops", updated(0, loop) + STALE, e1, "merged"
    yield "/Prev points at its own section", updated(0, own) + STALE, e1, "merged"
    yield "xref stream /Prev chain loops", updated(0, loop, True) + STALE, e1, "merged"
    yield "trailer missing", edit(classic(), b"trailer\n<< %s >>\n" % TRAILER, b""), TEXTS, "merged"
    yield "trailer cut short", classic()[:classic().rfind(b"/Root") + 3], TEXTS, "merged"
    yield "trailer without /Root", blank(classic(), b"/Root 1 0 R"), TEXTS, "merged"
    yield "xref cut short", classic()[:classic().rfind(b"0000000000 65535 f") + 30], TEXTS, "merged"
    yield "file cut short after its last object", Raw().b, TEXTS, "merged"
    yield "cut short, larger than the 64 KiB blocks of the scan", filler(70000).b, TEXTS, "merged"
    # The page tree read from a rebuilt table is walked, not counted.
    yield "cut short, /Count too low", edit(Raw().b, b"/Count 3", b"/Count 1"), TEXTS, "merged"
    yield "stray bytes before the header", junk(300) + classic() + STALE, TEXTS, "merged"
    yield "junk after %%EOF", classic() + junk(5000), TEXTS, "merged"
    yield "entries 7 bytes late", with_rows(shift(7)) + STALE, TEXTS, "merged"
    yield "entries 12 bytes early", with_rows(shift(-12)) + STALE, TEXTS, "merged"
    yield "two entries swapped", with_rows(swap) + STALE, TEXTS, "merged"
    yield "objects moved by inserted bytes", classic().replace(b"\n", b"\n%moved\n", 1) + STALE, TEXTS, "merged"
    yield "line ends converted to CRLF", classic().replace(b"\n", b"\r\n") + STALE, TEXTS, "merged"
    yield "hybrid file with /XRefStm", hybrid() + STALE, TEXTS, "merged"
    yield "xref stream with 8-byte offsets", xref_stream_of((1, 8, 2)) + STALE, TEXTS, "merged"
    yield "an object numbered in the hundred thousands", sparse(), TEXTS, "merged"
    aes128 = encrypted(folder, "", "owner", "128", "--use-aes=y")
    yield "encrypted, objects moved", aes128.replace(b"\n", b"\n%moved\n", 1), TEXTS, "merged"
    rc4 = encrypted(folder, "", "owner", "128", "--use-aes=n")
    yield "encrypted, trailer lost", rc4[:rc4.rfind(b"\nxref\n")], TEXTS, "refused"
    secret = encrypted(folder, "secret", "owner", "128", "--use-aes=y")
    yield "user password, objects moved", secret.replace(b"\n", b"\n%moved\n", 1), TEXTS, "refused"
    yield "no objects at all", b"%PDF-1.4\nnothing else\n", [], "refused"
    yield "catalog lost after the table was read", edit(classic(), b"1 0 obj", b"% 0 obj"), [], "refused"
    # Encryption that cannot be authenticated refuses the file.
    yield "RC4 /O shorter than 32 bytes", with_encryption(RC4 + hexa(4) + b" /U " + hexa(32)), [], "refused"
    yield "RC4 /U shorter than 32 bytes", with_encryption(RC4 + hexa(32) + b" /U " + hexa(31)), [], "refused"
    yield "/ID with no strings", with_encryption(RC4 + hexa(32) + b" /U " + hexa(32), b"[]"), [], "refused"
    u48, oe, ue, perms = b" /U " + hexa(48), b" /OE " + hexa(32), b" /UE " + hexa(32), b" /Perms " + hexa(16)
    yield "AES-256 /U shorter than 48 bytes", with_encryption(AES256 + b" /U " + hexa(32) + oe + ue + perms), [], "refused"
    yield "AES-256 without /Perms", with_encryption(AES256 + u48 + oe + ue), [], "refused"
    yield "AES-256 without /OE", with_encryption(AES256 + u48 + ue + perms), [], "refused"
    yield "RC4 128-bit key without /Length", blank(rc4, b"/Length 128"), [], "refused"
    # Revision 2 keys are 40 bits, whatever /Length says: a missing one is no fault.
    yield "RC4 revision 2 without /Length", blank(encrypted(folder, "", "owner", "40"), b"/Length 40"), TEXTS, "merged"
    # A cross-reference stream that cannot be read is rebuilt over like any damaged file.
    yield "xref stream rows run past its data", crafted_stream(b"[1 4 2]", b"[0 11]", 3), TEXTS, "merged"
    yield "xref stream /Index beyond its data", crafted_stream(b"[1 4 2]", b"[0 11 100 5000]"), TEXTS, "merged"
    yield "xref stream field 9 bytes wide", crafted_stream(b"[1 9 1]", b"[0 11]", 0, bytes(44)), TEXTS, "merged"
    yield "xref stream without fields", crafted_stream(b"[0 0 0]", b"[0 2000000]"), TEXTS, "merged"
    yield "xref stream with a negative /Index", crafted_stream(b"[1 4 2]", b"[-5 11]"), TEXTS, "merged"
    yield "stream with a negative /Length", negative_length(), [], "opens"
    aes256 = encrypted(folder, "", "owner", "256")
    yield "AES-256 stream one byte longer than a cipher gives", one_byte_longer(aes256), [], "opens"
    # The /Info holding the string is dropped as broken; the pages do not need it.
    yield "AES-128 string of a length no cipher gives", odd_string(aes128, b"/Title"), TEXTS, "merged"


def main(folder):
    with open(os.path.join(folder, "sealed.pdf"), "wb") as f:
        f.write(encrypted(folder, "", "owner", "40", texts=["K1"]))
    with open(os.path.join(folder, "sealed.peer.pdf"), "wb") as f:  # pdfunite refuses encrypted files
        f.write(classic(texts=["K1"], trailer=b"/Size 6 /Root 1 0 R"))
    for i, (name, data, pages, state) in enumerate(cases(folder)):
        for suffix, text in ((".pdf", data), (".peer.pdf", data[:-len(STALE)] if data.endswith(STALE) else data)):
            with open(os.path.join(folder, "%02d%s" % (i, suffix)), "wb") as f:
                f.write(text)
        print("%02d|%s|%s|%s" % (i, name, " ".join(pages), state))


if __name__ == "__main__":
    main(sys.argv[1])
