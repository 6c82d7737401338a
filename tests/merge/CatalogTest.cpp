// What a reader finds of every input's named destinations, form fields, attachments, layers and
// page labels in the merged file. catalog_pdf.py makes the inputs with pikepdf and reads the
// merged file with pikepdf and qpdf; see its help for the facts' wording ("A2@5" is the page
// showing A2, the fifth of the file).

#include "tests/merge/PdfTools.h"

#include <gtest/gtest.h>

namespace {

class CatalogTest : public ::testing::Test {
protected:
    // The input that `description` describes, written as `name`.
    std::string Input(const std::string& name, const std::string& description) {
        const Lines made =
            RunPython("catalog_pdf.py", "make " + Quoted(m_folder.Path(name)) + " " + Quoted(description));
        EXPECT_EQ(made, Lines()) << name;
        return m_folder.Path(name);
    }
    // Merges inputs that must all merge into a file that qpdf finds sound, and expects each
    // family's facts of it.
    void ExpectFacts(const std::vector<std::string>& inputs,
                     const std::vector<std::pair<std::string, Lines>>& expected) {
        const std::string out = ExpectMerged(inputs, m_folder.Path("merged.pdf"));
        for (const auto& family : expected) {
            EXPECT_EQ(RunPython("catalog_pdf.py", "facts " + Quoted(out) + " " + family.first), family.second)
                << family.first;
        }
    }

    TempFolder m_folder;
};

// The second input clashes with the first on "chap2" (and defines "chap2-2" itself), the third
// clashes with no one, the fourth is the first again. Every use (/Dest, GoTo in /A, /AA and
// /Next, bookmarks, /OpenAction) leads into its own input, and unused names stay defined.
TEST_F(CatalogTest, NamedDestinationsLeadIntoTheirOwnInput) {
    const std::string a = Input("a.pdf", R"({"tag": "A", "pages": 3, "dests": {"chap2": 2, "spare": 3},
        "olddests": {"old": [3]}, "links": [[1, "dest", "chap2"], [1, "goto", "/old"], [3, "aa", "chap2"]],
        "outline": [["A chap2", "chap2"]], "open": "chap2"})");
    const std::string b = Input("b.pdf", R"({"tag": "B", "pages": 2, "dests": {"chap2": [2], "chap2-2": 1},
        "olddests": {"old": 1}, "links": [[1, "dest", "chap2"], [1, "next", "/old"], [2, "goto", "chap2-2"]],
        "outline": [["B chap2", "chap2"]]})");
    const std::string c =
        Input("c.pdf", R"({"tag": "C", "dests": {"intro": 1}, "links": [[1, "dest", "intro"]],
        "outline": [["C intro", "intro"]]})");
    ExpectFacts({a, b, c, a},
                {{"dests", {"dest (chap2) -> A2@2",    "dest (chap2-2) -> B1@4",  "dest (chap2-2-2) -> B2@5",
                            "dest (chap2-4) -> A2@8",  "dest (intro) -> C1@6",    "dest (spare) -> A3@3",
                            "dest (spare-4) -> A3@9",  "dest /old -> A3@3",       "dest /old-2 -> B1@4",
                            "dest /old-4 -> A3@9",     "dest A1@1 -> A2@2",       "goto A1@1 -> A3@3",
                            "aa A3@3 -> A2@2",         "dest B1@4 -> B2@5",       "next B1@4 -> B1@4",
                            "goto B2@5 -> B1@4",       "dest C1@6 -> C1@6",       "dest A1@7 -> A2@8",
                            "goto A1@7 -> A3@9",       "aa A3@9 -> A2@8",         "open -> A2@2",
                            "outline A chap2 -> A2@2", "outline B chap2 -> B2@5", "outline C intro -> C1@6",
                            "outline A chap2 -> A2@8"}}});
}

// The first input has no form, so the second's (an XFA form) becomes the merged one; the third
// clashes with the second on "name" and has a font of the same /DR name but another face, set
// form-wide and on a field; the fourth clashes with a field of the second on its whole name
// ("person" against "person.city"); the fifth is the second again. Each field keeps its value
// and its font, and no XFA form describes the merged file.
TEST_F(CatalogTest, FormFieldsOfEveryInputKeepTheirOwnValues) {
    const std::string plain = Input("p.pdf", R"({"tag": "P"})");
    const std::string a =
        Input("a.pdf", R"({"tag": "A", "pages": 2, "fields": [{"name": "name", "value": "Ann"},
        {"name": "person", "kids": [{"name": "city", "value": "Rome", "page": 2}]}],
        "form": {"CO": ["name"], "XFA": true}})");
    const std::string b = Input("b.pdf", R"({"tag": "B", "fields": [{"name": "name", "value": "Bob"},
        {"name": "own", "value": "b", "da": "/Helv 12 Tf 0 0 1 rg"}], "form": {"fonts": {"Helv": "Courier"},
        "da": "/Helv 9 Tf 0 g", "NeedAppearances": true, "Q": 1, "SigFlags": 1, "CO": ["own"]}})");
    const std::string c = Input("c.pdf", R"({"tag": "C", "fields": [{"name": "person", "value": "Cy"}]})");
    ExpectFacts({plain, a, b, c, a},
                {{"fields",
                  {"field name = Ann on A1@2 font /Helvetica q 0",
                   "field person.city = Rome on A2@3 font /Helvetica q 0",
                   "field name-3 = Bob on B1@4 font /Courier q 1", "field own = b on B1@4 font /Courier q 1",
                   "field person-4 = Cy on C1@5 font /Helvetica q 0",
                   "field name-5 = Ann on A1@6 font /Helvetica q 0",
                   "field person-5.city = Rome on A2@7 font /Helvetica q 0",
                   "form need True sigflags 1 xfa False", "co name", "co own", "co name-5"}}});
}

// The first input has labels from its second page on only; the second brings the first
// layers, with /Order, radio-button groups and a usage entry; the third clashes with the second
// on an attachment's name, has layers off by /BaseState and no labels.
TEST_F(CatalogTest, AttachmentsLayersAndLabelsOfEveryInputAreKept) {
    const std::string c =
        Input("c.pdf", R"({"tag": "C", "pages": 2, "labels": [[1, {"S": "A", "P": "C-"}]]})");
    const std::string a = Input("a.pdf", R"({"tag": "A", "attachments": {"data.txt": ["data.txt", "from A"],
        "a.txt": ["a.txt", "only A"]}, "layers": {"groups": [["A on", true], ["A off", false]], "order": true,
        "rb": [["A on", "A off"]], "as": [["View", "Zoom", ["A on"]]]}, "labels": [[0, {"S": "r"}]]})");
    const std::string b = Input("b.pdf", R"({"tag": "B", "pages": 3, "attachments": {"data.txt": ["data.txt",
        "from B"]}, "layers": {"groups": [["B on", true], ["B off", false], ["B base", false]], "base": "OFF",
        "locked": ["B on"], "as": [["View", "Zoom", ["B on"]], ["Print", "Print", ["B off"]]]}})");
    ExpectFacts({c, a, b},
                {{"attachments",
                  {"attachment a.txt a.txt only A", "attachment data.txt data.txt from A",
                   "attachment data.txt-3 data.txt from B"}},
                 {"layers",
                  {"layer A on on", "layer A off off", "layer B on on", "layer B off off", "layer B base off",
                   "order A A on A off B on B off B base", "rbgroups [A on A off]", "locked B on",
                   "as /View /Zoom A on B on", "as /Print /Print B off"}},
                 {"labels",
                  {"label C1@1 1", "label C2@2 C-A", "label A1@3 i", "label B1@4 4", "label B2@5 5",
                   "label B3@6 6"}}});
}

// Inputs without any of these add none, and a later input's malformed structures lose only
// what is unsound in them: tree kids that are no node or loop, a field that is not one, label
// ranges past the input's pages or without a dictionary, a layer that is not a group. The first
// input's XFA form goes; its layers, without /Order, come first in the /Order a later one brings.
TEST_F(CatalogTest, MissingOrMalformedStructuresDoNotFailTheMerge) {
    const std::string plain = Input("p.pdf", R"({"tag": "P"})");
    ExpectFacts(
        {plain, plain},
        {{"dests", {}}, {"fields", {}}, {"attachments", {}}, {"layers", {}}, {"labels", {"no labels"}}});

    const std::string x = Input("x.pdf", R"({"tag": "X", "pages": 2, "dests": {"x": 2},
        "fields": [{"name": "f", "value": "x"}], "form": {"XFA": true}, "labels": [[0, {"S": "a"}]],
        "layers": {"groups": [["X1", true]]}})");
    const std::string y = Input("y.pdf", R"({"tag": "Y", "pages": 2, "dests": {"x": 1, "y": 2},
        "links": [[1, "dest", "x"]], "fields": [{"name": "f", "value": "y"}], "labels": [[0, {"S": "R"}]],
        "layers": {"groups": [["Y1", false], ["Y2", true]], "order": true}, "damage": ["tree-kids", "fields", "labels", "layers"]})");
    ExpectFacts({x, y, y},
                {{"dests",
                  {"dest (x) -> X2@2", "dest (x-2) -> Y1@3", "dest (x-3) -> Y1@5", "dest (y) -> Y2@4",
                   "dest (y-3) -> Y2@6", "dest Y1@3 -> Y1@3", "dest Y1@5 -> Y1@5"}},
                 {"fields",
                  {"field f = x on X1@1 font /Helvetica q 0", "field f-2 = y on Y1@3 font /Helvetica q 0",
                   "field f-3 = y on Y1@5 font /Helvetica q 0", "form need False sigflags 0 xfa False"}},
                 {"layers",
                  {"layer X1 on", "layer Y1 off", "layer Y2 on", "layer Y1 off", "layer Y2 on",
                   "order X1 Y Y1 Y2 Y Y1 Y2"}},
                 {"labels",
                  {"label X1@1 a", "label X2@2 b", "label Y1@3 I", "label Y2@4 II", "label Y1@5 I",
                   "label Y2@6 II"}}});
}

} // namespace
