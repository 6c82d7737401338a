#!/usr/bin/env bash
# varnello-merge.exe under Wine merges 2,000 inputs: more than the C runtime there keeps open at
# once (512), so the merge must not hold every input open until the write. qpdf and pdftotext
# check the output.
#   exe_many_inputs.sh VARNELLO_MERGE_EXE
set -euo pipefail
exe="$(realpath "$1")"
root="$(cd "$(dirname "$0")/../.." && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"

/usr/bin/python3 - <<'PY'
import pikepdf
for n in range(2000):
    pdf = pikepdf.new()
    pdf.add_blank_page(page_size=(200, 200))
    font = pdf.make_indirect(pikepdf.Dictionary(Type=pikepdf.Name.Font, Subtype=pikepdf.Name.Type1,
                                                BaseFont=pikepdf.Name.Helvetica))
    page = pdf.pages[0]
    page.Resources = pikepdf.Dictionary(Font=pikepdf.Dictionary(F1=font))
    page.Contents = pdf.make_stream(b"BT /F1 12 Tf 20 100 Td (page %d) Tj ET" % n)
    pdf.save("%04d.pdf" % n)
PY

names=()
for n in $(seq -f %04g 0 1999); do names+=("$n.pdf"); done
"$root/tools/wine-run.sh" "$exe" out.pdf "${names[@]}" >log.txt 2>&1 || { cat log.txt; exit 1; }
qpdf --check out.pdf >/dev/null
pages=$(qpdf --show-npages out.pdf)
[ "$pages" = 2000 ] || { echo "$pages pages instead of 2000"; exit 1; }
for n in 1 1000 2000; do
    text=$(pdftotext -f $n -l $n out.pdf - | tr -d '\f\n ')
    [ "$text" = "page$((n - 1))" ] || { echo "page $n reads '$text'"; exit 1; }
done
echo "2000 inputs merged in order"
