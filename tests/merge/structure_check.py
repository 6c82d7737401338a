#!/usr/bin/python3
"""Prints the logical structure of a PDF as a reader meets it, and every fault found in it.

    /usr/bin/python3 structure_check.py FILE...
    /usr/bin/python3 structure_check.py --merge[-without-struct-text] MERGED INPUT...

The second form prints nothing when MERGED reads as its INPUTs one after the other under one
Document element (see expected_merge), as the walk below and poppler (pdfinfo -struct-text,
pdftotext) read them, and one line per difference otherwise.

For each file: a line "file=" and its name, then "lang=" and the catalog's /Lang; then "tagged" when the file has a
structure tree, followed by the /MarkInfo flags Suspects and UserProperties that are set. Then one line per structure element, in document order, indented two spaces a
level: its type as the role map resolves it ("?" for a custom type that maps to no standard one),
[the language it is read in], its /Alt, /ActualText and /E, its attributes (its own and its
classes', without /Headers, whose names are checked instead) and its content items. Names that a
merge may rename (IDs, custom types, classes) do not appear, so a merged file's lines can be
compared with its inputs'.

Then a line "ERROR ..." for each fault: an element reached twice or whose /P is not its parent; a
parent-tree key used twice; a page, annotation or XObject whose parent-tree entry does not lead to
the element that holds its content, or the other way round; content on a page outside the file;
an /ID missing from /IDTree or used twice; a namespace missing from /Namespaces; a /Headers entry that does not name a TH of the same
table; /ParentTreeNextKey not past every key; a structure without /MarkInfo /Marked true.
"""
import re
import subprocess
import sys

import pikepdf

STANDARD = set(
    "Document DocumentFragment Part Art Sect Div Aside BlockQuote Caption TOC TOCI Index NonStruct "
    "Private Title FENote P H H1 H2 H3 H4 H5 H6 L LI Lbl LBody Table TR TH TD THead TBody TFoot Span "
    "Quote Note Reference BibEntry Code Link Annot Ruby RB RT RP Warichu WT WP Figure Formula Form "
    "Sub Em Strong Artifact".split())

def name(value):
    """A name (or a dictionary key) without its slash; other values as text."""
    text = str(value)
    return text[1:] if isinstance(value, (pikepdf.Name, str)) and text.startswith("/") else text


def items(value):
    """A value that may be one item or an array of them, as a list."""
    if value is None:
        return []
    return list(value) if isinstance(value, pikepdf.Array) else [value]


def tree(node, kind, make_key):
    """A number tree ("/Nums") or name tree ("/Names") as a dict; the first of equal keys wins."""
    entries, seen, stack = {}, set(), [node]
    while stack:
        node = stack.pop()
        if not isinstance(node, pikepdf.Dictionary) or (node.is_indirect and node.objgen in seen):
            continue
        seen.add(node.objgen)
        pairs = items(node.get(kind))
        for key, value in zip(pairs[0::2], pairs[1::2]):
            entries.setdefault(make_key(key), value)
        stack.extend(reversed(items(node.get("/Kids"))))
    return entries


def role(type_, roles):
    seen = set()
    while type_ not in STANDARD and type_ in roles and type_ not in seen:
        seen.add(type_)
        type_ = roles[type_]
    return type_ if type_ in STANDARD else "?"


def ident(obj):
    return obj.objgen if obj.is_indirect else id(obj)


class Structure:
    def __init__(self, pdf, root, errors):
        self.errors = errors
        self.pdf = pdf
        self.root = root
        self.pages = {page.obj.objgen: n + 1 for n, page in enumerate(pdf.pages)}
        self.roles = {name(k): name(v) for k, v in root.get("/RoleMap", {}).items()}
        self.classes = {name(k): v for k, v in root.get("/ClassMap", {}).items()}
        self.ids = tree(root.get("/IDTree"), "/Names", bytes)
        self.parent_tree = tree(root.get("/ParentTree"), "/Nums", int)
        self.namespaces = {ns.objgen for ns in items(root.get("/Namespaces"))}
        self.lines = []
        self.marked = {}  # (owner, mcid) -> element: content that an element holds
        self.objects = {}  # object -> element: objects an element holds through an OBJR
        self.parent_of = {}
        self.type_of = {}
        self.headers = []  # (cell, header names)
        self.element_ids = {}

    def attributes(self, element):
        owned = []
        for item in items(element.get("/A")):
            if isinstance(item, pikepdf.Dictionary):
                owned.append(item)
        for class_ in items(element.get("/C")):
            if isinstance(class_, pikepdf.Name):
                owned.extend(a for a in items(self.classes.get(name(class_))) if isinstance(a, pikepdf.Dictionary))
        pairs = []
        for attribute in owned:
            if "/Headers" in attribute:
                self.headers.append((element, [bytes(h) for h in items(attribute.Headers)]))
            pairs.extend(f"{name(k)}={name(v)}" for k, v in attribute.items() if k != "/Headers")
        return pairs

    def page_of(self, element):
        while isinstance(element, pikepdf.Dictionary):
            if "/Pg" in element:
                return element.Pg
            element = element.get("/P")
        return None

    def content(self, element, kid):
        if isinstance(kid, int):
            page = self.page_of(element)
            return self.claim(page, kid, element, "mc")
        if kid.get("/Type") == "/MCR":
            owner = next((kid[k] for k in ("/Stm", "/Pg") if k in kid), None)
            owner = self.page_of(element) if owner is None else owner
            return self.claim(owner, int(kid.MCID), element, "mc" if "/Stm" not in kid else "xmc")
        obj = kid.get("/Obj")
        if obj is None:
            self.errors.append(f"ERROR an object reference without /Obj in {self.type_of[ident(element)]}")
            return "obj"
        self.objects[obj.objgen] = element
        return "obj:" + name(obj.get("/Subtype"))

    def claim(self, owner, mcid, element, label):
        if owner is None or (label == "mc" and owner.objgen not in self.pages):
            self.errors.append(f"ERROR content of {self.type_of[ident(element)]} on no page of this file")
            return label
        self.marked[(owner.objgen, mcid)] = element
        return label

    def walk(self, catalog_lang):
        seen = {self.root.objgen}
        stack = [(kid, self.root, 0, catalog_lang) for kid in reversed(items(self.root.get("/K")))]
        while stack:
            element, parent, depth, lang = stack.pop()
            if not isinstance(element, pikepdf.Dictionary) or "/S" not in element:
                continue
            if element.is_indirect:
                if element.objgen in seen:
                    self.errors.append(f"ERROR element {element.objgen} reached twice")
                    continue
                seen.add(element.objgen)
                if parent.is_indirect and element.get("/P") is not None and element.P.objgen != parent.objgen:
                    self.errors.append(f"ERROR element {element.objgen}: /P is not its parent")
            if "/NS" in element and element.NS.objgen not in self.namespaces:
                self.errors.append(f"ERROR the namespace of element {element.objgen} is not listed")
            type_ = role(name(element.S), self.roles)
            self.type_of[ident(element)] = type_
            self.parent_of[ident(element)] = parent
            if "/ID" in element:
                key = bytes(element.ID)
                if key in self.element_ids:
                    self.errors.append(f"ERROR ID {key!r} used twice")
                self.element_ids[key] = element
            lang = str(element.Lang) if "/Lang" in element else lang
            line = f"{'  ' * depth}{type_}[{lang}]"
            for key in ("/Alt", "/ActualText", "/E"):
                if key in element:
                    line += f" {key[1:]}={str(element[key])!r}"
            attributes = self.attributes(element)
            if attributes:
                line += " {" + " ".join(sorted(attributes)) + "}"
            contents = []
            kids = []
            for kid in items(element.get("/K")):
                if isinstance(kid, pikepdf.Dictionary) and "/S" in kid:
                    kids.append(kid)
                elif isinstance(kid, (int, pikepdf.Dictionary)):
                    contents.append(self.content(element, kid))
            if contents:
                line += " " + ",".join(contents)
            self.lines.append(line)
            stack.extend((kid, element, depth + 1, lang) for kid in reversed(kids))

    def check_parent_tree(self):
        owners = []  # (description, object, key, marked-content owner?)
        for n, page in enumerate(self.pdf.pages, 1):
            owners.append((f"page {n}", page.obj, page.obj.get("/StructParents"), True))
            for annot in items(page.obj.get("/Annots")):
                owners.append((f"an annotation on page {n}", annot, annot.get("/StructParent"), False))
            forms, seen = [page.obj.get("/Resources")], set()
            while forms:
                resources = forms.pop()
                xobjects = resources.get("/XObject", {}) if isinstance(resources, pikepdf.Dictionary) else {}
                for xobject in (xobjects[key] for key in xobjects.keys()):
                    if xobject.objgen in seen:
                        continue
                    seen.add(xobject.objgen)
                    owners.append((f"XObject {xobject.objgen}", xobject, xobject.get("/StructParents"), True))
                    owners.append((f"XObject {xobject.objgen}", xobject, xobject.get("/StructParent"), False))
                    forms.append(xobject.get("/Resources"))
        used = {}
        for what, obj, key, marked in owners:
            if key is None:
                continue
            key = int(key)
            if used.setdefault(key, obj.objgen) != obj.objgen:
                self.errors.append(f"ERROR parent-tree key {key} used twice")
            entry = self.parent_tree.get(key)
            if entry is None:
                self.errors.append(f"ERROR {what}: key {key} has no parent-tree entry")
            elif marked:
                for mcid, element in enumerate(items(entry)):
                    found = self.marked.get((obj.objgen, mcid))
                    if isinstance(element, pikepdf.Dictionary) and (found is None or found.objgen != element.objgen):
                        self.errors.append(f"ERROR {what}: entry {mcid} of key {key} is not the element of that content")
            else:
                found = self.objects.get(obj.objgen)
                if found is None or not isinstance(entry, pikepdf.Dictionary) or found.objgen != entry.objgen:
                    self.errors.append(f"ERROR {what}: key {key} does not lead to its element")
        keyed = {obj.objgen: int(key) for _, obj, key, marked in owners if key is not None and marked}
        for (owner, mcid), element in self.marked.items():
            key = keyed.get(owner)
            entry = items(self.parent_tree.get(key)) if key is not None else None
            if entry is not None and (mcid >= len(entry) or not isinstance(entry[mcid], pikepdf.Dictionary)
                                      or entry[mcid].objgen != element.objgen):
                self.errors.append(f"ERROR content {mcid} of {self.type_of[ident(element)]} is not listed under key {key}")
        next_key = self.root.get("/ParentTreeNextKey")
        keys = list(self.parent_tree) + list(used)
        if keys and (next_key is None or int(next_key) <= max(keys)):
            self.errors.append("ERROR /ParentTreeNextKey is not past the last key")

    def check_ids(self):
        for key, element in self.element_ids.items():
            if key not in self.ids or self.ids[key].objgen != element.objgen:
                self.errors.append(f"ERROR ID {key!r} is not in /IDTree")
        for cell, names in self.headers:
            for header in names:
                target = self.ids.get(header)
                if target is None or self.type_of.get(ident(target)) != "TH":
                    self.errors.append(f"ERROR /Headers {header!r} names no TH")
                elif self.table_of(target) != self.table_of(cell):
                    self.errors.append(f"ERROR /Headers {header!r} names a TH of another table")

    def table_of(self, element):
        while element is not None and self.type_of.get(ident(element)) != "Table":
            element = self.parent_of.get(ident(element))
        return None if element is None else ident(element)


def check(path):
    """The file's reading as print_reading prints it: lang, tagged (None or the /MarkInfo flags),
    element lines and faults."""
    pdf = pikepdf.open(path)
    reading = {"lang": str(pdf.Root.get("/Lang", "")), "tagged": None, "elements": [], "errors": []}
    root = pdf.Root.get("/StructTreeRoot")
    if root is None:
        return reading
    mark_info = pdf.Root.get("/MarkInfo", {})
    reading["tagged"] = [flag for flag in ("Suspects", "UserProperties") if mark_info.get("/" + flag)]
    structure = Structure(pdf, root, reading["errors"])
    structure.walk(reading["lang"])
    structure.check_parent_tree()
    structure.check_ids()
    if not mark_info.get("/Marked", False):
        reading["errors"].append("ERROR /MarkInfo /Marked is not true")
    reading["elements"] = structure.lines
    return reading


def print_reading(path):
    reading = check(path)
    print(f"file={path}\nlang={reading['lang']}")
    if reading["tagged"] is not None:
        print(" ".join(["tagged"] + reading["tagged"]))
    for line in reading["elements"] + reading["errors"]:
        print(line)


def read_with_poppler(path, reading):
    """Adds poppler's structure text (without IDs, /Headers and object numbers, which a merge
    changes) and the text of each page."""
    def run(*command):
        return subprocess.run(command, capture_output=True, text=True).stdout
    changing = re.compile(r"^ *(/Headers |Object [0-9]+ [0-9]+$)")
    reading["struct_text"] = [re.sub(r" <[^>]*>", "", line)
                              for line in run("pdfinfo", "-struct-text", path).splitlines()
                              if not changing.search(line)]
    reading["pages"] = [page.strip() for page in run("pdftotext", path, "-").split("\f")[:-1]]
    if not reading["pages"] or (not reading["struct_text"]) == (reading["tagged"] is not None):
        reading["errors"].append(f"ERROR poppler did not read {path}")
    return reading


def expected_merge(inputs):
    """How a merge of the inputs reads: one Document, in the first input's language, holding each
    input in order: its top element, a Part around its top elements when it has several, or a
    NonStruct over the pages of an untagged input, whose text is read in place."""
    lang = inputs[0]["lang"]
    tagged = [read["tagged"] for read in inputs if read["tagged"] is not None]
    merged = {"lang": lang, "elements": [], "struct_text": [], "errors": [],
              "pages": [page for read in inputs for page in read["pages"]],
              "tagged": None if not tagged else
              [flag for flag in ("Suspects", "UserProperties") if any(flag in flags for flags in tagged)]}
    if merged["tagged"] is None:
        return merged
    merged["elements"].append(f"Document[{lang}]")
    merged["struct_text"].append("Document")
    for read in inputs:
        if read["tagged"] is None:
            merged["struct_text"] += ["  NonStruct"] + [f'    "{page}"' for page in read["pages"]]
            merged["elements"].append(f"  NonStruct[{read['lang']}] " + ",".join("mc" for _ in read["pages"]))
            continue
        tops = sum(1 for line in read["elements"] if not line.startswith(" "))
        indent = "    " if tops > 1 else "  "
        if tops > 1:
            merged["elements"].append(f"  Part[{lang}]")
            merged["struct_text"].append("  Part")
        merged["elements"] += [indent + line for line in read["elements"]]
        merged["struct_text"] += [indent + line for line in read["struct_text"]]
    return merged


def differences(merged_path, input_paths, with_struct_text):
    """What in the merged file differs from how the merge of the inputs must read, one entry per
    difference; every fault found in the merged file is one. Poppler's structure text is compared
    only with_struct_text (poppler reads a broken input its own way)."""
    merged = read_with_poppler(merged_path, check(merged_path))
    expected = expected_merge([read_with_poppler(path, check(path)) for path in input_paths])
    found = list(merged["errors"])
    for key in ("lang", "tagged", "elements", "pages") + (("struct_text",) if with_struct_text else ()):
        got, want = merged[key], expected[key]
        if got != want and isinstance(got, list) and isinstance(want, list):
            at = next((i for i, (a, b) in enumerate(zip(got, want)) if a != b), min(len(got), len(want)))
            got, want = got[at:at + 1], want[at:at + 1]
            key = f"{key} line {at + 1}"
        if got != want:
            found.append(f"{key}: {got!r} instead of {want!r}")
    return found


if __name__ == "__main__":
    if sys.argv[1:2] == ["--merge"] or sys.argv[1:2] == ["--merge-without-struct-text"]:
        for line in differences(sys.argv[2], sys.argv[3:], sys.argv[1] == "--merge"):
            print(line)
    else:
        for path in sys.argv[1:]:
            print_reading(path)
