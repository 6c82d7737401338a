#!/usr/bin/python3
"""PDFs with named destinations, forms, attachments, layers and page labels for the merge tests,
and what a reader finds of them in a PDF. Needs Debian's python3-pikepdf and qpdf.

  catalog_pdf.py make OUT.pdf JSON   writes the PDF that JSON describes (see make)
  catalog_pdf.py fixtures DIR        writes the tests' inputs (FIXTURES) into DIR
  catalog_pdf.py facts PDF FAMILY    prints what a reader sees of FAMILY, one fact a line:
                                     dests, fields, attachments, layers or labels

Pages show one text each ("A1", "A2", ...); facts name a page by its text and its position in
the file: "A2@5".
"""

import json
import subprocess
import sys

import pikepdf
from pikepdf import Array, Dictionary, Name, NameTree, NumberTree, String

# --- making ------------------------------------------------------------------------------------


def named(pdf, name):
    return Name("/" + name[1:]) if name.startswith("/") else String(name)


def goto(pdf, name):
    return Dictionary(S=Name.GoTo, D=named(pdf, name))


def add_pages(pdf, d):
    font = pdf.make_indirect(Dictionary(Type=Name.Font, Subtype=Name.Type1, BaseFont=Name.Helvetica))
    for i in range(1, d.get("pages", 1) + 1):
        page = pdf.add_blank_page(page_size=(595, 842))
        page.Resources = Dictionary(Font=Dictionary(F1=font))
        page.Contents = pdf.make_stream(b"BT /F1 24 Tf 56 700 Td (%s%d) Tj ET" % (d["tag"].encode(), i))


def add_dests(pdf, d):
    def target(page):
        # A list [n] asks for the dictionary form << /D [...] >>.
        explicit = Array([pdf.pages[(page[0] if isinstance(page, list) else page) - 1].obj, Name.Fit])
        return Dictionary(D=explicit) if isinstance(page, list) else explicit

    if "dests" in d:
        tree = NameTree.new(pdf)
        for name, page in d["dests"].items():
            tree[name] = target(page)
        pdf.Root.Names = Dictionary(Dests=tree.obj)
    if "olddests" in d:
        pdf.Root.Dests = Dictionary({"/" + name: target(page) for name, page in d["olddests"].items()})
    # Uses: [page, how, name], how one of dest (/Dest), goto (/A), aa (/AA /U), next (/A /Next).
    for page, how, name in d.get("links", []):
        link = Dictionary(Type=Name.Annot, Subtype=Name.Link, Rect=[50, 50, 150, 80], Border=[0, 0, 0])
        if how == "dest":
            link.Dest = named(pdf, name)
        elif how == "goto":
            link.A = goto(pdf, name)
        elif how == "aa":
            link.AA = Dictionary(U=goto(pdf, name))
        elif how == "next":
            link.A = Dictionary(S=Name.URI, URI=String("https://example.com/"), Next=goto(pdf, name))
        annots = pdf.pages[page - 1].obj.get("/Annots", Array())
        annots.append(pdf.make_indirect(link))
        pdf.pages[page - 1].obj.Annots = annots
    if "outline" in d:
        with pdf.open_outline() as outline:
            for title, name in d["outline"]:
                outline.root.append(pikepdf.OutlineItem(title, destination=named(pdf, name)))
    if "open" in d:
        pdf.Root.OpenAction = goto(pdf, d["open"])


def add_field(pdf, wanted, parent, fonts):
    field = Dictionary(T=String(wanted["name"]))
    if parent is not None:
        field.Parent = parent
    for key in ("DA", "Q"):
        if key.lower() in wanted:
            field[Name("/" + key)] = String(wanted["da"]) if key == "DA" else wanted["q"]
    field = pdf.make_indirect(field)
    if "kids" in wanted:
        field.Kids = Array([add_field(pdf, kid, field, fonts) for kid in wanted["kids"]])
        return field
    page = pdf.pages[wanted.get("page", 1) - 1]
    field.FT = Name.Tx
    field.V = String(wanted["value"])
    field.Type = Name.Annot
    field.Subtype = Name.Widget
    field.Rect = [100, 500, 300, 530]
    field.F = 4
    field.P = page.obj
    annots = page.obj.get("/Annots", Array())
    annots.append(field)
    page.obj.Annots = annots
    return field


def add_form(pdf, d):
    if "fields" not in d:
        return
    form = d.get("form", {})
    fonts = form.get("fonts", {"Helv": "Helvetica"})
    acroform = Dictionary(
        Fields=Array([add_field(pdf, wanted, None, fonts) for wanted in d["fields"]]),
        DA=String(form.get("da", "/Helv 0 Tf 0 g")),
        DR=Dictionary(
            Font=Dictionary(
                {
                    "/" + name: pdf.make_indirect(
                        Dictionary(Type=Name.Font, Subtype=Name.Type1, BaseFont=Name("/" + base))
                    )
                    for name, base in fonts.items()
                }
            )
        ),
    )
    for key in ("NeedAppearances", "SigFlags", "Q"):
        if key in form:
            acroform[Name("/" + key)] = form[key]
    if form.get("XFA"):
        acroform.XFA = pdf.make_stream(b"<xdp:xdp xmlns:xdp='http://ns.adobe.com/xdp/'/>")
        pdf.Root.NeedsRendering = True
    if "CO" in form:
        by_name = {str(f.T): f for f in acroform.Fields}
        acroform.CO = Array([by_name[name] for name in form["CO"]])
    pdf.Root.AcroForm = acroform


def add_attachments(pdf, d):
    for key, (filename, content) in d.get("attachments", {}).items():
        pdf.attachments[key] = pikepdf.AttachedFileSpec(pdf, content.encode(), filename=filename)


def add_layers(pdf, d):
    """layers: {"groups": [[name, on]], "base": "OFF", "order": true, "rb": [[names]],
    "locked": [names], "as": [[event, category, [names]]]}"""
    if "layers" not in d:
        return
    layers = d["layers"]
    groups = {name: pdf.make_indirect(Dictionary(Type=Name.OCG, Name=String(name))) for name, _ in layers["groups"]}
    config = Dictionary()
    if "base" in layers:
        config.BaseState = Name("/" + layers["base"])
    base_on = layers.get("base", "ON") != "OFF"
    config.ON = Array([groups[name] for name, on in layers["groups"] if on and not base_on])
    config.OFF = Array([groups[name] for name, on in layers["groups"] if not on and base_on])
    if layers.get("order"):
        config.Order = Array([String(d["tag"])] + [groups[name] for name, _ in layers["groups"]])
    if "rb" in layers:
        config.RBGroups = Array([Array([groups[name] for name in rb]) for rb in layers["rb"]])
    if "locked" in layers:
        config.Locked = Array([groups[name] for name in layers["locked"]])
    if "as" in layers:
        config.AS = Array(
            [
                Dictionary(
                    Event=Name("/" + event),
                    Category=Array([Name("/" + category)]),
                    OCGs=Array([groups[name] for name in names]),
                )
                for event, category, names in layers["as"]
            ]
        )
    pdf.Root.OCProperties = Dictionary(OCGs=Array(list(groups.values())), D=config)


def add_labels(pdf, d):
    """labels: [[page index, {"S": "r", "P": "x", "St": 3}]]"""
    if "labels" not in d:
        return
    tree = NumberTree.new(pdf)
    for index, label in d["labels"]:
        value = Dictionary()
        for key, item in label.items():
            value[Name("/" + key)] = Name("/" + item) if key == "S" else String(item) if key == "P" else item
        tree[index] = value
    pdf.Root.PageLabels = tree.obj


# Damage that a merge must survive: each keeps what is sound and spoils the rest.
def damage(pdf, d):
    for kind in d.get("damage", []):
        if kind == "tree-kids":
            # Beside its leaf, the destination tree's root has a kid that is no node and itself.
            leaf = pdf.Root.Names.Dests
            leaf.Limits = Array([leaf.Names[0], leaf.Names[len(leaf.Names) - 2]])
            root = pdf.make_indirect(Dictionary(Kids=Array([leaf, pdf.make_indirect(5)])))
            root.Kids.append(root)
            pdf.Root.Names.Dests = root
        elif kind == "fields":
            pdf.Root.AcroForm.Fields.append(7)
            pdf.Root.AcroForm.DR.Font.Bad = 7
        elif kind == "labels":
            # A range past the input's pages, and one without a dictionary.
            pdf.Root.PageLabels.Nums.extend([len(pdf.pages) + 1, Dictionary(S=Name.R), 1, 5])
        elif kind == "layers":
            pdf.Root.OCProperties.OCGs.append(7)
            pdf.Root.OCProperties.D.Locked = 5


def make(path, d):
    """d: {"tag": "A", "pages": 3,
    "dests": {name: page or [page] for the << /D >> form}, "olddests": the same in /Dests,
    "links": [[page, "dest" | "goto" | "aa" | "next", name]], "outline": [[title, name]], "open": name,
    "fields": [{"name", "value", "page", "da", "q"} or {"name", "kids"}],
    "form": {"fonts": {name: base font}, "da", "Q", "NeedAppearances", "SigFlags", "XFA", "CO": [names]},
    "attachments": {name: [file name, content]}, "layers": see add_layers, "labels": see add_labels,
    "damage": [kinds, see damage]}; a name "/x" is a name object, any other a string."""
    pdf = pikepdf.new()
    add_pages(pdf, d)
    add_dests(pdf, d)
    add_form(pdf, d)
    add_attachments(pdf, d)
    add_layers(pdf, d)
    add_labels(pdf, d)
    damage(pdf, d)
    pdf.save(path)


# The inputs of the merge tests, by name: d* for destinations, f* forms, l* labels, layers and
# attachments, m* malformed structures.
FIXTURES = {
    "p": {"tag": "P"},
    # Destinations: b clashes with a on "chap2" (and defines "chap2-2" itself), c with no one.
    "da": {"tag": "A", "pages": 3, "dests": {"chap2": 2, "spare": 3}, "olddests": {"old": [3]},
        "links": [[1, "dest", "chap2"], [1, "goto", "/old"], [3, "aa", "chap2"]],
        "outline": [["A chap2", "chap2"]], "open": "chap2"},
    "db": {"tag": "B", "pages": 2, "dests": {"chap2": [2], "chap2-2": 1}, "olddests": {"old": 1},
        "links": [[1, "dest", "chap2"], [1, "next", "/old"], [2, "goto", "chap2-2"]],
        "outline": [["B chap2", "chap2"]]},
    "dc": {"tag": "C", "dests": {"intro": 1}, "links": [[1, "dest", "intro"]],
        "outline": [["C intro", "intro"]]},
    # Forms: fb clashes with fa on "name" and has a font of the same /DR name but another face,
    # set form-wide and on a field; fc clashes with "person.city" on its whole name.
    "fa": {"tag": "A", "pages": 2,
        "fields": [{"name": "name", "value": "Ann"},
                   {"name": "person", "kids": [{"name": "city", "value": "Rome", "page": 2}]}],
        "form": {"CO": ["name"], "XFA": True}},
    "fb": {"tag": "B",
        "fields": [{"name": "name", "value": "Bob"},
                   {"name": "own", "value": "b", "da": "/Helv 12 Tf 0 0 1 rg"}],
        "form": {"fonts": {"Helv": "Courier"}, "da": "/Helv 9 Tf 0 g", "NeedAppearances": True, "Q": 1,
                 "SigFlags": 1, "CO": ["own"]}},
    "fc": {"tag": "C", "fields": [{"name": "person", "value": "Cy"}]},
    # Labels from the second page on; layers with /Order, radio groups and usage; an attachment
    # name that clashes; layers off by /BaseState.
    "lc": {"tag": "C", "pages": 2, "labels": [[1, {"S": "A", "P": "C-"}]]},
    "la": {"tag": "A", "attachments": {"data.txt": ["data.txt", "from A"], "a.txt": ["a.txt", "only A"]},
        "layers": {"groups": [["A on", True], ["A off", False]], "order": True, "rb": [["A on", "A off"]],
                   "as": [["View", "Zoom", ["A on"]]]},
        "labels": [[0, {"S": "r"}]]},
    "lb": {"tag": "B", "pages": 3, "attachments": {"data.txt": ["data.txt", "from B"]},
        "layers": {"groups": [["B on", True], ["B off", False], ["B base", False]], "base": "OFF",
                   "locked": ["B on"], "as": [["View", "Zoom", ["B on"]], ["Print", "Print", ["B off"]]]}},
    # Malformed structures in a later input lose only what is unsound in them: tree kids that are
    # no node or loop, a field that is not one, label ranges past the pages or without a
    # dictionary, a layer that is not a group.
    "mx": {"tag": "X", "pages": 2, "dests": {"x": 2}, "fields": [{"name": "f", "value": "x"}],
        "form": {"XFA": True}, "labels": [[0, {"S": "a"}]], "layers": {"groups": [["X1", True]]}},
    "my": {"tag": "Y", "pages": 2, "dests": {"x": 1, "y": 2}, "links": [[1, "dest", "x"]],
        "fields": [{"name": "f", "value": "y"}], "labels": [[0, {"S": "R"}]],
        "layers": {"groups": [["Y1", False], ["Y2", True]], "order": True},
        "damage": ["tree-kids", "fields", "labels", "layers"]},
}


# --- reading -----------------------------------------------------------------------------------


def page_text(page):
    for operands, operator in pikepdf.parse_content_stream(page):
        if operator == pikepdf.Operator("Tj"):
            return bytes(operands[0]).decode("latin-1")
    return "?"


class Reader:
    def __init__(self, path):
        self.path = path
        self.pdf = pikepdf.open(path)
        # "A2@5": the page showing A2, the fifth of the file.
        self.texts = {page.objgen: "%s@%d" % (page_text(page), n) for n, page in enumerate(self.pdf.pages, 1)}

    def text_of(self, page):
        return self.texts.get(page.objgen, "?") if isinstance(page, pikepdf.Dictionary) else "?"

    def qpdf_json(self, key):
        out = subprocess.run(
            ["qpdf", "--json=2", "--json-key=" + key, self.path], capture_output=True, check=True, text=True
        ).stdout
        return json.loads(out)[key]

    def target(self, dest):
        """The page text a destination leads to; '?' when it leads nowhere."""
        root = self.pdf.Root
        try:
            if isinstance(dest, pikepdf.String):
                dest = NameTree(root.Names.Dests, auto_repair=False)[bytes(dest).decode("latin-1")]
            elif isinstance(dest, pikepdf.Name):
                dest = root.Dests[dest]
            if isinstance(dest, pikepdf.Dictionary):
                dest = dest.D
            return self.text_of(dest[0])
        except (KeyError, AttributeError, IndexError, TypeError):
            return "?"

    def dests(self):
        root = self.pdf.Root
        if "/Names" in root and "/Dests" in root.Names:
            tree = NameTree(root.Names.Dests, auto_repair=False)
            keys = list(tree.keys())
            if keys != sorted(keys, key=lambda k: k.encode("latin-1")):
                yield "tree unsorted"
            for key in keys:
                yield "dest (%s) -> %s" % (key, self.target(pikepdf.String(key)))
        for key in sorted(root.get("/Dests", {}).keys()):
            yield "dest %s -> %s" % (key, self.target(pikepdf.Name(key)))
        for page in self.pdf.pages:
            for annot in page.obj.get("/Annots", []):
                action = annot.get("/A")
                if "/Dest" in annot:
                    yield "dest %s -> %s" % (self.text_of(page.obj), self.target(annot.Dest))
                elif action is not None and action.S == Name.GoTo:
                    yield "goto %s -> %s" % (self.text_of(page.obj), self.target(action.D))
                elif action is not None and "/Next" in action:
                    yield "next %s -> %s" % (self.text_of(page.obj), self.target(action.Next.D))
                elif "/AA" in annot:
                    yield "aa %s -> %s" % (self.text_of(page.obj), self.target(annot.AA.U.D))
        if "/OpenAction" in root:
            yield "open -> %s" % self.target(root.OpenAction.D)
        item = root.get("/Outlines", {}).get("/First")
        seen = set()
        while item is not None and item.objgen not in seen:
            seen.add(item.objgen)
            dest = item.get("/Dest", item.get("/A", {}).get("/D"))
            yield "outline %s -> %s" % (item.Title, self.target(dest))
            item = item.get("/Next")

    def fields(self):
        form = self.pdf.Root.get("/AcroForm")
        if form is None:
            return
        resources = form.get("/DR", {}).get("/Font", {})
        pages = [self.text_of(page.obj) for page in self.pdf.pages]
        for field in self.qpdf_json("acroform")["fields"]:
            # The font a viewer would draw the field's text with: its inherited /DA's font
            # looked up in the form's /DR.
            number, generation, _ = field["object"].split()
            obj = self.pdf.get_object((int(number), int(generation)))
            da = None
            while obj is not None and da is None:
                da = obj.get("/DA")
                obj = obj.get("/Parent")
            da = str(da if da is not None else form.get("/DA", ""))
            words = da.split()
            font = words[words.index("Tf") - 2] if "Tf" in words else "?"
            base = resources.get(pikepdf.Name(font)) if font.startswith("/") else None
            yield "field %s = %s on %s font %s q %d" % (
                field["fullname"],
                field["value"].removeprefix("u:"),
                pages[field["pageposfrom1"] - 1],
                base.BaseFont if base is not None else "?",
                field["quadding"],
            )
        yield "form need %s sigflags %s xfa %s" % (
            bool(form.get("/NeedAppearances", False)),
            int(form.get("/SigFlags", 0)),
            "/XFA" in form or "/NeedsRendering" in self.pdf.Root,
        )
        for f in form.get("/CO", []):
            yield "co %s" % f.T

    def attachments(self):
        for key, attached in self.pdf.attachments.items():
            yield "attachment %s %s %s" % (key, attached.filename, attached.get_file().read_bytes().decode())

    def layers(self):
        props = self.pdf.Root.get("/OCProperties")
        if props is None:
            return
        config = props.D
        base_on = config.get("/BaseState", Name.ON) != Name.OFF
        on = {g.objgen for g in config.get("/ON", [])}
        off = {g.objgen for g in config.get("/OFF", [])}
        for group in props.OCGs:
            state = False if group.objgen in off else True if group.objgen in on else base_on
            yield "layer %s %s" % (group.Name, "on" if state else "off")

        def show(items):
            return " ".join(
                "[%s]" % show(x) if isinstance(x, pikepdf.Array) else str(x.Name if "/Name" in x else x)
                if isinstance(x, pikepdf.Dictionary)
                else str(x)
                for x in items
            )

        for key in ("/Order", "/RBGroups", "/Locked"):
            if key in config:
                yield "%s %s" % (key[1:].lower(), show(config[key]))
        for usage in config.get("/AS", []):
            yield "as %s %s %s" % (usage.Event, show(usage.Category), show(usage.OCGs))

    def labels(self):
        if "/PageLabels" not in self.pdf.Root:
            yield "no labels"
            return
        for page in self.pdf.pages:
            yield "label %s %s" % (self.text_of(page.obj), page.label)


def main(argv):
    if argv[1] == "make":
        make(argv[2], json.loads(argv[3]))
    elif argv[1] == "fixtures":
        for name, description in FIXTURES.items():
            make("%s/%s.pdf" % (argv[2], name), description)
    elif argv[1] == "facts":
        for fact in getattr(Reader(argv[2]), argv[3])():
            print(fact)
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main(sys.argv)
