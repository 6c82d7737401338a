#!/usr/bin/python3
"""make_zip.py FOLDER ZIP TIMESTAMP: zips FOLDER (as the zip's one top folder) reproducibly.

Text files get Windows line ends; SHA256SUMS.txt lists the SHA-256 of every other file. Entries
are sorted, every entry carries TIMESTAMP (seconds since 1970, the commit's time), fixed
attributes and no extra fields, so the same files always give the same bytes.
"""

import hashlib
import os
import sys
import time
import zipfile


def main():
    folder, target, timestamp = sys.argv[1], sys.argv[2], int(sys.argv[3])
    top = os.path.basename(os.path.normpath(folder))
    files = {}
    for root, _, names in os.walk(folder):
        for name in names:
            path = os.path.join(root, name)
            relative = os.path.relpath(path, folder).replace(os.sep, "/")
            with open(path, "rb") as handle:
                data = handle.read()
            if relative.lower().endswith(".txt"):
                data = data.replace(b"\r\n", b"\n").replace(b"\n", b"\r\n")
            files[relative] = data
    files["SHA256SUMS.txt"] = b"".join(
        b"%s  %s\r\n" % (hashlib.sha256(data).hexdigest().encode(), name.encode())
        for name, data in sorted(files.items()))

    # Zip times are local, two-second steps, from 1980 on.
    date_time = time.gmtime(max(timestamp, 315532800))[:6]
    partial = target + ".part"
    with zipfile.ZipFile(partial, "w") as archive:
        for name in sorted(files):
            entry = zipfile.ZipInfo(top + "/" + name, date_time)
            entry.compress_type = zipfile.ZIP_DEFLATED
            entry.create_system = 3  # Unix attributes: readable files when unzipped there too
            entry.external_attr = 0o100644 << 16
            archive.writestr(entry, files[name], compresslevel=9)
    os.replace(partial, target)


if __name__ == "__main__":
    main()
