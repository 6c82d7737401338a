#include "tests/merge/DamagedPdfs.h"

#include "merge/PdfLayer.h"
#include "tests/merge/PdfFixtures.h"
#include "tests/merge/PdfTools.h"

#include <cstdio>
#include <stdexcept>

namespace {

using PoDoFo::PdfEncrypt;

const std::vector<std::string> kTexts = {"D1", "D2", "D3"};
const std::vector<std::string> kUpdated = {"E1", "D2", "D3"};
const std::vector<std::string> kSealed = {"K1"};
const std::vector<std::string> kNone;
const std::string kTrailer = "/Size " + std::to_string(RawPagesLastObject(3) + 1) + " /Root 1 0 R";

// Where the files that qpdf and PoDoFo encrypt are made.
const std::string& Scratch() {
    static const TempFolder folder;
    return folder.Dir();
}

RawPdf Document() {
    RawPdf pdf;
    RawPages(pdf, kTexts);
    return pdf;
}

std::string Classic(const std::string& eol = "\r\n") {
    RawPdf pdf = Document();
    pdf.StartXRef(pdf.Table(pdf.Entries(), kTrailer, eol));
    return pdf.Bytes();
}

// Ten digits, so that an offset filled in later keeps every other offset where it was.
std::string Padded(size_t offset) {
    char text[16];
    snprintf(text, sizeof text, "%010zu", offset);
    return text;
}

// The document, then an update that gives page 1 the text "E1": object 5 is written again and
// listed by a second section, whose /Prev points `shift` bytes beside the first section. The first
// section's /Prev is `loop` (given both sections' offsets), or none for 0. Both sections are
// streams with `streams`.
std::string Updated(long shift, size_t (*loop)(size_t, size_t) = nullptr, bool streams = false) {
    RawPdf pdf = Document();
    const std::string placeholder = " /Prev 9999999999";
    const std::string trailer = streams ? "/Root 1 0 R" : kTrailer;
    const size_t first = streams ? pdf.XRefStream(10, pdf.Entries(), trailer + placeholder)
                                 : pdf.Table(pdf.Entries(), trailer + placeholder);
    pdf.StartXRef(first);
    pdf.Object(5, RawPdf::Stream("", "BT /F1 24 Tf 72 700 Td (E1) Tj ET"));
    const std::vector<RawPdf::Entry> update = {{5, 'n', pdf.OffsetOf(5), 0}};
    const std::string prev = " /Prev " + Padded(first + shift);
    const size_t second =
        streams ? pdf.XRefStream(11, update, trailer + prev) : pdf.Table(update, trailer + prev);
    pdf.StartXRef(second);
    const size_t firstPrev = loop ? loop(first, second) : 0;
    return Replaced(pdf.Bytes(), placeholder,
                    firstPrev ? " /Prev " + Padded(firstPrev) : std::string(placeholder.size(), ' '));
}

// The document with its table's entries changed by `change`.
std::string WithEntries(void (*change)(std::vector<RawPdf::Entry>&)) {
    RawPdf pdf = Document();
    std::vector<RawPdf::Entry> entries = pdf.Entries();
    change(entries);
    pdf.StartXRef(pdf.Table(entries, kTrailer));
    return pdf.Bytes();
}

template <long shift> void Shift(std::vector<RawPdf::Entry>& entries) {
    for (RawPdf::Entry& entry : entries) {
        entry.field2 += entry.type == 'n' ? shift : 0;
    }
}

// A hybrid file: the pages are in an object stream that only the /XRefStm stream lists.
std::string Hybrid() {
    RawPdf pdf;
    RawPages(pdf, kTexts, 10);
    const size_t stream = pdf.XRefStream(11, pdf.Entries(), "");
    pdf.StartXRef(pdf.Table(pdf.Entries(), "/Size 12 /Root 1 0 R /XRefStm " + std::to_string(stream)));
    return pdf.Bytes();
}

std::string StreamWithWidths(const std::array<int, 3>& widths, long startShift = 0) {
    RawPdf pdf;
    RawPages(pdf, kTexts, 10);
    pdf.StartXRef(pdf.XRefStream(11, pdf.Entries(), "/Root 1 0 R", widths) + startShift);
    return pdf.Bytes();
}

// A cross-reference stream for the document whose rows are `rows` under /W `widths` and /Index `index`.
std::string WithXRefStream(const std::string& widths, const std::string& index, size_t cut = 0,
                           const std::string& extra = "") {
    RawPdf pdf = Document();
    std::vector<RawPdf::Entry> entries = pdf.Entries();
    const size_t offset = pdf.Size();
    entries.push_back({10, 'n', offset, 0});
    const std::string rows = RawPdf::XRefRows(entries, {1, 4, 2});
    pdf.Object(10, RawPdf::Stream("/Type /XRef /Size 11 /Root 1 0 R /W " + widths + " /Index " + index,
                                  rows.substr(0, rows.size() - cut) + extra));
    pdf.StartXRef(offset);
    return pdf.Bytes();
}

std::string WithStartXRef(const std::string& bytes, long shift) {
    const size_t at = bytes.rfind("startxref\n") + 10;
    const size_t end = bytes.find('\n', at);
    return bytes.substr(0, at) + std::to_string(std::stol(bytes.substr(at, end - at)) + shift) +
           bytes.substr(end);
}

std::string Cut(const std::string& bytes, const std::string& at, size_t keep = 0) {
    return bytes.substr(0, bytes.rfind(at) + keep);
}

std::string Junk(size_t size) {
    std::string junk;
    while (junk.size() < size) {
        junk += "not part of the document ";
    }
    return junk.substr(0, size - 1) + "\n";
}

// "\n" becomes "\r\n" everywhere, as a text-mode transfer does: every offset after the first line
// end drifts further.
std::string CrLf(const std::string& bytes) {
    std::string converted;
    for (char c : bytes) {
        converted += c == '\n' ? std::string("\r\n") : std::string(1, c);
    }
    return converted;
}

// A comment inserted after the header line moves every object and section.
std::string Shifted(const std::string& bytes) {
    return Replaced(bytes, "\n", "\n%moved\n");
}

// `bytes` with `text` blanked out: offsets stay where they were.
std::string Blanked(const std::string& bytes, const std::string& text) {
    return Replaced(bytes, text, std::string(text.size(), ' '));
}

std::string EncryptedByQpdf(const std::string& userPassword, int bits, bool aes) {
    const std::string plain = Scratch() + "/plain-for-qpdf.pdf";
    const std::string encrypted = Scratch() + "/encrypted-by-qpdf.pdf";
    WriteBytes(plain, Classic());
    QpdfEncrypt(plain, encrypted, userPassword, bits, aes);
    return ReadBytes(encrypted);
}

std::string EncryptedByPoDoFo(PdfEncrypt::EPdfEncryptAlgorithm algorithm, PdfEncrypt::EPdfKeyLength length) {
    const std::string path = Scratch() + "/encrypted-by-podofo.pdf";
    StartPdfLayer();
    WriteEncryptedPdf(path, "K1", "", algorithm, length);
    return ReadBytes(path);
}

// The document with an encryption dictionary (object 10) made of these entries.
std::string WithEncryption(const std::string& entries,
                           const std::string& id = "[<0123456789ABCDEF> <0123>]") {
    RawPdf pdf = Document();
    pdf.Object(10, "<< /Filter /Standard " + entries + " >>");
    pdf.StartXRef(pdf.Table(pdf.Entries(), "/Size 11 /Root 1 0 R /Encrypt 10 0 R /ID " + id));
    return pdf.Bytes();
}

std::string Hex(size_t bytes) {
    return "<" + std::string(2 * bytes, 'A') + ">";
}

const std::string kRc4 = "/V 2 /R 3 /Length 128 /P -4 /O ";
const std::string kAes256 = "/V 5 /R 6 /Length 256 /P -4 /CF << /StdCF << /CFM /AESV3 /Length 32 >> >> "
                            "/StmF /StdCF /StrF /StdCF /O " +
                            Hex(48);

// The document and a string of `size` bytes after it.
RawPdf WithFiller(size_t size) {
    RawPdf pdf = Document();
    pdf.Object(20, "(" + std::string(size, 'x') + ")");
    return pdf;
}

// The document and an object numbered in the hundred thousands: every number below it is free.
std::string Sparse() {
    RawPdf pdf = Document();
    pdf.Object(300000, "(far)");
    pdf.StartXRef(pdf.Table(pdf.Entries(), "/Size 300001 /Root 1 0 R"));
    return pdf.Bytes();
}

// The document with page 1's content stream given a /Length of -5, and more than 4 KiB after it.
std::string NegativeLength() {
    RawPdf pdf = WithFiller(6000);
    pdf.StartXRef(pdf.Table(pdf.Entries(), "/Size 21 /Root 1 0 R"));
    return Replaced(pdf.Bytes(), "/Length 33", "/Length -5");
}

// The first stream of the file one byte longer than its data, which an AES cipher cannot give.
std::string StreamOneByteLonger(const std::string& bytes) {
    const size_t at = bytes.rfind("/Length ", bytes.find(">>\nstream")) + 8;
    const size_t end = bytes.find_first_not_of("0123456789", at);
    const std::string length = std::to_string(std::stol(bytes.substr(at, end - at)) + 1);
    if (length.size() != end - at) {
        throw std::runtime_error("the stream's length changes its number of digits");
    }
    return bytes.substr(0, at) + length + bytes.substr(end);
}

// The encrypted hex string after `key` turned into a literal string of the same size in the file,
// whose length (odd) no cipher gives.
std::string LiteralOfOddLength(const std::string& bytes, const std::string& key) {
    const size_t at = bytes.find(key + "<") + key.size();
    const size_t end = bytes.find('>', at) + 1;
    return bytes.substr(0, at) + "(" + std::string(end - at - 3, 'A') + ") " + bytes.substr(end);
}

// An unlisted, stale copy of page 1's content after the end of the file. A reader that follows
// the cross-reference data shows page 1 as the table lists it; one that rebuilds the table takes
// the last copy in the file and shows "STALE": so the files with this tail show that their slips
// were tolerated, not rebuilt over.
const std::string kStaleCopy =
    "5 0 obj\n" + RawPdf::Stream("", "BT /F1 24 Tf 72 700 Td (STALE) Tj ET") + "\nendobj\n";

std::string Stale(const std::string& bytes) {
    return bytes + kStaleCopy;
}

} // namespace

std::string WithoutStaleCopy(const std::string& bytes) {
    const bool stale = bytes.size() >= kStaleCopy.size() &&
                       bytes.compare(bytes.size() - kStaleCopy.size(), kStaleCopy.size(), kStaleCopy) == 0;
    return stale ? bytes.substr(0, bytes.size() - kStaleCopy.size()) : bytes;
}

const std::vector<DamagedPdf>& DamagedPdfs() {
    const auto loop = [](size_t, size_t second) { return second; };
    const auto self = [](size_t first, size_t) { return first; };
    const auto swap = [](std::vector<RawPdf::Entry>& e) { std::swap(e[4].field2, e[6].field2); };
    static const std::vector<DamagedPdf> files = {
        {"sound", [] { return Classic(); }, kTexts},
        {"19-byte entries", [] { return Stale(Classic("\n")); }, kTexts},
        {"entries ended by a lone CR", [] { return Stale(Classic("\r")); }, kTexts},
        {"startxref 3 bytes early", [] { return Stale(WithStartXRef(Classic(), -3)); }, kTexts},
        {"startxref 2 bytes late", [] { return Stale(WithStartXRef(Classic(), 2)); }, kTexts},
        {"startxref past the end", [] { return WithStartXRef(Classic(), 100000); }, kTexts},
        {"startxref missing", [] { return Blanked(Classic(), "startxref"); }, kTexts},
        {"xref stream 3 bytes early",
         [] {
             return Stale(StreamWithWidths({1, 4, 2}, -3));
         },
         kTexts},
        {"/Prev 4 bytes early", [] { return Stale(Updated(-4)); }, kUpdated},
        {"/Prev 3 bytes late", [] { return Stale(Updated(3)); }, kUpdated},
        {"/Prev chain loops", [=] { return Stale(Updated(0, loop)); }, kUpdated},
        {"/Prev points at its own section", [=] { return Stale(Updated(0, self)); }, kUpdated},
        {"xref stream /Prev chain loops", [=] { return Stale(Updated(0, loop, true)); }, kUpdated},
        {"trailer missing", [] { return Replaced(Classic(), "trailer\n<< " + kTrailer + " >>\n", ""); },
         kTexts},
        {"trailer cut short", [] { return Cut(Classic(), "/Root", 3); }, kTexts},
        {"trailer without /Root", [] { return Blanked(Classic(), "/Root 1 0 R"); }, kTexts},
        {"xref cut short", [] { return Cut(Classic(), "0000000000 65535 f", 30); }, kTexts},
        {"file cut short after its last object", [] { return Document().Bytes(); }, kTexts},
        // Longer than the blocks the file is scanned in.
        {"cut short, larger than 64 KiB", [] { return WithFiller(70000).Bytes(); }, kTexts},
        // The page tree read from the rebuilt table is walked, not counted.
        {"cut short, /Count too low", [] { return Replaced(Document().Bytes(), "/Count 3", "/Count 1"); },
         kTexts},
        {"stray bytes before the header", [] { return Stale(Junk(300) + Classic()); }, kTexts},
        {"junk after %%EOF", [] { return Classic() + Junk(5000); }, kTexts},
        {"entries 7 bytes late", [] { return Stale(WithEntries(Shift<7>)); }, kTexts},
        {"entries 12 bytes early", [] { return Stale(WithEntries(Shift<-12>)); }, kTexts},
        {"two entries swapped", [=] { return Stale(WithEntries(swap)); }, kTexts},
        {"objects moved by inserted bytes", [] { return Stale(Shifted(Classic())); }, kTexts},
        {"line ends converted to CRLF", [] { return Stale(CrLf(Classic())); }, kTexts},
        {"hybrid file with /XRefStm", [] { return Stale(Hybrid()); }, kTexts},
        {"xref stream with 8-byte offsets",
         [] {
             return Stale(StreamWithWidths({1, 8, 2}));
         },
         kTexts},
        {"encrypted, objects moved", [] { return Shifted(EncryptedByQpdf("", 128, true)); }, kTexts},
        {"encrypted, trailer lost", [] { return Cut(EncryptedByQpdf("", 128, false), "\nxref\n"); }, kTexts,
         true},
        {"user password, objects moved", [] { return Shifted(EncryptedByQpdf("secret", 128, true)); }, kTexts,
         true},
        {"no objects at all", [] { return std::string("%PDF-1.4\nnothing else\n"); }, kNone, true},
        // Crafted: encryption that cannot be authenticated refuses the file, and a cross-reference
        // stream that cannot be read is rebuilt from the objects like any damaged file.
        {"RC4 /O shorter than 32 bytes", [] { return WithEncryption(kRc4 + Hex(4) + " /U " + Hex(32)); },
         kNone, true},
        {"RC4 /U shorter than 32 bytes", [] { return WithEncryption(kRc4 + Hex(32) + " /U " + Hex(31)); },
         kNone, true},
        {"/ID with no strings", [] { return WithEncryption(kRc4 + Hex(32) + " /U " + Hex(32), "[]"); }, kNone,
         true},
        {"AES-256 /U shorter than 48 bytes",
         [] {
             return WithEncryption(kAes256 + " /U " + Hex(32) + " /OE " + Hex(32) + " /UE " + Hex(32) +
                                   " /Perms " + Hex(16));
         },
         kNone, true},
        {"AES-256 without /Perms",
         [] { return WithEncryption(kAes256 + " /U " + Hex(48) + " /OE " + Hex(32) + " /UE " + Hex(32)); },
         kNone, true},
        {"AES-256 without /OE",
         [] { return WithEncryption(kAes256 + " /U " + Hex(48) + " /UE " + Hex(32) + " /Perms " + Hex(16)); },
         kNone, true},
        {"RC4 128-bit key without /Length",
         [] { return Blanked(EncryptedByQpdf("", 128, false), "/Length 128"); }, kNone, true},
        // The PDF default for a missing /Length is 40 bits.
        {"RC4 40-bit key without /Length",
         [] {
             return Blanked(
                 EncryptedByPoDoFo(PdfEncrypt::ePdfEncryptAlgorithm_RC4V2, PdfEncrypt::ePdfKeyLength_40),
                 "/Length 40");
         },
         kSealed},
        {"xref stream rows run past its data", [] { return WithXRefStream("[1 4 2]", "[0 11]", 3); }, kTexts},
        {"xref stream /Index beyond its data", [] { return WithXRefStream("[1 4 2]", "[0 11 100 5000]"); },
         kTexts},
        {"xref stream field 9 bytes wide",
         [] { return WithXRefStream("[1 9 1]", "[0 11]", 0, std::string(44, '\0')); }, kTexts},
        {"xref stream without fields", [] { return WithXRefStream("[0 0 0]", "[0 2000000]"); }, kTexts},
        {"xref stream with a negative /Index", [] { return WithXRefStream("[1 4 2]", "[-5 11]"); }, kTexts},
        {"an object numbered in the hundred thousands", [] { return Sparse(); }, kTexts},
        {"stream with a negative /Length", [] { return NegativeLength(); }, kNone, true, true},
        {"AES-256 stream one byte longer than a cipher gives",
         [] {
             return StreamOneByteLonger(
                 EncryptedByPoDoFo(PdfEncrypt::ePdfEncryptAlgorithm_AESV3, PdfEncrypt::ePdfKeyLength_256));
         },
         kNone, true, true},
        // The object holding the string is dropped as broken; the pages do not need it.
        {"AES-128 string of a length no cipher gives",
         [] {
             return LiteralOfOddLength(
                 EncryptedByPoDoFo(PdfEncrypt::ePdfEncryptAlgorithm_AESV2, PdfEncrypt::ePdfKeyLength_128),
                 "/CreationDate");
         },
         kSealed},
    };
    return files;
}
