#include "markup/XmlTree.h"

CXmlNode::~CXmlNode() {
    // Adopt the grandchildren before deleting a child, so that a deeply nested tree is released
    // without deep recursion.
    while (CXmlNode* child = m_children.PopFront()) {
        m_children.Splice(child->m_children);
        delete child;
    }
    while (CXmlAttribute* attribute = m_attributes.PopFront())
        delete attribute;
}

namespace {

bool IsLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool EndsName(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '/' || c == '>';
}

// Copies text[from, to) into target; an empty range leaves it empty.
void CopyRange(const CMyASCIIString& text, uint32_t from, uint32_t to, CMyASCIIString& target) {
    if (to > from)
        text.Substring(target, from, to - from);
    target.Terminate();
    target.UpdateAsciiFlag();
}

// The parse keeps one position in the text. Nested elements are kept on an explicit stack rather
// than the call stack, so that no input nests deep enough to exhaust it.
class CXmlReader {
public:
    CXmlReader(const CMyASCIIString& text, char quote) : m_text(text), m_quote(quote) {}

    void Build(CXmlNode& root);

private:
    enum Head { Ended, Open };

    bool AtEnd() const { return m_pos >= m_text.Count(); }
    bool At(char c) const { return !AtEnd() && m_text[m_pos] == c; }
    void Skip() {
        if (!AtEnd())
            ++m_pos;
    }
    void SkipWhitespace() { m_pos = m_text.SkipWhitespace(m_pos); }
    // Whitespace, one character (the "<" of what follows) and whitespace again.
    void SkipToNextName() {
        SkipWhitespace();
        Skip();
        SkipWhitespace();
    }
    CTextView ReadName();
    void ReadAttributes(CXmlNode& node);
    Head ReadHead(CXmlNode& node);
    void FinishElement();

    const CMyASCIIString& m_text;
    const char m_quote;
    uint32_t m_pos = 0;
};

CTextView CXmlReader::ReadName() {
    uint32_t start = m_pos;
    while (!AtEnd() && !EndsName(m_text[m_pos]))
        ++m_pos;
    return CTextView{m_text.Data() + start, m_pos - start};
}

void CXmlReader::ReadAttributes(CXmlNode& node) {
    InitStringConstants();
    while (!AtEnd() && !At('/') && !At('>')) {
        CXmlAttribute* attribute = new (std::nothrow) CXmlAttribute;
        if (!attribute) {
            m_pos = m_text.Count();
            return;
        }
        uint32_t equals = m_text.FindChar('=', m_pos);
        CopyRange(m_text, m_pos, equals, attribute->m_name);
        attribute->m_name.TrimRight(g_whitespace);
        m_pos = equals;
        Skip();
        SkipWhitespace();
        Skip(); // the opening quote, whichever character it is
        uint32_t quote = m_text.FindChar(m_quote, m_pos);
        CopyRange(m_text, m_pos, quote, attribute->m_value);
        m_pos = quote;
        if (!node.m_attributes.Append(attribute))
            delete attribute;
        Skip();
        SkipWhitespace();
    }
}

// Reads an element from just after its "<": an end tag, an empty element, or a start tag with its
// content. Open means children may follow.
CXmlReader::Head CXmlReader::ReadHead(CXmlNode& node) {
    if (AtEnd())
        return Ended;
    if (At('/')) {
        Skip();
        SkipWhitespace();
        ReadName(); // not compared with the start tag's
        SkipWhitespace();
        FinishElement();
        return Ended;
    }
    node.m_name = ReadName();
    SkipWhitespace();
    ReadAttributes(node);
    if (At('/')) {
        Skip();
        SkipWhitespace();
        FinishElement();
        return Ended;
    }
    if (AtEnd())
        return Ended;
    Skip(); // the ">"
    uint32_t next = m_text.FindChar('<', m_pos);
    node.m_content = CTextView{m_text.Data() + m_pos, next - m_pos};
    m_pos = next;
    SkipToNextName();
    return Open;
}

void CXmlReader::FinishElement() {
    if (At('>'))
        Skip();
    if (!AtEnd())
        SkipToNextName();
}

void CXmlReader::Build(CXmlNode& root) {
    m_pos = 1;
    SkipWhitespace();
    CMyVector_EF<CXmlNode*> open; // the element being read and its ancestors
    if (!open.PushBack(&root))
        return;
    bool atHead = true; // false: the top element has read its content and looks for children
    while (!open.IsEmpty()) {
        CXmlNode* node = open[open.Count() - 1];
        if (atHead && ReadHead(*node) == Ended) {
            open.PopBack();
            atHead = false;
            continue;
        }
        atHead = true;
        if (AtEnd() || !IsLetter(m_text[m_pos]))
            continue; // back to the head: in well-formed input, the element's end tag
        CXmlNode* child = new (std::nothrow) CXmlNode;
        if (child && !node->m_children.Append(child)) {
            delete child;
            child = nullptr;
        }
        if (!child || !open.PushBack(child))
            return; // out of memory: keep what was read
    }
}

} // namespace

void BuildXmlTree(const CMyASCIIString& text, CXmlNode& root) {
    if (text.IsEmpty())
        return;
    CXmlReader reader(text, root.m_quote);
    reader.Build(root);
}
