#include "tests/merge/PdfFixtures.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;
using namespace PoDoFo;

TempFolder::TempFolder() {
    std::random_device random;
    for (int attempt = 0; attempt < 100 && m_dir.empty(); ++attempt) {
        const fs::path dir = fs::temp_directory_path() / ("varnello-merge-" + std::to_string(random()));
        if (fs::create_directory(dir)) {
            m_dir = dir.string();
        }
    }
    if (m_dir.empty()) {
        throw std::runtime_error("no temporary folder");
    }
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    // A test may have left a folder without write access behind.
    for (const auto& entry : fs::recursive_directory_iterator(m_dir, ignored)) {
        fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    }
    fs::remove_all(m_dir, ignored);
}

std::string TempFolder::Path(const std::string& name) const {
    // Joined as bytes: the name may be ANSI text that a path object would take for UTF-8.
    return m_dir + static_cast<char>(fs::path::preferred_separator) + name;
}

std::vector<std::string> TempFolder::Entries() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(m_dir)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

namespace {

void AddPages(PdfMemDocument& document, const std::vector<std::string>& pageTexts, bool withOutline) {
    PdfFont* font = document.CreateFont("Helvetica");
    PdfOutlineItem* last = nullptr;
    for (const std::string& text : pageTexts) {
        PdfPage* page = document.CreatePage(PdfPage::CreateStandardPageSize(ePdfPageSize_A4));
        PdfPainter painter;
        painter.SetPage(page);
        painter.SetFont(font);
        painter.DrawText(56, 700, text.c_str());
        painter.FinishPage();
        if (!withOutline) {
            continue;
        }
        const PdfString title(text.c_str());
        last =
            last ? last->CreateNext(title, PdfDestination(page)) : document.GetOutlines()->CreateRoot(title);
        last->SetDestination(PdfDestination(page));
    }
}

} // namespace

void WritePdf(const std::string& path, const std::vector<std::string>& pageTexts, bool withOutline) {
    PdfMemDocument document;
    AddPages(document, pageTexts, withOutline);
    document.Write(path.c_str());
}

void WriteEncryptedPdf(const std::string& path, const std::string& text, const std::string& userPassword,
                       PdfEncrypt::EPdfEncryptAlgorithm algorithm, PdfEncrypt::EPdfKeyLength keyLength) {
    PdfMemDocument document;
    AddPages(document, {text}, false);
    document.SetEncrypted(userPassword, "owner-secret", PdfEncrypt::ePdfPermissions_Print, algorithm,
                          keyLength);
    document.Write(path.c_str());
}

RawPdf& RawPdf::Add(int number, const std::string& body, const std::string& stream, int header) {
    std::string text = body;
    if (!stream.empty()) {
        text = body.substr(0, body.rfind(">>")) + " /Length " + std::to_string(stream.size()) +
               " >>\nstream\n" + stream + "\nendstream";
    }
    m_objects.push_back({number, header ? header : number, text});
    return *this;
}

const std::string RawPdf::kRawFont = "/Resources << /Font << /F1 99 0 R >> >>";

RawPdf& RawPdf::Page(int number, int parent, const std::string& text, const std::string& extra) {
    if (std::none_of(m_objects.begin(), m_objects.end(), [](const Object& o) { return o.number == 99; })) {
        Add(99, "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
    }
    Add(number + 100, "<< >>", "BT /F1 24 Tf 20 20 Td (" + text + ") Tj ET");
    return Add(number, "<< /Type /Page /Parent " + std::to_string(parent) + " 0 R /Contents " +
                           std::to_string(number + 100) + " 0 R " + extra + " >>");
}

std::string RawPdf::Bytes() const {
    std::string out = "%PDF-1.4\n%\xe2\xe3\xcf\xd3\n";
    std::map<int, size_t> offsets;
    for (const Object& object : m_objects) {
        offsets[object.number] = out.size();
        out += std::to_string(object.header) + " 0 obj\n" + object.text + "\nendobj\n";
    }
    const int size = offsets.empty() ? 1 : offsets.rbegin()->first + 1;
    const size_t xref = out.size();
    out += "xref\n0 " + std::to_string(size) + "\n";
    char entry[32];
    for (int n = 0; n < size; ++n) {
        const auto at = offsets.find(n);
        if (at == offsets.end()) {
            snprintf(entry, sizeof entry, "0000000000 %05d f \n", n ? 1 : 65535);
        } else {
            snprintf(entry, sizeof entry, "%010zu 00000 n \n", at->second);
        }
        out += entry;
    }
    out += "trailer\n<< /Size " + std::to_string(size) + " /Root 1 0 R >>\nstartxref\n" +
           std::to_string(xref) + "\n%%EOF\n";
    return out;
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    if (!out.flush()) {
        throw std::runtime_error("cannot write " + path);
    }
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

int PageCountByPoDoFo(const std::string& path) {
    PdfMemDocument document(path.c_str(), false);
    return document.GetPageCount();
}

PathList::PathList(const std::vector<std::string>& names) : m_list(new ZuvVector<ZuvAnsi2*>()) {
    for (const std::string& name : names) {
        m_list->Append(new ZuvAnsi2(name.c_str()));
    }
}

PathList::~PathList() {
    m_list->DestroyOwning();
}

MergeRunResult MergeRun(const std::vector<std::string>& inputs, const std::string& output,
                        const std::function<void()>& beforeWrite) {
    PathList list(inputs);
    ZuvAnsi2 title;
    ZuvAnsi2 report;
    const MergeOutcome outcome = MergeFiles(list.Get(), output.c_str(), title, report, beforeWrite);
    return {outcome, title.Text(), report.Text()};
}
