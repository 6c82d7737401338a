// Intake validation on real files: what enters the list and what the "Error" box says.

#include "merge/Intake.h"
#include "tests/merge/PdfFixtures.h"
#include "tests/merge/PdfTools.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

const std::string kHeading =
    "Following files could not be added, probably because they are not valid PDF files:\r\n";

struct Intake {
    IntakeResult result;
    std::vector<std::string> accepted;
    std::string title;
    std::string report;
};

Intake Validate(const std::vector<std::string>& names) {
    PathList candidates(names);
    ZuvVector<ZuvAnsi2*> accepted;
    ZuvAnsi2 title;
    ZuvAnsi2 report;
    Intake intake{ValidateFiles(candidates.Get(), accepted, title, report), {}, title.Text(), report.Text()};
    for (uint32_t i = 0; i < accepted.Count(); ++i) {
        intake.accepted.push_back(accepted[i]->Text());
    }
    return intake;
}

class IntakeTest : public ::testing::Test {
protected:
    std::string Pdf(const std::string& name, const std::string& text = "page") {
        const std::string path = m_folder.Path(name);
        WritePdf(path, {text});
        return path;
    }
    std::string File(const std::string& name, const std::string& bytes) {
        const std::string path = m_folder.Path(name);
        WriteBytes(path, bytes);
        return path;
    }

    TempFolder m_folder;
};

TEST_F(IntakeTest, ValidFilesAreAcceptedInBatchOrderWithoutReport) {
    const std::vector<std::string> names = {Pdf("c.pdf"), Pdf("a.pdf"), Pdf("b.pdf")};
    const Intake intake = Validate(names);
    EXPECT_EQ(intake.result, IntakeDone);
    EXPECT_EQ(intake.accepted, names);
    EXPECT_EQ(intake.report, "");
    EXPECT_EQ(intake.title, "Error");
}

TEST_F(IntakeTest, RefusedFileIsNamedAndTheOthersKeepTheirOrder) {
    const std::string a = Pdf("a.pdf");
    const std::string bad = File("bad.pdf", "not a pdf");
    const std::string c = Pdf("c.pdf");
    const Intake intake = Validate({a, bad, c});
    EXPECT_EQ(intake.result, IntakeDone);
    EXPECT_EQ(intake.accepted, (std::vector<std::string>{a, c}));
    EXPECT_EQ(intake.title, "Error");
    EXPECT_EQ(intake.report, kHeading + bad + "\r\n");
}

TEST_F(IntakeTest, EmptyBatchDoesNothing) {
    const Intake intake = Validate({});
    EXPECT_EQ(intake.result, IntakeEmpty);
    EXPECT_TRUE(intake.accepted.empty());
    EXPECT_EQ(intake.title, "");
    EXPECT_EQ(intake.report, "");
}

TEST_F(IntakeTest, SameFileTwiceIsAcceptedTwice) {
    const std::string a = Pdf("a.pdf");
    EXPECT_EQ(Validate({a, a}).accepted, (std::vector<std::string>{a, a}));
}

TEST_F(IntakeTest, EveryKindOfUnreadableFileIsRefused) {
    const std::string valid = Pdf("valid.pdf");
    const std::string whole = ReadBytes(valid);
    const std::string protectedPdf = m_folder.Path("user-password.pdf");
    QpdfEncrypt(valid, protectedPdf, "user-secret", 256);
    std::string noise(3000, '\0');
    for (size_t i = 0; i < noise.size(); ++i) {
        noise[i] = static_cast<char>((i * 7919 + 13) % 251);
    }
    std::filesystem::create_directory(m_folder.Path("folder.pdf"));
    const std::vector<std::string> refused = {
        File("empty.pdf", ""),
        File("truncated.pdf", whole.substr(0, whole.size() / 2)),
        File("noise.pdf", noise),
        File("page.pdf", "<!DOCTYPE html>\n<html><body><p>Not found</p></body></html>\n"),
        protectedPdf,
        m_folder.Path("folder.pdf"),
        m_folder.Path("missing.pdf"),
    };
    const Intake intake = Validate(refused);
    EXPECT_EQ(intake.result, IntakeDone);
    EXPECT_TRUE(intake.accepted.empty());
    std::string expected = kHeading;
    for (const std::string& name : refused) {
        expected += name + "\r\n";
    }
    EXPECT_EQ(intake.report, expected);
}

TEST_F(IntakeTest, OwnerPasswordOnlyFilesAreAcceptedWithRc4AndAes) {
    const std::string plain = Pdf("plain.pdf");
    std::vector<std::string> names;
    for (const auto& [name, bits, aes] :
         {std::make_tuple("rc4-40.pdf", 40, false), std::make_tuple("rc4-128.pdf", 128, false),
          std::make_tuple("aes-128.pdf", 128, true), std::make_tuple("aes-256.pdf", 256, true)}) {
        names.push_back(m_folder.Path(name));
        QpdfEncrypt(plain, names.back(), "", bits, aes);
    }
    const Intake intake = Validate(names);
    EXPECT_EQ(intake.accepted, names);
    EXPECT_EQ(intake.report, "");
}

TEST_F(IntakeTest, NameWithSpacesAndAccentsIsAccepted) {
    std::filesystem::create_directory(m_folder.Path("Dossier \xc3\xa9t\xc3\xa9"));
    const std::string name = Pdf("Dossier \xc3\xa9t\xc3\xa9/r\xc3\xa9sum\xc3\xa9 final 2.pdf");
    EXPECT_EQ(Validate({name}).accepted, std::vector<std::string>{name});
}

// Hundreds of refused names: the batch runs to its end, so a valid file after them still enters
// the list, and the report stays a readable size.
TEST_F(IntakeTest, ManyRefusedNamesKeepTheReportBounded) {
    const std::string longPart(180, 'x');
    std::vector<std::string> names;
    for (int i = 0; i < 400; ++i) {
        names.push_back(m_folder.Path(longPart + std::to_string(i) + ".pdf"));
    }
    const std::string valid = Pdf("valid.pdf");
    names.push_back(valid);

    const Intake intake = Validate(names);
    EXPECT_EQ(intake.result, IntakeDone);
    EXPECT_EQ(intake.accepted, std::vector<std::string>{valid});
    std::string expected = kHeading;
    for (uint32_t i = 0; i < kIntakeListedNames; ++i) {
        expected += names[i] + "\r\n";
    }
    expected += "And " + std::to_string(400 - kIntakeListedNames) + " more files could not be added.\r\n";
    EXPECT_EQ(intake.report, expected);
}

TEST_F(IntakeTest, VeryLongNamesAreCutByTheReportSize) {
    std::vector<std::string> names;
    for (int i = 0; i < 20; ++i) {
        names.push_back(m_folder.Path(std::string(990, 'a' + i)));
    }
    const Intake intake = Validate(names);
    EXPECT_LT(intake.report.size(), 10000u);
    size_t listed = 0;
    while (listed < names.size() && intake.report.find(names[listed] + "\r\n") != std::string::npos) {
        ++listed;
    }
    EXPECT_GT(listed, 0u);
    EXPECT_LT(listed, names.size());
    const std::string closing =
        "And " + std::to_string(names.size() - listed) + " more files could not be added.\r\n";
    EXPECT_EQ(intake.report.substr(intake.report.size() - closing.size()), closing);
}

TEST_F(IntakeTest, OneUnlistedNameIsCountedInTheSingular) {
    std::vector<std::string> names;
    for (uint32_t i = 0; i <= kIntakeListedNames; ++i) {
        names.push_back(m_folder.Path("missing" + std::to_string(i) + ".pdf"));
    }
    const std::string report = Validate(names).report;
    EXPECT_NE(report.find(names[kIntakeListedNames - 1] + "\r\n"), std::string::npos);
    EXPECT_EQ(report.find(names[kIntakeListedNames]), std::string::npos);
    EXPECT_EQ(report.substr(report.size() - 37), "And 1 more file could not be added.\r\n");
}

} // namespace
