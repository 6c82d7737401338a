// The element tree of an XML-form markup text; it lives only during one parse.
#pragma once

#include "foundation/MyString.h"
#include "markup/Subject.h"

// A piece of the markup text, not a copy: the text must outlive the tree.
struct CTextView {
    const char* data = nullptr;
    uint32_t length = 0;

    bool Equals(const CMyASCIIString& s) const {
        return length == s.Count() && (length == 0 || std::memcmp(data, s.Data(), length) == 0);
    }
    bool EqualsChar(char c) const { return length == 1 && data[0] == c; }
};

struct CXmlAttribute {
    CMyASCIIString m_name;
    CMyASCIIString m_value;
};

class CXmlNode {
public:
    CXmlNode() = default;
    CXmlNode(const CXmlNode&) = delete;
    CXmlNode& operator=(const CXmlNode&) = delete;
    ~CXmlNode();

    CLinkedList<CXmlNode> m_children;
    CLinkedList<CXmlAttribute> m_attributes;
    CTextView m_name;
    CTextView m_content;
    char m_quote = '\''; // attribute values end at this character; meaningful on the root
};

// Builds the tree of a text that begins with "<". Malformed input gives what the scan finds; every
// scan stops at the end of the text.
void BuildXmlTree(const CMyASCIIString& text, CXmlNode& root);
