// The item model of a markup text: a flat list of breaks, text runs and links in reading order.
#pragma once

#include "foundation/MyString.h"
#include "markup/Colors.h"

namespace nsHTMLItem {

enum ItemType : uint32_t {
    LineBreak = 0,
    ParagraphBreak = 1,
    Text = 2,
    BoldText = 3,
    FormulaText = 4,
    Link = 5,
};

// Line and paragraph breaks are plain items.
class CItem {
public:
    explicit CItem(ItemType type) : m_type(type) {}
    CItem(const CItem&) = delete;
    CItem& operator=(const CItem&) = delete;
    virtual ~CItem() = default;

    ItemType m_type;
};

// Where the layout placed an item, in inclusive pixel coordinates: right = left + width - 1, so an
// empty item at the start of a line has right = 0xFFFFFFFF, which the layout reads as -1.
class CDrawable {
public:
    uint32_t m_left = 0;
    uint32_t m_top = 0;
    uint32_t m_right = 0;
    uint32_t m_bottom = 0;
    uint32_t m_width = 1;
    uint32_t m_height = 1;

    // Compared as signed numbers, so an empty placed item contains no point.
    bool Contains(int64_t x, int64_t y) const {
        return int32_t(m_left) <= x && x <= int32_t(m_right) && int32_t(m_top) <= y && y <= int32_t(m_bottom);
    }
};

// A run of text drawn as one block; types Text, BoldText and FormulaText.
class CTextItem : public CItem, public CDrawable {
public:
    explicit CTextItem(ItemType type) : CItem(type) {}

    CMyASCIIString m_text;
    ColorValue m_background = 0;
    ColorValue m_textColor = 0;
    bool m_hasBackground = false;
    bool m_hasTextColor = false;
};

// A link; m_target is the address it opens.
class CTagAItem : public CTextItem {
public:
    CTagAItem() : CTextItem(Link) {}

    CMyASCIIString m_target;
};

} // namespace nsHTMLItem

typedef CPtrVector_EF<nsHTMLItem::CItem> CItemList;
