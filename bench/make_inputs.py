#!/usr/bin/python3
"""Inputs of the merge benchmark that need an image encoder or an embedded font (bench/run.sh).

  make_inputs.py jpeg FOLDER FILES PAGES   FILES PDFs of PAGES scanned-looking pages each: every
                                           page one JPEG of its own (about 300 KB)
  make_inputs.py invoice FOLDER FILES      FILES one-page invoices as office software writes them:
                                           each embeds the same TrueType font program (DejaVu
                                           Sans, whole) and the same logo (an image with a soft
                                           mask in an ICC colour space); only the text differs

  make_inputs.py bulk FOLDER FILES PAGES   as jpeg, for gigabytes of pages: 40 scans are drawn and
                                           every page takes one of them with its number written
                                           into the JPEG (a comment segment), so no two pages have
                                           the same bytes

Files are named f0001.pdf, f0002.pdf, ... Needs Debian's python3-pikepdf and python3-pil.
"""
import io
import random
import sys
import zlib

import pikepdf
from PIL import Image, ImageCms, ImageDraw, ImageFont
from pikepdf import Array, Dictionary, Name

A4 = (595, 842)
FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"


def scan_jpeg(seed):
    """A page of 'text' on grainy paper at 150 dpi; the grain makes every page's bytes its own."""
    rnd = random.Random(seed)
    w, h = 1240, 1754
    grain = Image.effect_noise((w // 2, h // 2), 40 + rnd.random() * 8).resize((w, h))
    page = Image.blend(Image.new("L", (w, h), 235), grain, 0.25)
    draw = ImageDraw.Draw(page)
    for line in range(rnd.randint(45, 60)):
        y, x = 80 + line * 27, 80
        while x < w - 100:
            word = rnd.randint(20, 90)
            draw.rectangle([x, y, x + word, y + 12], fill=rnd.randint(20, 80))
            x += word + rnd.randint(8, 16)
    out = io.BytesIO()
    page.convert("RGB").save(out, "JPEG", quality=62)
    return w, h, out.getvalue()


def numbered_scans(count):
    """Pages for `bulk`: scan n % count with n written into a JPEG comment right after its start."""
    scans = [scan_jpeg(seed) for seed in range(count)]
    n = 0
    while True:
        w, h, data = scans[n % count]
        note = b"page %d" % n
        yield w, h, data[:2] + b"\xff\xfe" + (len(note) + 2).to_bytes(2, "big") + note + data[2:]
        n += 1


def write_scans(folder, files, pages, bulk=False):
    source = numbered_scans(40) if bulk else None
    for f in range(1, files + 1):
        pdf = pikepdf.new()
        for p in range(pages):
            w, h, data = next(source) if bulk else scan_jpeg(f * 100000 + p)
            image = pikepdf.Stream(pdf, data, Type=Name.XObject, Subtype=Name.Image, Width=w, Height=h,
                                   ColorSpace=Name.DeviceRGB, BitsPerComponent=8, Filter=Name.DCTDecode)
            content = pikepdf.Stream(pdf, b"q %d 0 0 %d 0 0 cm /Im0 Do Q" % A4)
            pdf.pages.append(pikepdf.Page(Dictionary(
                Type=Name.Page, MediaBox=Array([0, 0, *A4]), Contents=content,
                Resources=Dictionary(XObject=Dictionary(Im0=image)))))
        pdf.save(f"{folder}/f{f:04d}.pdf")


def logo_pixels():
    """An 800 x 320 logo: RGB bytes, alpha bytes and an sRGB profile, made once for all invoices
    (the noise differs from call to call)."""
    rnd = random.Random(7)
    w, h = 800, 320
    art = Image.linear_gradient("L").resize((w, h)).convert("RGB")
    art = Image.blend(art, Image.effect_noise((w, h), 60).convert("RGB"), 0.45)
    draw = ImageDraw.Draw(art)
    for _ in range(40):
        x, y = rnd.randint(0, w), rnd.randint(0, h)
        draw.ellipse([x, y, x + 60, y + 60], fill=(rnd.randint(0, 255), 80, rnd.randint(0, 255)))
    alpha = Image.new("L", (w, h), 0)
    ImageDraw.Draw(alpha).rounded_rectangle([0, 0, w - 1, h - 1], radius=40, fill=255)
    icc = ImageCms.ImageCmsProfile(ImageCms.createProfile("sRGB")).tobytes()
    return w, h, zlib.compress(art.tobytes()), zlib.compress(alpha.tobytes()), zlib.compress(icc)


def logo(pdf, pixels):
    """The logo as office software embeds it: an image in an ICC colour space with a soft mask."""
    w, h, art, alpha, icc = pixels
    profile = pikepdf.Stream(pdf, icc, N=3, Filter=Name.FlateDecode)
    mask = pikepdf.Stream(pdf, alpha, Type=Name.XObject, Subtype=Name.Image, Width=w, Height=h,
                          ColorSpace=Name.DeviceGray, BitsPerComponent=8, Filter=Name.FlateDecode)
    return pikepdf.Stream(pdf, art, Type=Name.XObject, Subtype=Name.Image, Width=w, Height=h,
                          ColorSpace=Array([Name.ICCBased, profile]), BitsPerComponent=8,
                          Filter=Name.FlateDecode, SMask=mask)


def truetype_font(pdf):
    """DejaVu Sans as a simple TrueType font over WinAnsi, the whole program embedded."""
    with open(FONT, "rb") as f:
        program = f.read()
    metrics = ImageFont.truetype(FONT, 1000)
    widths = [round(metrics.getlength(chr(c))) for c in range(32, 127)]
    fontfile = pikepdf.Stream(pdf, zlib.compress(program), Length1=len(program), Filter=Name.FlateDecode)
    descriptor = Dictionary(Type=Name.FontDescriptor, FontName=Name("/DejaVuSans"), Flags=32,
                            FontBBox=Array([-1021, -463, 1793, 1232]), ItalicAngle=0, Ascent=928, Descent=-236,
                            CapHeight=729, StemV=80, FontFile2=fontfile)
    return Dictionary(Type=Name.Font, Subtype=Name.TrueType, BaseFont=Name("/DejaVuSans"), FirstChar=32,
                      LastChar=126, Widths=pdf.make_indirect(Array(widths)), Encoding=Name.WinAnsiEncoding,
                      FontDescriptor=pdf.make_indirect(descriptor))


def invoice_text(number):
    rnd = random.Random(number)
    lines = [(40, 700, 18, "Invoice %d-%05d" % (2026, number)),
             (40, 676, 10, "Customer %d, %d Harbour Road, Portsmouth" % (rnd.randint(1000, 9999), number))]
    total = 0
    for item in range(15):
        amount = rnd.randint(100, 99999)
        total += amount
        lines.append((40, 630 - 18 * item, 10, "%2d  Service item %d, %d hours" % (item + 1, rnd.randint(1, 99),
                                                                                  rnd.randint(1, 40))))
        lines.append((460, 630 - 18 * item, 10, "%d.%02d EUR" % (amount // 100, amount % 100)))
    lines.append((380, 330, 12, "Total %d.%02d EUR" % (total // 100, total % 100)))
    ops = [b"q 180 0 0 72 380 750 cm /Logo Do Q"]
    for x, y, size, text in lines:
        ops.append(b"BT /F1 %d Tf %d %d Td (%s) Tj ET" % (size, x, y, text.encode("latin-1")))
    return b"\n".join(ops)


def write_invoices(folder, files):
    pixels = logo_pixels()
    for f in range(1, files + 1):
        pdf = pikepdf.new()
        resources = Dictionary(Font=Dictionary(F1=pdf.make_indirect(truetype_font(pdf))),
                               XObject=Dictionary(Logo=logo(pdf, pixels)))
        pdf.pages.append(pikepdf.Page(Dictionary(
            Type=Name.Page, MediaBox=Array([0, 0, *A4]), Resources=pdf.make_indirect(resources),
            Contents=pikepdf.Stream(pdf, invoice_text(f)))))
        pdf.save(f"{folder}/f{f:04d}.pdf")


def main(argv):
    if len(argv) == 5 and argv[1] in ("jpeg", "bulk"):
        write_scans(argv[2], int(argv[3]), int(argv[4]), argv[1] == "bulk")
    elif len(argv) == 4 and argv[1] == "invoice":
        write_invoices(argv[2], int(argv[3]))
    else:
        sys.stderr.write(__doc__)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
