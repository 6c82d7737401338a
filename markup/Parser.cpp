#include "markup/Parser.h"

#include "markup/XmlTree.h"

#include <new>

using namespace nsHTMLItem;

namespace {

CMyASCIIString g_href, g_bgcolor, g_color, g_text, g_formula, g_b, g_breakTag, g_paragraphTag;

// Working buffers of the HTML form: a longer tag name or link target is cut to fit.
constexpr uint32_t kTagNameRoom = 100;
constexpr uint32_t kLinkTargetRoom = 200;

// ---- items ----

void AppendItem(CItemList& items, CItem* item) {
    if (item && !items.PushBack(item))
        delete item;
}

void AppendBreak(CItemList& items, ItemType type) {
    AppendItem(items, new (std::nothrow) CItem(type));
}

CTextItem* NewTextItem(ItemType type, const CMyASCIIString& text) {
    CTextItem* item = new (std::nothrow) CTextItem(type);
    if (item)
        item->m_text.Assign(text);
    return item;
}

CTagAItem* NewLink(const CMyASCIIString& text, const CMyASCIIString& target) {
    CTagAItem* item = new (std::nothrow) CTagAItem;
    if (item) {
        item->m_text.Assign(text);
        item->m_target.Assign(target);
    }
    return item;
}

// ---- scanning ----

// Takes the piece from pos up to the next delimiter (or the end), keeping at most `limit` bytes,
// moves pos past the delimiter and trims the piece. The piece must be empty.
void Extract(const CMyASCIIString& text, uint32_t& pos, const CMyASCIIString& delimiters,
             CMyASCIIString& piece, uint32_t limit = UINT32_MAX) {
    if (pos >= text.Count())
        return;
    uint32_t end = text.FindFirstOf(delimiters, pos);
    if (end > pos)
        text.Substring(piece, pos, end - pos < limit ? end - pos : limit);
    pos = end < text.Count() ? end + 1 : text.Count();
    piece.Trim();
    piece.UpdateAsciiFlag();
}

void MovePast(const CMyASCIIString& text, uint32_t& pos, char c) {
    uint32_t at = text.FindChar(c, pos);
    pos = at < text.Count() ? at + 1 : text.Count();
}

// A set of one or two delimiter characters.
struct CDelimiters : CMyASCIIString {
    explicit CDelimiters(char a, char b = 0) { AssignCodes(3, a, b, 0); }
};

void LowerCase(CMyASCIIString& s) {
    for (uint32_t i = 0; i < s.Count(); ++i)
        if (s[i] >= 'A' && s[i] <= 'Z')
            s[i] = char(s[i] - 'A' + 'a');
}

// ---- plain form: every line, trimmed, followed by a line break ----

void ParsePlain(const CMyASCIIString& text, CItemList& items) {
    CDelimiters lineFeed('\n');
    CStringVector_EF lines;
    for (uint32_t pos = 0; pos < text.Count();) {
        CMyASCIIString* line = new (std::nothrow) CMyASCIIString;
        if (!line)
            return;
        Extract(text, pos, lineFeed, *line);
        if (!lines.PushBack(line)) {
            delete line;
            return;
        }
    }
    for (uint32_t i = 0; i < lines.Count(); ++i) {
        AppendItem(items, NewTextItem(Text, *lines[i]));
        AppendBreak(items, LineBreak);
    }
}

// ---- HTML form: a stream of tags and text runs ----

class CHtmlReader {
public:
    CHtmlReader(const CMyASCIIString& text, CItemList& items)
        : m_text(text), m_items(items), m_tagEnd(' ', '>'), m_lt('<'), m_quote('\'') {}

    void Read();

private:
    bool AtEnd() const { return m_pos >= m_text.Count(); }
    void ReadTextRun();
    void ReadLink();

    const CMyASCIIString& m_text;
    CItemList& m_items;
    CDelimiters m_tagEnd, m_lt, m_quote;
    uint32_t m_pos = 0;
};

void CHtmlReader::ReadTextRun() {
    CMyASCIIString run;
    Extract(m_text, m_pos, m_lt, run);
    if (!run.IsEmpty())
        AppendItem(m_items, NewTextItem(Text, run));
}

// After the name "a": the first single-quoted value is the target, the text up to the next "<" is
// the link text, and the closing tag, whatever its name, is passed over.
void CHtmlReader::ReadLink() {
    char targetRoom[kLinkTargetRoom];
    CMyASCIIString target, text;
    target.Attach(targetRoom, kLinkTargetRoom);
    MovePast(m_text, m_pos, '\'');
    Extract(m_text, m_pos, m_quote, target, kLinkTargetRoom - 1);
    MovePast(m_text, m_pos, '>');
    Extract(m_text, m_pos, m_lt, text);
    MovePast(m_text, m_pos, '>');
    AppendItem(m_items, NewLink(text, target));
}

void CHtmlReader::Read() {
    // The first tag (the "html" of "<html>") is passed over unread.
    MovePast(m_text, m_pos, '<');
    uint32_t end = m_text.FindFirstOf(m_tagEnd, m_pos);
    m_pos = end < m_text.Count() ? end + 1 : m_text.Count();
    if (AtEnd())
        return;
    ReadTextRun();
    for (;;) {
        char nameRoom[kTagNameRoom];
        CMyASCIIString name;
        name.Attach(nameRoom, kTagNameRoom);
        Extract(m_text, m_pos, m_tagEnd, name, kTagNameRoom - 1);
        LowerCase(name);
        if (AtEnd())
            return; // a tag cut off by the end of the text is dropped
        if (name.EqualsTail(g_breakTag, 0))
            AppendBreak(m_items, LineBreak);
        else if (name.EqualsTail(g_paragraphTag, 0))
            AppendBreak(m_items, ParagraphBreak);
        else if (name.EqualsChar('a'))
            ReadLink();
        else if (name.EqualsCodes('/', 'h', 't', 'm', 'l', 0))
            return;
        ReadTextRun();
    }
}

// ---- XML form: the root's direct children become items ----

const CXmlAttribute* OnlyAttribute(const CXmlNode& node) {
    return node.m_attributes.Count() == 1 ? node.m_attributes.Head()->payload : nullptr;
}

CItem* LinkFromElement(const CXmlNode& node, const CMyASCIIString& content) {
    CMyASCIIString empty;
    const CMyASCIIString* target = &empty;
    const CXmlAttribute* background = nullptr;
    for (auto* cell = node.m_attributes.Head(); cell; cell = cell->next) {
        if (cell->payload->m_name.EqualsTail(g_href, 0))
            target = &cell->payload->m_value;
        else if (cell->payload->m_name.EqualsTail(g_bgcolor, 0))
            background = cell->payload;
    }
    CTagAItem* link = NewLink(content, *target);
    if (link && background) {
        link->m_background = ColorByName(background->m_value);
        link->m_hasBackground = true;
    }
    return link;
}

CItem* BoldFromElement(const CXmlNode& node, const CMyASCIIString& content) {
    CTextItem* bold = NewTextItem(BoldText, content);
    const CXmlAttribute* only = OnlyAttribute(node);
    if (!bold || !only)
        return bold;
    if (only->m_name.EqualsTail(g_bgcolor, 0)) {
        bold->m_background = ColorByName(only->m_value);
        bold->m_hasBackground = true;
    } else if (only->m_name.EqualsTail(g_color, 0)) {
        bold->m_textColor = ColorByName(only->m_value);
        bold->m_hasTextColor = true;
    }
    return bold;
}

CItem* ItemFromElement(const CXmlNode& node) {
    CMyASCIIString content;
    if (node.m_content.length) {
        content.Reserve(node.m_content.length + 1);
        content.Append(node.m_content.data, node.m_content.length);
        content.Terminate();
        content.UpdateAsciiFlag();
    }
    const CTextView& name = node.m_name;
    if (name.EqualsChar('p'))
        return new (std::nothrow) CItem(ParagraphBreak);
    if (name.length == 2 && name.data[0] == 'b' && name.data[1] == 'r')
        return new (std::nothrow) CItem(LineBreak);
    if (name.EqualsChar('a'))
        return LinkFromElement(node, content);
    if (name.Equals(g_b))
        return BoldFromElement(node, content);
    if (node.m_attributes.Count() == 1)
        return nullptr; // a text or formula with one attribute shows nothing
    if (name.Equals(g_text))
        return NewTextItem(Text, content);
    if (name.Equals(g_formula))
        return NewTextItem(FormulaText, content);
    return nullptr;
}

void ParseXml(const CMyASCIIString& text, CItemList& items) {
    CXmlNode root;
    BuildXmlTree(text, root);
    for (auto* cell = root.m_children.Head(); cell; cell = cell->next)
        AppendItem(items, ItemFromElement(*cell->payload));
}

void SetKeyword(CMyASCIIString& keyword, const char* text) {
    uint32_t length = uint32_t(std::strlen(text));
    if (keyword.Reserve(length + 1) && keyword.Append(text, length))
        keyword.Terminate();
}

} // namespace

void InitMarkupNames() {
    if (!g_href.IsEmpty())
        return;
    SetKeyword(g_bgcolor, "bgcolor");
    SetKeyword(g_color, "color");
    SetKeyword(g_text, "text");
    SetKeyword(g_formula, "formula");
    SetKeyword(g_b, "b");
    SetKeyword(g_breakTag, "br/");
    SetKeyword(g_paragraphTag, "p/");
    SetKeyword(g_href, "href"); // last: it marks the set as made
}

void ParseMarkup(const CMyASCIIString& text, CItemList& items) {
    items.DeleteAll();
    items.Reserve(30);
    InitStringConstants();
    InitMarkupNames();
    if (text.IsEmpty())
        return;
    if (text[0] != '<') {
        ParsePlain(text, items);
        return;
    }
    if (text.Count() < 2)
        return;
    if (text[1] == 'x')
        ParseXml(text, items);
    else if (text[1] == 'h')
        CHtmlReader(text, items).Read();
}
