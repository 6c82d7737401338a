#!/usr/bin/python3
"""Files for the tests of identical resources stored once, and a summary of a merged file.

  shared_fixtures.py make FOLDER   writes letter.pdf, invoice.pdf and renamed.pdf into FOLDER
  shared_fixtures.py summary PDF   prints "name count distinct" lines: how many of each kind of
                                   object the pages reach, and how many distinct objects those are

letter.pdf has two pages that draw text in an embedded TrueType font, a logo (an image with a soft
mask in an ICC colour space), a plain form XObject and one that belongs to the structure tree
(/StructParents), the plain one naming itself in its resources; a link (without /Type or /P: nothing in it says it is an annotation of one page),
a text field with its appearance, two outline items, and an object only the trailer names (never
written by a merge). invoice.pdf embeds the very same font and logo with
other text. renamed.pdf has a font of the same name and length whose program differs in one byte.
"""
import struct
import sys
import zlib

import pikepdf
from PIL import ImageCms
from pikepdf import Array, Dictionary, Name, String

FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"
A4 = [0, 0, 595, 842]


def font_program(tweak):
    with open(FONT, "rb") as f:
        program = bytearray(f.read())
    if tweak:
        # The 'head' table's checksum adjustment: the glyphs stay as they are.
        tables = struct.unpack(">H", program[4:6])[0]
        for i in range(tables):
            tag, _, offset, _ = struct.unpack(">4sIII", program[12 + 16 * i:28 + 16 * i])
            if tag == b"head":
                program[offset + 8] ^= 0xFF
    return bytes(program)


def truetype_font(pdf, tweak=False):
    program = font_program(tweak)
    widths = Array([600] * 95)
    fontfile = pikepdf.Stream(pdf, zlib.compress(program), Length1=len(program), Filter=Name.FlateDecode)
    descriptor = Dictionary(Type=Name.FontDescriptor, FontName=Name("/DejaVuSans"), Flags=32,
                            FontBBox=Array([-1021, -463, 1793, 1232]), ItalicAngle=0, Ascent=928,
                            Descent=-236, CapHeight=729, StemV=80, FontFile2=fontfile)
    return pdf.make_indirect(Dictionary(Type=Name.Font, Subtype=Name.TrueType, BaseFont=Name("/DejaVuSans"),
                                        FirstChar=32, LastChar=126, Widths=pdf.make_indirect(widths),
                                        Encoding=Name.WinAnsiEncoding,
                                        FontDescriptor=pdf.make_indirect(descriptor)))


# Made once: the profile records when it was made.
SRGB = zlib.compress(ImageCms.ImageCmsProfile(ImageCms.createProfile("sRGB")).tobytes())


def logo(pdf):
    w, h = 64, 32
    rgb = bytes((x * 4, y * 8, (x + y) * 2) [c] for y in range(h) for x in range(w) for c in range(3))
    alpha = bytes(255 if (x - 32) ** 2 + (y - 16) ** 2 * 4 < 900 else 0 for y in range(h) for x in range(w))
    icc = pikepdf.Stream(pdf, SRGB, N=3, Filter=Name.FlateDecode)
    mask = pikepdf.Stream(pdf, zlib.compress(alpha), Type=Name.XObject, Subtype=Name.Image, Width=w, Height=h,
                          ColorSpace=Name.DeviceGray, BitsPerComponent=8, Filter=Name.FlateDecode)
    return pikepdf.Stream(pdf, zlib.compress(rgb), Type=Name.XObject, Subtype=Name.Image, Width=w, Height=h,
                          ColorSpace=Array([Name.ICCBased, icc]), BitsPerComponent=8, Filter=Name.FlateDecode,
                          SMask=mask)


def text(lines):
    return b"\n".join(b"BT /F1 14 Tf 60 %d Td (%s) Tj ET" % (760 - 24 * i, line.encode()) for i, line in
                      enumerate(lines))


def page(pdf, content, resources, annots=None):
    page = Dictionary(Type=Name.Page, MediaBox=Array(A4), Contents=pikepdf.Stream(pdf, content),
                      Resources=resources)
    if annots:
        page.Annots = Array(annots)
    pdf.pages.append(pikepdf.Page(page))
    return pdf.pages[-1]


def write_letter(path):
    pdf = pikepdf.new()
    font = truetype_font(pdf)
    fonts = Dictionary(F1=font)
    # Without /Type, which is optional for annotations and often left out.
    link = pdf.make_indirect(Dictionary(Subtype=Name.Link, Rect=Array([60, 700, 300, 720]),
                                        Border=Array([0, 0, 0]),
                                        A=Dictionary(S=Name.URI, URI=String("https://example.com/"))))
    appearance = pikepdf.Stream(pdf, b"/Tx BMC BT /F1 12 Tf 2 6 Td (Filled in) Tj ET EMC", Type=Name.XObject,
                                Subtype=Name.Form, BBox=Array([0, 0, 200, 24]), Resources=Dictionary(Font=fonts))
    field = pdf.make_indirect(Dictionary(Type=Name.Annot, Subtype=Name.Widget, FT=Name.Tx, T=String("name"),
                                         V=String("Filled in"), DA=String("/F1 12 Tf 0 g"),
                                         Rect=Array([60, 600, 260, 624]), AP=Dictionary(N=appearance)))
    first = page(pdf, text(["Letter, page one", "Dear reader,"]) + b"\nq 128 0 0 64 400 740 cm /Logo Do Q",
                 Dictionary(Font=fonts, XObject=Dictionary(Logo=logo(pdf))), [link, field])
    stamp = pikepdf.Stream(pdf, b"0 0 1 rg 0 0 100 40 re f BT /F1 10 Tf 5 15 Td (Stamp) Tj ET",
                           Type=Name.XObject, Subtype=Name.Form, BBox=Array([0, 0, 100, 40]),
                           Resources=Dictionary(Font=fonts))
    # Names itself among its resources without drawing itself: a cycle of references.
    stamp.Resources.XObject = Dictionary(Me=stamp)
    tagged = pikepdf.Stream(pdf, b"/P <</MCID 0>> BDC 1 0 0 rg 0 0 100 40 re f EMC", Type=Name.XObject,
                            Subtype=Name.Form, BBox=Array([0, 0, 100, 40]), StructParents=0)
    second = page(pdf, text(["Letter, page two"]) + b"\nq 1 0 0 1 60 500 cm /Stamp Do Q q 1 0 0 1 200 500 cm"
                  b" /Tagged Do Q", Dictionary(Font=fonts, XObject=Dictionary(Stamp=stamp, Tagged=tagged)))
    pdf.Root.AcroForm = Dictionary(Fields=Array([field]), DR=Dictionary(Font=fonts), DA=String("/F1 12 Tf 0 g"))
    with pdf.open_outline() as outline:
        outline.root.extend([pikepdf.OutlineItem("One", 0), pikepdf.OutlineItem("Two", 1)])
    pdf.trailer.Orphan = pdf.make_indirect(pikepdf.Stream(pdf, b"never written " * 50, Orphan=True))
    del first, second
    pdf.save(path)


def write_single(path, lines, tweak):
    pdf = pikepdf.new()
    page(pdf, text(lines) + b"\nq 128 0 0 64 400 740 cm /Logo Do Q",
         Dictionary(Font=Dictionary(F1=truetype_font(pdf, tweak)), XObject=Dictionary(Logo=logo(pdf))))
    pdf.save(path)


def summary(path):
    pdf = pikepdf.open(path)
    seen = {}

    def note(kind, obj):
        seen.setdefault(kind, []).append(obj.objgen)

    for p in pdf.pages:
        note("pages", p.obj)
        resources = p.obj.Resources
        for font in dict(resources.get("/Font", {}).items()).values():
            note("fonts", font)
            note("fontfiles", font.FontDescriptor.FontFile2)
        for xobject in dict(resources.get("/XObject", {}).items()).values():
            if xobject.Subtype == Name.Image:
                note("images", xobject)
                note("smasks", xobject.SMask)
                note("profiles", xobject.ColorSpace[1])
            else:
                note("tagged forms" if "/StructParents" in xobject else "forms", xobject)
        for annot in p.obj.get("/Annots", []):
            note("links" if annot.Subtype == Name.Link else "widgets", annot)
            if "/AP" in annot:
                note("appearances", annot.AP.N)
    items = list(pdf.open_outline().root)
    while items:
        item = items.pop()
        note("outline items", item.obj)
        items.extend(item.children)
    for obj in pdf.objects:
        if isinstance(obj, (pikepdf.Dictionary, pikepdf.Stream)):
            if "/Orphan" in obj:
                note("orphans", obj)
            if obj.get("/Type") == Name.Catalog:
                note("catalogs", obj)
    for kind in sorted(seen):
        print(kind, len(seen[kind]), len(set(seen[kind])))


def main(argv):
    if len(argv) == 3 and argv[1] == "make":
        write_letter(argv[2] + "/letter.pdf")
        write_single(argv[2] + "/invoice.pdf", ["Invoice 17", "Total 12.00 EUR"], False)
        write_single(argv[2] + "/renamed.pdf", ["Same name", "other program"], True)
    elif len(argv) == 3 and argv[1] == "summary":
        summary(argv[2])
    else:
        sys.stderr.write(__doc__)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
