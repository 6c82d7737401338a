#!/usr/bin/env bash
# varnello-merge.exe under Wine keeps every input's bookmarks and form fields, as the native
# merge does: nested and wide outlines land on each input's own pages, clashing field names are
# renamed per input, the same file added twice keeps both copies apart. It reports through its
# exit code and console, reads a name in another script as it was typed, opens files protected
# by an owner password only (RC4 as AES: the static build's OpenSSL provides both) and keeps
# tagged files tagged; names in any script reach Windows as they are spelled (the code page is
# UTF-8), and however the first input is spelled as the output, it is replaced in one step, no
# temporary file left. pikepdf and qpdf read the output on the build machine.
#   exe_fidelity.sh VARNELLO_MERGE_EXE
set -euo pipefail
exe="$(realpath "$1")"
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"

# a: two pages, a nested outline and a field; b: 300 bookmarks at one level and a field whose
# name clashes with a's; c: a closed bookmark with a child and a field inside a parent.
/usr/bin/python3 - "$here" <<'PY'
import sys
sys.path.insert(0, sys.argv[1])
import catalog_pdf, pikepdf
from pikepdf import OutlineItem

def item(title, page, kids=(), closed=False):
    node = OutlineItem(title, page)
    node.children.extend(kids)
    node.is_closed = closed
    return node

inputs = {
    "a": ({"tag": "A", "pages": 2, "fields": [{"name": "name", "value": "Ann", "page": 2}]},
          [item("A intro", 0, [item("A detail", 1, [item("A deep", 1)])]), item("A end", 1)]),
    "b": ({"tag": "B", "pages": 2, "fields": [{"name": "name", "value": "Bob"}]},
          [item("B %d" % n, n % 2) for n in range(300)]),
    "c": ({"tag": "C", "fields": [{"name": "person", "kids": [{"name": "city", "value": "Rome"}]}]},
          [item("C closed", 0, [item("C inside", 0)], closed=True)]),
}
for name, (description, outline) in inputs.items():
    catalog_pdf.make(name + ".pdf", description)
    with pikepdf.open(name + ".pdf", allow_overwriting_input=True) as pdf:
        with pdf.open_outline() as root:
            root.root.extend(outline)
        pdf.save()
PY

order=(a b c a)
"$root/tools/wine-run.sh" "$exe" out.pdf "${order[@]/%/.pdf}" >log.txt 2>&1 || { cat log.txt; exit 1; }
qpdf --check out.pdf >/dev/null

# The merged outline is the inputs' outlines one after another, each page number moved by the
# pages of the inputs before it.
offset=0
for name in "${order[@]}"; do
    /usr/bin/python3 "$here/outline_check.py" "$name.pdf" |
        awk -v offset=$offset '{ for (i = 1; i <= NF; i++) if ($(i - 1) == "->") $i += offset; print }'
    offset=$((offset + $(qpdf --show-npages "$name.pdf")))
done >expected-outline.txt
/usr/bin/python3 "$here/outline_check.py" out.pdf >outline.txt
diff -u expected-outline.txt outline.txt

cat >expected-fields.txt <<'EOF'
field name = Ann on A2@2 font /Helvetica q 0
field name-2 = Bob on B1@3 font /Helvetica q 0
field person.city = Rome on C1@5 font /Helvetica q 0
field name-4 = Ann on A2@7 font /Helvetica q 0
form need False sigflags 0 xfa False
EOF
/usr/bin/python3 "$here/catalog_pdf.py" facts out.pdf fields >fields.txt
diff -u expected-fields.txt fields.txt

# The same messages as the native tool, with the console's line ends.
export LC_ALL=C.UTF-8
merge() { "$root/tools/wine-run.sh" "$exe" "$@" >log.txt 2>&1 && echo 0 >>log.txt || echo $? >>log.txt; }
expect() { printf "$1" | diff -u - log.txt; }
cp a.pdf "Отчёт.pdf"
qpdf --allow-weak-crypto --encrypt '' owner-secret 40 -- b.pdf rc4.pdf
qpdf --encrypt '' owner-secret 256 -- c.pdf aes.pdf
merge sealed.pdf "Отчёт.pdf" rc4.pdf aes.pdf
expect 'File is successfully saved.\r\n0\n'
qpdf --check sealed.pdf >/dev/null
[ "$(qpdf --show-npages sealed.pdf)" = 5 ] || { echo "sealed.pdf: not 5 pages"; exit 1; }
merge none.pdf "Отчёт за май.pdf"
expect 'Following files could not be merged, probably because they are not valid PDF files:\r\nОтчёт за май.pdf\r\n\r\nNo file is saved.\r\n2\n'
cp "$here"/tagged/*.pdf .
merge tagged.pdf report.pdf bericht.pdf report.pdf
expect 'File is successfully saved.\r\n0\n'
faults=$(/usr/bin/python3 "$here/structure_check.py" --merge tagged.pdf report.pdf bericht.pdf report.pdf 2>&1)
[ -z "$faults" ] || { echo "$faults"; exit 1; }

# FIRST|SECOND|OUTPUT|the file that holds the merge
mkdir sub
for names in "café.pdf|résumé final.pdf|fusionné.pdf|fusionné.pdf" "Отчёт.pdf|Σύνοψη.pdf|报告 📄.pdf|报告 📄.pdf" \
    "x.pdf|b.pdf|X.PDF|x.pdf" "x.pdf|b.pdf|sub/../x.pdf|x.pdf" "x.pdf|b.pdf|sub\\..\\x.pdf|x.pdf"; do
    IFS='|' read -r first second output merged <<<"$names"
    cp a.pdf "$first"
    [ -e "$second" ] || cp b.pdf "$second"
    merge "$output" "$first" "$second"
    expect 'File is successfully saved.\r\n0\n'
    [ "$(qpdf --show-npages "$merged")" = 4 ] || { echo "$output: $merged is not the merged file"; exit 1; }
    rm "$merged"
    [ -z "$(ls | grep -e '\.0\.pdf$' -e '^X\.PDF')" ] || { echo "$output: a file was left"; exit 1; }
done
echo "bookmarks ($(wc -l <outline.txt)) and fields of ${#order[@]} inputs kept; reports, names, encryption, tags"
