"""Prints a PDF's outline, one item per line in document order: its level (0 at the top), the
title, " -> " and the page number its destination lands on (1-based; "?" when it lands on no
page), then " +" for an open item with children, " -" for a closed one. Every link that does not agree
with the tree (/Parent, /Prev, /Next, /First, /Last, /Count, an item reached twice) adds a line
starting with "ERROR". The walk is iterative, so deep and wide outlines are fine.

usage: outline_check.py FILE
       outline_check.py make FILE TAG PAGES ITEMS

The second form writes a file of PAGES pages showing TAG1, TAG2, ... with the outline ITEMS, a
JSON list of [title, depth, page, open] in document order, linked and counted as a careful
writer does.
"""
import json
import sys

import pikepdf


def ref(obj):
    return None if obj is None else obj.objgen


def main(path):
    pdf = pikepdf.open(path)
    page_numbers = {page.obj.objgen: n for n, page in enumerate(pdf.pages, 1)}
    errors = []
    seen = set()

    def children(node, name):
        kids, prev, item = [], None, node.get("/First")
        while item is not None:
            if not isinstance(item, pikepdf.Dictionary) or item.objgen in seen:
                errors.append(f"ERROR {name}: item reached twice or not a dictionary")
                break
            seen.add(item.objgen)
            if ref(item.get("/Parent")) != node.objgen:
                errors.append(f"ERROR {item.get('/Title')}: /Parent is not its parent")
            if ref(item.get("/Prev")) != ref(prev):
                errors.append(f"ERROR {item.get('/Title')}: /Prev is not the item before it")
            kids.append(item)
            prev, item = item, item.get("/Next")
        if ref(node.get("/Last")) != ref(prev):
            errors.append(f"ERROR {name}: /Last is not its last child")
        return kids

    def page_of(item):
        dest = item.get("/Dest")
        if dest is None and "/A" in item and item.A.get("/S") == "/GoTo":
            dest = item.A.get("/D")
        if isinstance(dest, pikepdf.Array) and len(dest) > 0 and isinstance(dest[0], pikepdf.Dictionary):
            return str(page_numbers.get(dest[0].objgen, "?"))
        return "?"

    root = pdf.Root.get("/Outlines")
    if root is None:
        return
    lines, order = [], []
    # Depth-first, children in order, with an explicit stack of (item, depth).
    stack = [(item, 0) for item in reversed(children(root, "root"))]
    kids_of = {root.objgen: None}
    while stack:
        item, depth = stack.pop()
        kids = children(item, str(item.get("/Title")))
        kids_of[item.objgen] = kids
        order.append((item, depth))
        count = item.get("/Count")
        mark = "" if not kids else (" +" if count is not None and int(count) > 0 else " -")
        lines.append(f"{depth} {item.get('/Title')} -> {page_of(item)}{mark}")
        stack.extend((kid, depth + 1) for kid in reversed(kids))

    # Visible descendants, children before parents.
    visible = {}
    for item, _ in reversed(order):
        total = 0
        for kid in kids_of[item.objgen]:
            total += 1
            if int(kid.get("/Count", 0)) > 0:
                total += visible[kid.objgen]
        visible[item.objgen] = total
        count = item.get("/Count")
        if not kids_of[item.objgen]:
            if count is not None and int(count) != 0:
                errors.append(f"ERROR {item.get('/Title')}: /Count without children")
        elif count is None or abs(int(count)) != total:
            errors.append(f"ERROR {item.get('/Title')}: /Count is not {total} or -{total}")
    total = 0
    for item, depth in order:
        if depth == 0:
            total += 1 + (visible[item.objgen] if int(item.get("/Count", 0)) > 0 else 0)
    if int(root.get("/Count", 0)) != total:
        errors.append(f"ERROR root: /Count is not {total}")
    print("\n".join(lines + errors))


def make(path, tag, pages, items):
    pdf = pikepdf.new()
    font = pdf.make_indirect(pikepdf.Dictionary(Type=pikepdf.Name.Font, Subtype=pikepdf.Name.Type1,
                                                BaseFont=pikepdf.Name.Helvetica))
    for n in range(1, pages + 1):
        pdf.add_blank_page(page_size=(300, 300))
        pdf.pages[-1].Resources = pikepdf.Dictionary(Font=pikepdf.Dictionary(F1=font))
        pdf.pages[-1].Contents = pdf.make_stream(f"BT /F1 24 Tf 20 20 Td ({tag}{n}) Tj ET".encode())
    root = pdf.make_indirect(pikepdf.Dictionary(Type=pikepdf.Name.Outlines))
    nodes, kids, chain = [], {id(root): []}, [root]
    for title, depth, page, is_open in items:
        del chain[depth + 1:]
        item = pdf.make_indirect(pikepdf.Dictionary(Title=title, Parent=chain[-1],
                                                    Dest=[pdf.pages[page - 1].obj, pikepdf.Name.Fit]))
        kids[id(chain[-1])].append(item)
        kids[id(item)] = []
        nodes.append((item, is_open))
        chain.append(item)
    visible = {}
    for node, is_open in reversed([(root, True)] + nodes):  # children before their parents
        siblings = kids[id(node)]
        visible[id(node)] = sum(1 + (visible[id(kid)] if int(kid.get("/Count", 0)) > 0 else 0) for kid in siblings)
        if siblings:
            node.First, node.Last = siblings[0], siblings[-1]
            node.Count = visible[id(node)] if is_open else -visible[id(node)]
        for before, after in zip(siblings, siblings[1:]):
            before.Next, after.Prev = after, before
    pdf.Root.Outlines = root
    pdf.save(path)


if __name__ == "__main__":
    if sys.argv[1] == "make":
        make(sys.argv[2], sys.argv[3], int(sys.argv[4]), json.loads(sys.argv[5]))
    else:
        main(sys.argv[1])
