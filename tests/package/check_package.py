#!/usr/bin/python3
"""The release zip as a user downloads it: tools/package.sh builds it (twice, for the
reproducibility check), and each check reads it as an unzip tool and Windows' loader would.

Prints one line per check and then ctest's summary line, which tools/test-all.sh counts.
"""

import hashlib
import os
import re
import struct
import subprocess
import sys
import tempfile
import zipfile

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
VERSION = re.search(r"project\(Varnello VERSION ([0-9.]+)",
                    open(os.path.join(ROOT, "CMakeLists.txt")).read()).group(1)
TOP = "varnello-%s-win32/" % VERSION

# Every licence text, with a phrase that shows it is the right one.
LICENCES = {
    "podofo-COPYING.LIB.txt": b"GNU LIBRARY GENERAL PUBLIC LICENSE",
    "freetype-LICENSE.TXT": b"FREETYPE LICENSES",
    "freetype-FTL.TXT": b"The FreeType Project LICENSE",
    "libidn-COPYING.txt": b"Libidn COPYING",
    "libidn-COPYING.LESSERv3.txt": b"GNU LESSER GENERAL PUBLIC LICENSE",
    "libidn-COPYINGv3.txt": b"GNU GENERAL PUBLIC LICENSE",
    "libunistring-COPYING.LIB.txt": b"GNU LESSER GENERAL PUBLIC LICENSE",
    "libunistring-COPYING.txt": b"GNU GENERAL PUBLIC LICENSE",
    "openssl-LICENSE.txt": b"Apache License",
    "zlib-copyright.txt": b"Jean-loup Gailly",
    "mingw-w64-copyright.txt": b"mingw-w64",
    "gcc-copyright.txt": b"GCC RUNTIME LIBRARY EXCEPTION",
}
EXES = {"varnello.exe": 2, "varnello-merge.exe": 3}  # name: PE subsystem (GUI, console)
NAMES = sorted([TOP + n for n in list(EXES) + ["README.txt", "SHA256SUMS.txt", "licenses/NOTICE.txt"]] +
               [TOP + "licenses/" + n for n in LICENCES])


def build(folder):
    out = subprocess.run([os.path.join(ROOT, "tools", "package.sh"), folder], capture_output=True,
                         check=True).stdout.decode().strip().splitlines()[-1]
    return out


def pe_header(data):
    """(machine, characteristics, time stamp, symbol table, subsystem, section names)."""
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    assert data[pe:pe + 4] == b"PE\0\0"
    machine, sections, stamp, symbol_table, symbols, optional_size, characteristics = struct.unpack_from(
        "<HHIIIHH", data, pe + 4)
    subsystem = struct.unpack_from("<H", data, pe + 24 + 68)[0]
    table = pe + 24 + optional_size
    names = [data[table + 40 * i:table + 40 * i + 8].rstrip(b"\0") for i in range(sections)]
    # A name longer than eight bytes ("/4") is an offset into the string table after the symbols.
    strings = symbol_table + 18 * symbols
    names = [data[strings + int(n[1:]):data.index(b"\0", strings + int(n[1:]))] if n.startswith(b"/") else n
             for n in names]
    return machine, characteristics, stamp, symbols, subsystem, names


def check_entries(archive, _):
    names = archive.namelist()
    assert names == sorted(names), "entries not sorted"
    assert sorted(names) == NAMES, sorted(set(names) ^ set(NAMES))
    for entry in archive.infolist():
        assert entry.extra == b"" and entry.comment == b"", entry.filename
        assert entry.date_time == archive.infolist()[0].date_time, entry.filename


def check_programs(archive, _):
    for name, subsystem in EXES.items():
        data = archive.read(TOP + name)
        machine, characteristics, stamp, symbols, kind, sections = pe_header(data)
        assert machine == 0x14C, "%s: not i386" % name
        assert characteristics & 0x20, "%s: not large address aware" % name
        assert symbols == 0 and not any(s.startswith(b".debug") for s in sections), \
            "%s: not stripped %r" % (name, sections)
        assert stamp == 0, "%s: link time in the header" % name
        assert kind == subsystem, "%s: subsystem %d" % (name, kind)
        assert re.search(rb"<activeCodePage[^>]*>UTF-8</activeCodePage>", data), "%s: no UTF-8 code page" % name


def check_texts(archive, _):
    for name, phrase in LICENCES.items():
        assert phrase in archive.read(TOP + "licenses/" + name), name
    notice = archive.read(TOP + "licenses/NOTICE.txt")
    for name in LICENCES:
        assert name.encode() in notice, "NOTICE.txt does not name " + name
    assert b"@" not in re.sub(rb"[\w.-]+@[\w.-]+", b"", notice), "a placeholder is left in NOTICE.txt"
    readme = archive.read(TOP + "README.txt")
    assert b"varnello-merge OUTPUT INPUT..." in readme and b"@" not in readme
    for name in archive.namelist():
        if name.endswith((".txt", ".TXT")):
            text = archive.read(name)
            assert text.count(b"\n") == text.count(b"\r\n") > 0, name + ": line ends"


def check_checksums(archive, _):
    lines = archive.read(TOP + "SHA256SUMS.txt").decode().splitlines()
    listed = {}
    for line in lines:
        digest, name = line.split("  ", 1)
        listed[TOP + name] = digest
    assert sorted(listed) == [n for n in NAMES if not n.endswith("SHA256SUMS.txt")]
    for name, digest in listed.items():
        assert hashlib.sha256(archive.read(name)).hexdigest() == digest, name


def check_reproducible(archive, first):
    with tempfile.TemporaryDirectory() as again:
        second = build(again)
        assert open(first, "rb").read() == open(second, "rb").read(), "a second build differs"


CHECKS = [
    ("one top folder with the programs, README.txt, the licences and the checksums, sorted, "
     "without extra fields", check_entries),
    ("both programs are stripped 32-bit exes, large address aware, with the UTF-8 code page",
     check_programs),
    ("licence texts of every library, named in NOTICE.txt; Windows line ends", check_texts),
    ("SHA256SUMS.txt matches every other file", check_checksums),
    ("a second build gives the same bytes", check_reproducible),
]


def main():
    failed = 0
    with tempfile.TemporaryDirectory() as folder:
        try:
            path = build(folder)
        except subprocess.CalledProcessError as problem:
            print("FAIL tools/package.sh\n" + problem.stderr.decode())
            print("0% tests passed, 1 tests failed out of 1")
            return 1
        print("built " + os.path.basename(path))
        with zipfile.ZipFile(path) as archive:
            for name, check in CHECKS:
                try:
                    check(archive, path)
                    print("PASS " + name, flush=True)
                except Exception as problem:  # every failure is reported, the other checks still run
                    failed += 1
                    print("FAIL %s\n%s" % (name, problem), flush=True)
    passed = len(CHECKS) - failed
    print("%d%% tests passed, %d tests failed out of %d" % (100 * passed // len(CHECKS), failed, len(CHECKS)))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
