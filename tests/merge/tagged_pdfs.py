#!/usr/bin/python3
"""Writes the small tagged (and untagged) PDFs of the structure tests into a folder.

    /usr/bin/python3 tagged_pdfs.py DIR

Each file shows a few lines of text per page, each line one marked-content sequence, with a
structure tree, parent tree and the rest made here by hand, so that each file holds exactly the
case it is named after.
"""
import sys

import pikepdf
from pikepdf import Array, Dictionary, Name, String


class TaggedPdf:
    def __init__(self, lang=None, tagged=True):
        self.pdf = pikepdf.new()
        self.font = self.pdf.make_indirect(
            Dictionary(Type=Name.Font, Subtype=Name.Type1, BaseFont=Name.Helvetica,
                       Encoding=Name.WinAnsiEncoding))
        self.tagged = tagged
        self.parents = {}  # parent-tree key -> list (one per MCID) or single element
        if lang is not None:
            self.pdf.Root.Lang = String(lang)
        if tagged:
            self.root = self.pdf.make_indirect(Dictionary(Type=Name.StructTreeRoot, K=Array()))
            self.pdf.Root.StructTreeRoot = self.root
            self.pdf.Root.MarkInfo = Dictionary(Marked=True)

    def page(self, lines, key=None):
        """A page showing `lines`; line i is marked content MCID i. Returns the page."""
        ops = []
        for i, line in enumerate(lines):
            ops.append(f"/P <</MCID {i}>> BDC BT /F1 14 Tf 72 {720 - 24 * i} Td ({line}) Tj ET EMC")
        content = self.pdf.make_stream("\n".join(ops).encode("latin-1"))
        page = Dictionary(Type=Name.Page, MediaBox=[0, 0, 612, 792], Contents=content,
                          Resources=Dictionary(Font=Dictionary(F1=self.font)))
        self.pdf.pages.append(pikepdf.Page(page))
        page = self.pdf.pages[-1].obj
        if key is None and self.tagged:
            key = len(self.parents)
        if key is not None:
            page.StructParents = key
            if self.tagged:
                self.parents.setdefault(key, [None] * len(lines))
        return page

    def element(self, parent, type_, **entries):
        element = self.pdf.make_indirect(Dictionary(Type=Name.StructElem, S=Name("/" + type_),
                                                    P=parent, K=Array(), **entries))
        parent.K.append(element)
        return element

    def content(self, element, page, mcid):
        """Line `mcid` of `page` belongs to `element`."""
        if "/Pg" not in element:
            element.Pg = page
        if element.Pg.objgen == page.objgen:
            element.K.append(mcid)
        else:
            element.K.append(Dictionary(Type=Name.MCR, Pg=page, MCID=mcid))
        self.parents[int(page.StructParents)][mcid] = element

    def text(self, parent, type_, page, mcid, **entries):
        element = self.element(parent, type_, **entries)
        self.content(element, page, mcid)
        return element

    def save(self, path, next_key=None):
        if self.tagged:
            nums = Array()
            for key in sorted(self.parents):
                value = self.parents[key]
                nums.append(key)
                nums.append(Array(value) if isinstance(value, list) else value)
            self.root.ParentTree = self.pdf.make_indirect(Dictionary(Nums=nums))
            self.root.ParentTreeNextKey = next_key if next_key is not None else len(self.parents)
        self.pdf.save(path)


def id_tree(pdf, elements):
    names = Array()
    for element in sorted(elements, key=lambda e: bytes(e.ID)):
        names.append(element.ID)
        names.append(element)
    return pdf.make_indirect(Dictionary(Names=names))


def table_pdf(path, title, extra_id=None):
    """A table whose cells name their header cells by /ID; both files use the same IDs."""
    doc = TaggedPdf(lang="en")
    page = doc.page([title, "Name", "Size", "apple", "3", "pear", "5", "note"])
    sect = doc.element(doc.root, "Sect")
    doc.text(sect, "H1", page, 0)
    table = doc.element(sect, "Table")
    head = doc.element(table, "TR")
    ids = [doc.text(head, "TH", page, 1, ID=String("h1")), doc.text(head, "TH", page, 2, ID=String("h2"))]
    for mcid in (3, 5):
        row = doc.element(table, "TR")
        for column in range(2):
            doc.text(row, "TD", page, mcid + column,
                     A=Dictionary(O=Name.Table, Headers=Array([String(f"h{column + 1}")])))
    # An ID of its own, which a renamed "h1" must not take.
    ids.append(doc.text(sect, "Note", page, 7, ID=String(extra_id or "n1")))
    doc.root.IDTree = id_tree(doc.pdf, ids)
    doc.save(path)


def roles_pdf(path, roles, classes, used):
    """Custom types and classes: `used` is a list of (type, class or None) for one line each."""
    doc = TaggedPdf(lang="en")
    page = doc.page([f"{t} line" for t, _ in used])
    doc.root.RoleMap = Dictionary({"/" + k: Name("/" + v) for k, v in roles.items()})
    doc.root.ClassMap = Dictionary({"/" + k: Dictionary(O=Name.Layout, **v) for k, v in classes.items()})
    top = doc.element(doc.root, "Document")
    for mcid, (type_, class_) in enumerate(used):
        entries = {"C": Name("/" + class_)} if class_ else {}
        doc.text(top, type_, page, mcid, **entries)
    doc.save(path)


def language_pdf(path, lang, words, mark_info=None):
    doc = TaggedPdf(lang=lang)
    doc.pdf.Root.MarkInfo = Dictionary(Marked=True, **(mark_info or {}))
    page = doc.page(words)
    top = doc.element(doc.root, "Sect")
    for mcid in range(len(words)):
        doc.text(top, "P", page, mcid)
    # A second top element: the input's language must reach both.
    doc.text(doc.root, "P", doc.page(["end of " + words[0]]), 0, Alt=String("closing words"))
    doc.save(path)


def objects_pdf(path):
    """A link annotation, a form XObject with marked content of its own (/StructParents) and one
    that is a whole figure (/StructParent), each reached from its element."""
    doc = TaggedPdf(lang="en")
    page = doc.page(["Objects", "see the link"])
    top = doc.element(doc.root, "Document")
    # A heading in the PDF 2.0 namespace, which the root lists.
    namespace = doc.pdf.make_indirect(Dictionary(Type=Name.Namespace, NS=String("http://iso.org/pdf2/ssn")))
    doc.root.Namespaces = Array([namespace])
    doc.text(top, "H1", page, 0, NS=namespace)
    para = doc.text(top, "P", page, 1)
    link = doc.element(para, "Link")
    annot = doc.pdf.make_indirect(Dictionary(Type=Name.Annot, Subtype=Name.Link, Rect=[72, 690, 200, 710],
                                             Border=[0, 0, 0], A=Dictionary(S=Name.URI, URI=String("https://example.org/")),
                                             StructParent=len(doc.parents)))
    page.Annots = Array([annot])
    doc.parents[len(doc.parents)] = link
    link.K.append(Dictionary(Type=Name.OBJR, Obj=annot, Pg=page))

    form_key = len(doc.parents)
    form = doc.pdf.make_stream(b"/Span <</MCID 0>> BDC BT /F1 12 Tf 0 0 Td (inside a form) Tj ET EMC",
                               Type=Name.XObject, Subtype=Name.Form, BBox=[0, 0, 300, 40],
                               Resources=Dictionary(Font=Dictionary(F1=doc.font)), StructParents=form_key)
    doc.parents[form_key] = [None]
    span = doc.element(top, "Span")
    span.K.append(Dictionary(Type=Name.MCR, Pg=page, Stm=form, MCID=0))
    doc.parents[form_key][0] = span

    figure_key = len(doc.parents)
    figure_form = doc.pdf.make_stream(b"0 0 1 rg 0 0 30 30 re f", Type=Name.XObject, Subtype=Name.Form,
                                      BBox=[0, 0, 30, 30], StructParent=figure_key)
    figure = doc.element(top, "Figure", Alt=String("a blue square"))
    figure.K.append(Dictionary(Type=Name.OBJR, Obj=figure_form, Pg=page))
    doc.parents[figure_key] = figure

    page.Resources.XObject = Dictionary(Fm1=form, Fm2=figure_form)
    page.Contents = doc.pdf.make_stream(page.Contents.read_bytes() +
                                        b"\nq 1 0 0 1 72 600 cm /Fm1 Do Q q 1 0 0 1 72 500 cm /Fm2 Do Q")
    doc.save(path)


def untagged_pdf(path, lines):
    """No structure, but /StructParents and /StructParent left behind as tools that drop the
    structure leave them."""
    doc = TaggedPdf(tagged=False, lang="fr")
    page = doc.page(lines, key=0)
    page.Annots = Array([doc.pdf.make_indirect(Dictionary(
        Type=Name.Annot, Subtype=Name.Link, Rect=[72, 690, 200, 710], Border=[0, 0, 0],
        A=Dictionary(S=Name.URI, URI=String("https://example.org/")), StructParent=1))])
    doc.page(["second " + lines[0]], key=2)
    doc.save(path)


def empty_pdf(path):
    """A structure tree root without elements."""
    doc = TaggedPdf(lang="en")
    doc.page(["nothing tagged here"])
    doc.save(path)


def broken_pdf(path):
    """A loop (an element among its own descendants), an element with two parents, a page key
    missing from the parent tree, keys that do not start at 0, a role map that goes round in a
    circle and a kid that is no element at all."""
    doc = TaggedPdf(lang="en")
    first = doc.page(["Broken", "looping", "in circles"], key=7)
    doc.page(["orphan page"], key=9)  # key 9 gets no entry below
    top = doc.element(doc.root, "Sect")
    doc.text(top, "H1", first, 0)
    para = doc.text(top, "P", first, 1)
    para.K.append(top)  # the loop
    doc.root.K.append(para)  # a second parent
    doc.root.RoleMap = Dictionary(Round=Name.About, About=Name.Round)
    doc.text(top, "Round", first, 2)
    top.K.append(String("not an element"))
    del doc.parents[9]
    doc.save(path, next_key=8)


def main(folder):
    table_pdf(f"{folder}/table-a.pdf", "Fruit")
    table_pdf(f"{folder}/table-b.pdf", "More fruit", extra_id="h1-2")
    roles_pdf(f"{folder}/roles-a.pdf", {"Chapter": "Sect", "Remark": "P", "Box": "Div"},
              {"wide": {"Placement": Name.Block}, "same": {"Placement": Name.Inline}},
              [("Chapter", "wide"), ("Remark", "same"), ("Box", None)])
    roles_pdf(f"{folder}/roles-b.pdf", {"Chapter": "Art", "Remark": "P"},
              {"wide": {"Placement": Name.Inline}, "same": {"Placement": Name.Inline}},
              [("Chapter", "wide"), ("Remark", "same"), ("Box", "plain")])
    language_pdf(f"{folder}/lang-en.pdf", "en-GB", ["Good morning"])
    language_pdf(f"{folder}/lang-de.pdf", "de", ["Guten Morgen"], {"Suspects": True})
    language_pdf(f"{folder}/lang-none.pdf", None, ["Bonjour"], {"UserProperties": True})
    objects_pdf(f"{folder}/objects.pdf")
    untagged_pdf(f"{folder}/untagged.pdf", ["Plain text"])
    empty_pdf(f"{folder}/empty.pdf")
    broken_pdf(f"{folder}/broken.pdf")


if __name__ == "__main__":
    main(sys.argv[1])
