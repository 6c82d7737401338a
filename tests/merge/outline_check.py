"""Prints a PDF's outline, one item per line in document order: its level (0 at the top), the
title, " -> " and the page number its destination lands on (1-based; "?" when it lands on no
page), then " +" for an open item with children, " -" for a closed one. Every link that does not agree
with the tree (/Parent, /Prev, /Next, /First, /Last, /Count, an item reached twice) adds a line
starting with "ERROR". The walk is iterative, so deep and wide outlines are fine.

usage: outline_check.py FILE
"""
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


if __name__ == "__main__":
    main(sys.argv[1])
