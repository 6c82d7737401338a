#include "tests/merge/PdfFixtures.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>

namespace fs = std::filesystem;
using namespace PoDoFo;

TempFolder::TempFolder() {
    std::random_device random;
    while (m_dir.empty()) {
        const fs::path dir = fs::temp_directory_path() / ("varnello-merge-" + std::to_string(random()));
        m_dir = fs::create_directory(dir) ? dir.string() : "";
    }
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    fs::remove_all(m_dir, ignored);
}

std::string TempFolder::Path(const std::string& name) const {
    // Joined as bytes: the name may be ANSI text that a path object would take for UTF-8.
    return m_dir + static_cast<char>(fs::path::preferred_separator) + name;
}

Lines TempFolder::Entries() const {
    Lines names;
    for (const auto& entry : fs::directory_iterator(m_dir)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

namespace {

void WriteDocument(const std::string& path, const std::vector<std::string>& pageTexts, bool withOutline,
                   const std::function<void(PdfMemDocument&)>& beforeWrite = nullptr) {
    PdfMemDocument document;
    PdfFont* font = document.CreateFont("Helvetica");
    PdfOutlineItem* last = nullptr;
    for (const std::string& text : pageTexts) {
        PdfPage* page = document.CreatePage(PdfPage::CreateStandardPageSize(ePdfPageSize_A4));
        PdfPainter painter;
        painter.SetPage(page);
        painter.SetFont(font);
        painter.DrawText(56, 700, text.c_str());
        painter.FinishPage();
        if (withOutline) {
            const PdfString title(text.c_str());
            last = last ? last->CreateNext(title, PdfDestination(page))
                        : document.GetOutlines()->CreateRoot(title);
            last->SetDestination(PdfDestination(page));
        }
    }
    if (beforeWrite) {
        beforeWrite(document);
    }
    document.Write(path.c_str());
}

} // namespace

void WritePdf(const std::string& path, const std::vector<std::string>& pageTexts, bool withOutline) {
    WriteDocument(path, pageTexts, withOutline);
}

void WriteEncryptedPdf(const std::string& path, const std::string& text, const std::string& userPassword,
                       PdfEncrypt::EPdfEncryptAlgorithm algorithm, PdfEncrypt::EPdfKeyLength keyLength) {
    WriteDocument(path, {text}, false, [&](PdfMemDocument& document) {
        document.SetEncrypted(userPassword, "owner-secret", PdfEncrypt::ePdfPermissions_Print, algorithm,
                              keyLength);
    });
}

RawPdf& RawPdf::Add(int number, const std::string& body, const std::string& stream, int header) {
    std::string text = body;
    if (!stream.empty()) {
        text = body.substr(0, body.rfind(">>")) + " /Length " + std::to_string(stream.size()) +
               " >>\nstream\n" + stream + "\nendstream";
    }
    m_offsets[number] = m_bytes.size();
    m_bytes += std::to_string(header ? header : number) + " 0 obj\n" + text + "\nendobj\n";
    return *this;
}

const std::string RawPdf::kRawFont = "/Resources << /Font << /F1 99 0 R >> >>";

RawPdf& RawPdf::Page(int number, int parent, const std::string& text, const std::string& extra) {
    if (!m_offsets.count(99)) {
        Add(99, "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
    }
    Add(number + 100, "<< >>", "BT /F1 24 Tf 20 20 Td (" + text + ") Tj ET");
    return Add(number, "<< /Type /Page /Parent " + std::to_string(parent) + " 0 R /Contents " +
                           std::to_string(number + 100) + " 0 R " + extra + " >>");
}

std::string RawPdf::File() const {
    const int size = m_offsets.empty() ? 1 : m_offsets.rbegin()->first + 1;
    std::string file = m_bytes + "xref\n0 " + std::to_string(size) + "\n";
    for (int n = 0; n < size; ++n) {
        const auto at = m_offsets.find(n);
        char entry[32];
        if (at == m_offsets.end()) {
            snprintf(entry, sizeof entry, "0000000000 %05d f \n", n ? 1 : 65535);
        } else {
            snprintf(entry, sizeof entry, "%010zu 00000 n \n", at->second);
        }
        file += entry;
    }
    return file + "trailer\n<< /Size " + std::to_string(size) + " /Root 1 0 R >>\nstartxref\n" +
           std::to_string(m_bytes.size()) + "\n%%EOF\n";
}

RawPdf FlatPdf(const std::vector<std::string>& texts, const std::string& catalogExtra) {
    RawPdf pdf;
    std::string kids;
    for (size_t i = 0; i < texts.size(); ++i) {
        kids += std::to_string(3 + i) + " 0 R ";
    }
    pdf.Add(1, "<< /Type /Catalog /Pages 2 0 R " + catalogExtra + " >>");
    pdf.Add(2, "<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(texts.size()) +
                   " /MediaBox [0 0 300 300] >>");
    for (size_t i = 0; i < texts.size(); ++i) {
        pdf.Page(static_cast<int>(3 + i), 2, texts[i]);
    }
    return pdf;
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

PathList::PathList(const std::vector<std::string>& names) : list(*new ZuvVector<ZuvAnsi2*>()) {
    for (const std::string& name : names) {
        list.Append(new ZuvAnsi2(name.c_str()));
    }
}

PathList::~PathList() {
    list.DestroyOwning();
}

MergeRunResult MergeRun(const std::vector<std::string>& inputs, const std::string& output,
                        const std::function<void()>& beforeWrite) {
    PathList list(inputs);
    ZuvAnsi2 title;
    ZuvAnsi2 report;
    const MergeOutcome outcome = MergeFiles(list.list, output.c_str(), title, report, beforeWrite);
    return {outcome, title.Text(), report.Text()};
}

IntakeRunResult IntakeRun(const std::vector<std::string>& candidates) {
    PathList list(candidates);
    ZuvVector<ZuvAnsi2*> accepted;
    ZuvAnsi2 title;
    ZuvAnsi2 report;
    IntakeRunResult run{ValidateFiles(list.list, accepted, title, report), {}, title.Text(), report.Text()};
    for (uint32_t i = 0; i < accepted.Count(); ++i) {
        run.accepted.push_back(accepted[i]->Text());
    }
    return run;
}
