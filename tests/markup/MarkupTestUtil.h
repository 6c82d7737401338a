// Helpers shared by the markup tests.
#pragma once

#include "markup/Parser.h"

#include <cstring>
#include <sstream>
#include <string>

// A terminated string holding the given bytes, with its ASCII flag set from them.
struct TestText : CMyASCIIString {
    explicit TestText(const std::string& text) {
        Reserve(uint32_t(text.size()) + 1);
        Append(text.data(), uint32_t(text.size()));
        Terminate();
        UpdateAsciiFlag();
    }
};

inline std::string Str(const CMyASCIIString& s) {
    return std::string(s.Data() ? s.Data() : "", s.Count());
}

// Each item, then a space: kind, [text] ("~" when not ASCII), "->" target, colours.
inline std::string Describe(const CItemList& items) {
    static const char* const kinds[] = {"br", "para", "text", "bold", "formula", "link"};
    std::ostringstream out;
    for (uint32_t i = 0; i < items.Count(); ++i) {
        out << kinds[items[i]->m_type];
        if (auto* text = dynamic_cast<const nsHTMLItem::CTextItem*>(items[i])) {
            out << "[" << Str(text->m_text) << "]" << (text->m_text.IsAscii() ? "" : "~");
            if (auto* link = dynamic_cast<const nsHTMLItem::CTagAItem*>(text))
                out << "->" << Str(link->m_target);
            if (text->m_hasBackground)
                out << " bg=" << std::hex << text->m_background << std::dec;
            if (text->m_hasTextColor)
                out << " fg=" << std::hex << text->m_textColor << std::dec;
        }
        out << " ";
    }
    return out.str();
}

// Sets up what the main window sets up at start.
inline void InitMarkupForTests() {
    InitStringConstants();
    InitMarkupNames();
    InitColorPalette();
}
