#!/usr/bin/python3
"""The shipped 32-bit build as a user meets it, run under Wine and checked with qpdf and poppler:

- varnello.exe starts with its 32-bit caption and ends on Esc with exit code 0;
- varnello-merge.exe merges three PDFs protected by an owner password only (RC4 40-bit, RC4
  128-bit, AES-256) in order, into a file that qpdf finds clean;
- an input locked by a user password is listed, and the exit code is 1.

Usage: shipped_build.py BUILD_DIR (build/win32), with a display (tools/with-xvfb.sh). Short
enough for a machine that runs 32-bit programs only through qemu. Prints one line per check and
then ctest's summary line, which tools/test-all.sh counts.
"""

import os
import subprocess
import sys
import tempfile

import pikepdf

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
WINE_RUN = os.path.join(ROOT, "tools", "wine-run.sh")
# A first start under qemu boots the prefix: minutes.
TIMEOUT = 1800


def write_pdf(path, text):
    pdf = pikepdf.new()
    font = pdf.make_indirect(pikepdf.Dictionary(Type=pikepdf.Name.Font, Subtype=pikepdf.Name.Type1,
                                                BaseFont=pikepdf.Name.Helvetica))
    content = pikepdf.Stream(pdf, b"BT /F1 24 Tf 72 700 Td (%s) Tj ET" % text.encode())
    pdf.pages.append(pikepdf.Page(pikepdf.Dictionary(
        Type=pikepdf.Name.Page, MediaBox=[0, 0, 612, 792], Contents=content,
        Resources=pikepdf.Dictionary(Font=pikepdf.Dictionary(F1=font)))))
    pdf.save(path)


def write_protected_pdf(path, text, revision, user=""):
    """Revision 2 is RC4 40-bit, 3 RC4 128-bit, 6 AES-256."""
    write_pdf(path + ".plain", text)
    with pikepdf.open(path + ".plain") as pdf:
        pdf.save(path, encryption=pikepdf.Encryption(owner="owner-secret", user=user, R=revision,
                                                      aes=revision >= 4, metadata=revision >= 4))
    os.remove(path + ".plain")


def run(args, cwd):
    # The window test's waits, made for a machine that runs 32-bit programs directly, stretched
    # for one that runs them through qemu.
    environment = dict(os.environ, VARNELLO_TEST_PATIENCE="60")
    return subprocess.run([WINE_RUN] + args, cwd=cwd, capture_output=True, timeout=TIMEOUT, env=environment)


def page_texts(pdf):
    out = subprocess.run(["pdftotext", "-layout", pdf, "-"], capture_output=True, check=True).stdout
    return [page.strip().decode() for page in out.split(b"\f") if page.strip()]


def report_of(result):
    return (result.stdout + result.stderr).decode(errors="replace").replace("\r\n", "\n")


def check_window(build, folder):
    result = run([os.path.join(build, "tests", "app", "app_exe_test.exe"),
                  "--gtest_filter=Exe.ShowsTheMainWindowWithItsCaptionControlsAndButtonStates:"
                  "Exe.EscEndsItWithExitCodeZero"], folder)
    assert result.returncode == 0, report_of(result)


def check_protected_inputs(build, folder):
    for name, text, revision in (("rc4-40.pdf", "one", 2), ("rc4-128.pdf", "two", 3),
                                 ("aes-256.pdf", "three", 6)):
        write_protected_pdf(os.path.join(folder, name), text, revision)
    result = run([os.path.join(build, "merge", "varnello-merge.exe"), "merged.pdf",
                  "rc4-40.pdf", "rc4-128.pdf", "aes-256.pdf"], folder)
    assert result.returncode == 0, report_of(result)
    assert report_of(result) == "File is successfully saved.\n", report_of(result)
    merged = os.path.join(folder, "merged.pdf")
    check = subprocess.run(["qpdf", "--check", merged], capture_output=True)
    assert check.returncode == 0, check.stdout.decode() + check.stderr.decode()
    assert page_texts(merged) == ["one", "two", "three"], page_texts(merged)


def check_user_password(build, folder):
    write_pdf(os.path.join(folder, "open.pdf"), "open")
    write_protected_pdf(os.path.join(folder, "locked.pdf"), "locked", 3, user="user-secret")
    result = run([os.path.join(build, "merge", "varnello-merge.exe"), "out.pdf",
                  "open.pdf", "locked.pdf"], folder)
    assert result.returncode == 1, report_of(result)
    assert report_of(result) == (
        "Following files could not be merged, probably because they are not valid PDF files:\n"
        "locked.pdf\n\nFile is saved but there are some errors.\n"), report_of(result)
    assert page_texts(os.path.join(folder, "out.pdf")) == ["open"]


CHECKS = [
    ("varnello.exe shows its 32-bit caption and ends on Esc with 0", check_window),
    ("varnello-merge.exe merges owner-password RC4-40, RC4-128 and AES-256 inputs in order",
     check_protected_inputs),
    ("varnello-merge.exe lists a user-password input and exits with 1", check_user_password),
]


def main():
    build = os.path.abspath(sys.argv[1])
    failed = 0
    for name, check in CHECKS:
        with tempfile.TemporaryDirectory(prefix="varnello-smoke-") as folder:
            try:
                check(build, folder)
                print("PASS " + name, flush=True)
            except (AssertionError, subprocess.SubprocessError) as problem:
                failed += 1
                print("FAIL %s\n%s" % (name, problem), flush=True)
    passed = len(CHECKS) - failed
    print("%d%% tests passed, %d tests failed out of %d" % (100 * passed // len(CHECKS), failed, len(CHECKS)))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
