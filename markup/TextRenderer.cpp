#include "markup/TextRenderer.h"

#include "markup/Parser.h"

using namespace nsHTMLItem;

namespace {

// Selects fonts into a device context only when they change, and puts back the context's own font
// at the end. A null font stands for the context's own.
class CFontSwitch {
public:
    explicit CFontSwitch(CDrawerBase& drawer) : m_drawer(drawer) {}
    ~CFontSwitch() {
        if (m_switched && m_current != m_original)
            m_drawer.SelectObject(m_original);
    }

    void Use(FontHandle font) {
        if (!font) {
            if (!m_switched)
                return;
            font = m_original;
        }
        if (font == m_current)
            return;
        GdiObject previous = m_drawer.SelectObject(font);
        if (!m_switched) {
            m_original = previous;
            m_switched = true;
        }
        m_current = font;
    }

private:
    CDrawerBase& m_drawer;
    bool m_switched = false;
    GdiObject m_original = nullptr;
    GdiObject m_current = nullptr;
};

bool IsDrawnText(ItemType type) {
    return type == Text || type == BoldText || type == Link;
}

// The drawer of a call, given back to the services however the call ends.
class CDrawerLease {
public:
    CDrawerLease(CWindowServices& services, CDrawerBase* drawer) : m_services(services), m_drawer(drawer) {}
    ~CDrawerLease() {
        if (m_drawer)
            m_services.CloseDrawer(m_drawer);
    }
    CDrawerBase* Get() const { return m_drawer; }

private:
    CWindowServices& m_services;
    CDrawerBase* m_drawer;
};

} // namespace

CTextRenderer::CTextRenderer(CWindowServices& services, WindowHandle window)
    : m_services(services), m_background(services.ButtonFaceColor()), m_window(window) {}

CTextRenderer::~CTextRenderer() {
    m_services.DeleteFont(m_linkFont);
    m_services.DeleteFont(m_boldFont);
}

void CTextRenderer::SetFont(FontHandle font) {
    m_normalFont = font;
    DeriveFonts();
}

void CTextRenderer::DeriveFonts() {
    m_services.DeleteFont(m_linkFont);
    m_services.DeleteFont(m_boldFont);
    m_linkFont = m_boldFont = nullptr;
    if (!m_normalFont)
        return; // links and bold runs then use the device context's font too
    m_linkFont = m_services.CreateVariantFont(m_normalFont, CWindowServices::Underlined);
    m_boldFont = m_services.CreateVariantFont(m_normalFont, CWindowServices::Bold);
}

void CTextRenderer::SetText(const CMyASCIIString& markup) {
    m_hovered = m_pressed = nullptr;
    ParseMarkup(markup, m_items);
    Measure();
}

FontHandle CTextRenderer::FontFor(ItemType type) const {
    if (type == Link)
        return m_linkFont;
    if (type == BoldText)
        return m_boldFont;
    return m_normalFont;
}

// Items are placed from the top-left corner in lines of the sample's height; an item is never
// split, and wraps only when the maximum width is set and it would pass it. The margin enters only
// the needed size.
void CTextRenderer::Measure() {
    m_margin = 0;
    m_neededWidth = m_neededHeight = 1;
    CDrawerLease lease(m_services, m_services.OpenWindowDrawer(m_window));
    CDrawerBase* drawer = lease.Get();
    if (!drawer)
        return;
    CFontSwitch fonts(*drawer);
    fonts.Use(m_normalFont);

    char sampleRoom[4];
    CMyASCIIString sample;
    sample.Attach(sampleRoom, sizeof sampleRoom);
    sample.AppendCodes('g', 'h', '9', 0); // reaches above and below the line
    int32_t sampleHeight = drawer->TextExtent(sample).height;
    const uint32_t lineHeight = sampleHeight > 0 ? uint32_t(sampleHeight) : 0;
    m_margin = lineHeight / 6;
    const uint32_t gap = m_margin < 2 ? 2 : m_margin;

    uint32_t x = 0, y = 0;
    int32_t widestRight = 0, lowestBottom = 0;
    for (uint32_t i = 0; i < m_items.Count(); ++i) {
        ItemType type = m_items[i]->m_type;
        if (type == LineBreak || type == ParagraphBreak) {
            y = type == LineBreak ? y + lineHeight + gap : uint32_t(double(y) + 1.5 * lineHeight + gap);
            x = 0;
            continue;
        }
        if (!IsDrawnText(type))
            continue; // a formula takes no room
        CTextItem& item = *static_cast<CTextItem*>(m_items[i]);
        fonts.Use(FontFor(type));
        DrawSize size = drawer->TextExtent(item.m_text);
        uint32_t w = uint32_t(size.width), h = uint32_t(size.height);
        if (m_maxWidth != 0 && uint64_t(x) + w > m_maxWidth) {
            y += lineHeight + gap;
            x = 0;
        }
        item.m_left = x;
        item.m_top = y;
        item.m_width = w;
        item.m_height = h;
        item.m_right = x + w - 1;
        item.m_bottom = y + h - 1;
        x += w + gap;
        if (int32_t(item.m_right) > widestRight)
            widestRight = int32_t(item.m_right);
        if (int32_t(item.m_bottom) > lowestBottom)
            lowestBottom = int32_t(item.m_bottom);
    }
    m_neededWidth = 2 * m_margin + uint32_t(widestRight) + 1;
    m_neededHeight = 2 * m_margin + uint32_t(lowestBottom) + 1;
}

ColorValue CTextRenderer::LinkColor(const CTagAItem& link) const {
    if (&link != m_hovered)
        return PaletteColor(kColorBlue);
    if (link.m_hasBackground && link.m_background == PaletteColor(kColorLtRed))
        return PaletteColor(kColorWhite); // stays readable on its own hover colour
    return PaletteColor(kColorLtRed);
}

void CTextRenderer::PaintItem(CDrawerBase& drawer, const CTextItem& item) {
    bool textColorSet = false, backgroundSet = false;
    ColorValue previousText = 0, previousBackground = 0;
    if (item.m_type == Link) {
        drawer.SetTextColor(LinkColor(static_cast<const CTagAItem&>(item)), &previousText);
        textColorSet = true;
    }
    if (item.m_hasBackground) {
        drawer.SetBackgroundColor(item.m_background, &previousBackground);
        backgroundSet = true;
    }
    if (item.m_hasTextColor) {
        drawer.SetTextColor(item.m_textColor, textColorSet ? nullptr : &previousText);
        textColorSet = true;
    }
    DrawRect placed{int32_t(item.m_left), int32_t(item.m_top), int32_t(item.m_right), int32_t(item.m_bottom)};
    drawer.TextOutput(placed.left, placed.top, placed, item.m_text);
    if (backgroundSet)
        drawer.SetBackgroundColor(previousBackground, nullptr);
    if (textColorSet)
        drawer.SetTextColor(previousText, nullptr);
}

void CTextRenderer::Paint(DeviceContext dc) {
    DrawRect client = m_services.ClientRect(m_window);
    CDrawerLease lease(m_services, m_services.OpenDrawer(dc));
    CDrawerBase* drawer = lease.Get();
    if (!drawer)
        return;
    drawer->FillRectangle(client, m_background);
    drawer->SetBackgroundColor(m_background, nullptr);
    CFontSwitch fonts(*drawer);
    for (uint32_t i = 0; i < m_items.Count(); ++i) {
        if (!IsDrawnText(m_items[i]->m_type))
            continue;
        fonts.Use(FontFor(m_items[i]->m_type));
        PaintItem(*drawer, *static_cast<const CTextItem*>(m_items[i]));
    }
}

CTagAItem* CTextRenderer::LinkAt(int32_t x, int32_t y) const {
    for (uint32_t i = 0; i < m_items.Count(); ++i) {
        if (m_items[i]->m_type != Link)
            continue;
        CTagAItem* link = static_cast<CTagAItem*>(m_items[i]);
        if (link->Contains(x, y))
            return link;
    }
    return nullptr;
}

void CTextRenderer::SetHovered(CTagAItem* link) {
    m_hovered = link;
    m_services.InvalidateWindow(m_window);
}

void CTextRenderer::UpdateHover(int32_t x, int32_t y) {
    if (m_items.IsEmpty())
        return;
    CTagAItem* link = LinkAt(x, y);
    if (link != m_hovered)
        SetHovered(link);
}

void CTextRenderer::ClearHover() {
    if (m_hovered)
        SetHovered(nullptr);
}

void CTextRenderer::PressAt(int32_t x, int32_t y) {
    if (m_hovered && m_hovered->Contains(x, y))
        m_pressed = m_hovered;
}

void CTextRenderer::ReleaseAt(int32_t x, int32_t y) {
    if (m_pressed && m_pressed->Contains(x, y))
        Notify(0, 0, 0);
    m_pressed = nullptr;
}
