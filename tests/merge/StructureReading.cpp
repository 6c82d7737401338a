#include "tests/merge/StructureReading.h"

#include <algorithm>
#include <regex>
#include <sstream>

namespace {

std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

Lines SplitLines(const std::string& text) {
    Lines lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        lines.push_back(line);
    }
    return lines;
}

std::string Trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t\r\n");
    return first == std::string::npos ? std::string()
                                      : text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

} // namespace

std::map<std::string, Reading> ReadAll(const std::set<std::string>& pdfs, const std::string& scripts,
                                       const ShellRunner& run) {
    std::map<std::string, Reading> readings;
    std::string check = "/usr/bin/python3 " + Quoted(scripts + "/structure_check.py");
    for (const std::string& pdf : pdfs) {
        check += " " + Quoted(pdf);
    }
    Reading* reading = nullptr;
    for (const std::string& line : SplitLines(run(check))) {
        if (line.rfind("file=", 0) == 0) {
            reading = &readings[line.substr(5)];
        } else if (!reading) {
            continue;
        } else if (line.rfind("lang=", 0) == 0) {
            reading->lang = line.substr(5);
        } else if (line.rfind("tagged", 0) == 0) {
            reading->tagged = true;
            reading->markInfo = line.substr(6);
        } else {
            (line.rfind("ERROR", 0) == 0 ? reading->errors : reading->elements).push_back(line);
        }
    }
    static const std::regex id(" <[^>]*>");
    static const std::regex changing("^ *(/Headers |Object [0-9]+ [0-9]+$)");
    for (const std::string& pdf : pdfs) {
        // A reader that fails must not leave two empty readings that compare equal.
        if (!readings.count(pdf)) {
            readings[pdf].errors.push_back("ERROR structure_check.py did not read " + pdf);
        }
        Reading& read = readings[pdf];
        for (const std::string& line : SplitLines(run("pdfinfo -struct-text " + Quoted(pdf)))) {
            if (!std::regex_search(line, changing)) {
                read.structText.push_back(std::regex_replace(line, id, ""));
            }
        }
        // pdftotext ends every page with a form feed.
        const std::string text = run("pdftotext " + Quoted(pdf) + " -");
        for (size_t start = 0, end; (end = text.find('\f', start)) != std::string::npos; start = end + 1) {
            read.pageTexts.push_back(Trimmed(text.substr(start, end - start)));
        }
        if (read.pageTexts.empty() || read.structText.empty() == read.tagged) {
            read.errors.push_back("ERROR poppler did not read " + pdf);
        }
    }
    return readings;
}

namespace {

void AddIndented(Lines& to, const Lines& lines, int levels) {
    for (const std::string& line : lines) {
        to.push_back(std::string(2 * levels, ' ') + line);
    }
}

} // namespace

Reading Expected(const std::vector<Reading>& inputs) {
    Reading merged;
    merged.lang = inputs.front().lang;
    merged.tagged =
        std::any_of(inputs.begin(), inputs.end(), [](const Reading& input) { return input.tagged; });
    for (const Reading& input : inputs) {
        merged.pageTexts.insert(merged.pageTexts.end(), input.pageTexts.begin(), input.pageTexts.end());
    }
    for (const char* flag : {" Suspects", " UserProperties"}) {
        if (std::any_of(inputs.begin(), inputs.end(), [&](const Reading& input) {
                return input.markInfo.find(flag) != std::string::npos;
            })) {
            merged.markInfo += flag;
        }
    }
    if (!merged.tagged) {
        return merged;
    }
    merged.elements.push_back("Document[" + merged.lang + "]");
    merged.structText.push_back("Document");
    for (const Reading& input : inputs) {
        if (!input.tagged) {
            std::string marks;
            merged.structText.push_back("  NonStruct");
            for (const std::string& text : input.pageTexts) {
                marks += marks.empty() ? " mc" : ",mc";
                merged.structText.push_back("    \"" + text + "\"");
            }
            merged.elements.push_back("  NonStruct[" + input.lang + "]" + marks);
            continue;
        }
        const auto tops = std::count_if(input.elements.begin(), input.elements.end(),
                                        [](const std::string& line) { return line[0] != ' '; });
        const int depth = tops > 1 ? 2 : 1;
        if (tops > 1) {
            merged.elements.push_back("  Part[" + merged.lang + "]");
            merged.structText.push_back("  Part");
        }
        AddIndented(merged.elements, input.elements, depth);
        AddIndented(merged.structText, input.structText, depth);
    }
    return merged;
}

Lines Differences(const Reading& merged, const Reading& expected, bool withStructText) {
    Lines differences(merged.errors);
    auto join = [](const Lines& lines) {
        std::string joined;
        for (const std::string& line : lines) {
            joined += "\n    " + line;
        }
        return joined;
    };
    auto compare = [&](const char* what, const Lines& got, const Lines& want) {
        if (got != want) {
            differences.push_back(std::string(what) + ":" + join(got) + "\n  instead of:" + join(want));
        }
    };
    compare("language", {merged.lang}, {expected.lang});
    compare("tagged", {merged.tagged ? "yes" + merged.markInfo : "no"},
            {expected.tagged ? "yes" + expected.markInfo : "no"});
    compare("elements", merged.elements, expected.elements);
    compare("page texts", merged.pageTexts, expected.pageTexts);
    if (withStructText) {
        compare("structure text", merged.structText, expected.structText);
    }
    return differences;
}
