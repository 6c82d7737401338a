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

RawPdf::RawPdf(const std::string& header) : m_bytes(header) {}

size_t RawPdf::Object(int number, const std::string& body, int generation) {
    const size_t offset = m_bytes.size();
    m_bytes += std::to_string(number) + " " + std::to_string(generation) + " obj\n" + body + "\nendobj\n";
    m_direct[number] = {offset, generation};
    m_compressed.erase(number);
    return offset;
}

size_t RawPdf::ObjectStream(int number, const std::vector<std::pair<int, std::string>>& objects) {
    std::string head;
    std::string data;
    for (const auto& object : objects) {
        head += std::to_string(object.first) + " " + std::to_string(data.size()) + " ";
        data += object.second + "\n";
    }
    const std::string entries =
        "/Type /ObjStm /N " + std::to_string(objects.size()) + " /First " + std::to_string(head.size());
    const size_t offset = Object(number, Stream(entries, head + data));
    for (size_t i = 0; i < objects.size(); ++i) {
        m_compressed[objects[i].first] = {number, static_cast<int>(i)};
        m_direct.erase(objects[i].first);
    }
    return offset;
}

std::vector<RawPdf::Entry> RawPdf::Entries() const {
    std::vector<Entry> entries = {{0, 'f', 0, 65535}};
    for (const auto& object : m_direct) {
        entries.push_back({object.first, 'n', object.second.first, object.second.second});
    }
    for (const auto& object : m_compressed) {
        entries.push_back(
            {object.first, 'c', static_cast<size_t>(object.second.first), object.second.second});
    }
    std::sort(entries.begin(), entries.end(),
              [](const Entry& a, const Entry& b) { return a.number < b.number; });
    return entries;
}

namespace {

// Runs of consecutive numbers: (first, count) pairs.
std::vector<std::pair<int, int>> Runs(const std::vector<RawPdf::Entry>& entries) {
    std::vector<std::pair<int, int>> runs;
    for (const RawPdf::Entry& entry : entries) {
        if (!runs.empty() && runs.back().first + runs.back().second == entry.number) {
            ++runs.back().second;
        } else {
            runs.push_back({entry.number, 1});
        }
    }
    return runs;
}

std::string IndexArray(const std::vector<RawPdf::Entry>& entries) {
    std::string index = "[";
    for (const auto& run : Runs(entries)) {
        index += " " + std::to_string(run.first) + " " + std::to_string(run.second);
    }
    return index + " ]";
}

} // namespace

size_t RawPdf::Table(const std::vector<Entry>& entries, const std::string& trailer, const std::string& eol) {
    const size_t offset = m_bytes.size();
    m_bytes += "xref\n";
    size_t next = 0;
    for (const auto& run : Runs(entries)) {
        m_bytes += std::to_string(run.first) + " " + std::to_string(run.second) + "\n";
        for (int i = 0; i < run.second; ++i, ++next) {
            const Entry& entry = entries[next];
            // A compressed object is free to a reader of the table alone.
            const bool used = entry.type == 'n';
            char line[32];
            snprintf(line, sizeof line, "%010zu %05d %c", used || entry.type == 'f' ? entry.field2 : 0,
                     entry.type == 'c' ? 65535 : entry.field3, used ? 'n' : 'f');
            m_bytes += line + eol;
        }
    }
    m_bytes += "trailer\n<< " + trailer + " >>\n";
    return offset;
}

std::string RawPdf::XRefRows(const std::vector<Entry>& entries, const std::array<int, 3>& widths) {
    std::string rows;
    for (const Entry& entry : entries) {
        const unsigned long long fields[3] = {entry.type == 'f'   ? 0u
                                              : entry.type == 'n' ? 1u
                                                                  : 2u,
                                              entry.field2, static_cast<unsigned long long>(entry.field3)};
        for (int f = 0; f < 3; ++f) {
            for (int byte = widths[f] - 1; byte >= 0; --byte) {
                rows += static_cast<char>(byte < 8 ? (fields[f] >> (8 * byte)) & 0xFF : 0);
            }
        }
    }
    return rows;
}

size_t RawPdf::XRefStream(int number, std::vector<Entry> entries, const std::string& dictionary,
                          const std::array<int, 3>& widths) {
    const size_t offset = m_bytes.size();
    entries.erase(
        std::remove_if(entries.begin(), entries.end(), [&](const Entry& e) { return e.number == number; }),
        entries.end());
    entries.push_back({number, 'n', offset, 0});
    std::sort(entries.begin(), entries.end(),
              [](const Entry& a, const Entry& b) { return a.number < b.number; });
    const std::string entriesText = "/Type /XRef /Size " + std::to_string(entries.back().number + 1) +
                                    " /W [" + std::to_string(widths[0]) + " " + std::to_string(widths[1]) +
                                    " " + std::to_string(widths[2]) + "] /Index " + IndexArray(entries) +
                                    " " + dictionary;
    Object(number, Stream(entriesText, XRefRows(entries, widths)));
    return offset;
}

void RawPdf::StartXRef(size_t offset) {
    m_bytes += "startxref\n" + std::to_string(offset) + "\n%%EOF\n";
}

std::string RawPdf::Stream(const std::string& entries, const std::string& data) {
    return "<< " + entries + " /Length " + std::to_string(data.size()) + " >>\nstream\n" + data +
           "\nendstream";
}

int RawPagesLastObject(size_t pages) {
    return 3 + 2 * static_cast<int>(pages);
}

void RawPages(RawPdf& pdf, const std::vector<std::string>& texts, int compressed) {
    std::string kids;
    for (size_t i = 0; i < texts.size(); ++i) {
        kids += std::to_string(4 + 2 * i) + " 0 R ";
    }
    std::vector<std::pair<int, std::string>> objects = {
        {1, "<< /Type /Catalog /Pages 2 0 R >>"},
        {2, "<< /Type /Pages /Kids [ " + kids + "] /Count " + std::to_string(texts.size()) + " >>"},
        {3, "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"}};
    for (size_t i = 0; i < texts.size(); ++i) {
        const int page = static_cast<int>(4 + 2 * i);
        objects.push_back(
            {page, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Resources << /Font << "
                   "/F1 3 0 R >> >> /Contents " +
                       std::to_string(page + 1) + " 0 R >>"});
    }
    if (compressed) {
        pdf.ObjectStream(compressed, objects);
    } else {
        for (const auto& object : objects) {
            pdf.Object(object.first, object.second);
        }
    }
    for (size_t i = 0; i < texts.size(); ++i) {
        pdf.Object(static_cast<int>(5 + 2 * i),
                   RawPdf::Stream("", "BT /F1 24 Tf 72 700 Td (" + texts[i] + ") Tj ET"));
    }
}

std::string Replaced(const std::string& text, const std::string& from, const std::string& to) {
    const size_t at = text.find(from);
    if (at == std::string::npos) {
        throw std::runtime_error("no \"" + from + "\" to replace");
    }
    return text.substr(0, at) + to + text.substr(at + from.size());
}

RawPdf& RawPdf::Add(int number, const std::string& body, const std::string& stream, int header) {
    std::string text = body;
    if (!stream.empty()) {
        text = body.substr(0, body.rfind(">>")) + " /Length " + std::to_string(stream.size()) +
               " >>\nstream\n" + stream + "\nendstream";
    }
    m_direct[number] = {m_bytes.size(), 0};
    m_compressed.erase(number);
    m_bytes += std::to_string(header ? header : number) + " 0 obj\n" + text + "\nendobj\n";
    return *this;
}

const std::string RawPdf::kRawFont = "/Resources << /Font << /F1 99 0 R >> >>";

RawPdf& RawPdf::Page(int number, int parent, const std::string& text, const std::string& extra) {
    if (!m_direct.count(99)) {
        Add(99, "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
    }
    Add(number + 100, "<< >>", "BT /F1 24 Tf 20 20 Td (" + text + ") Tj ET");
    return Add(number, "<< /Type /Page /Parent " + std::to_string(parent) + " 0 R /Contents " +
                           std::to_string(number + 100) + " 0 R " + extra + " >>");
}

std::string RawPdf::File() const {
    RawPdf file = *this;
    std::vector<Entry> entries;
    const int size = m_direct.empty() ? 1 : m_direct.rbegin()->first + 1;
    for (int n = 0; n < size; ++n) {
        const auto at = m_direct.find(n);
        entries.push_back(at == m_direct.end() ? Entry{n, 'f', 0, n ? 1 : 65535}
                                               : Entry{n, 'n', at->second.first, at->second.second});
    }
    file.StartXRef(file.Table(entries, "/Size " + std::to_string(size) + " /Root 1 0 R", " \n"));
    return file.m_bytes;
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
