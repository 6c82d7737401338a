// Holds the items of one markup text, lays them out in lines, paints them and tracks the link
// under the mouse. A click on a link (button down and up over the same link) notifies the
// observers with the codes (0, 0, 0); they read the link from HoveredLink().
//
// All drawing goes through CDrawerBase and all window-system calls through CWindowServices, so the
// same code runs on GDI and, in the tests, on a drawer that measures deterministically.
#pragma once

#include "markup/Items.h"
#include "markup/Subject.h"
#include "markup/WindowServices.h"

class CTextRenderer : public CSubject {
public:
    // The services must outlive the renderer. The window may be set later (SetWindow).
    explicit CTextRenderer(CWindowServices& services, WindowHandle window = nullptr);
    ~CTextRenderer() override;

    void SetWindow(WindowHandle window) { m_window = window; }
    // The font of plain text; not owned. Link and bold fonts are derived from it.
    void SetFont(FontHandle font);
    void DeriveFonts();
    // Wrap width in pixels; 0: no wrapping.
    void SetMaxWidth(uint32_t pixels) { m_maxWidth = pixels; }
    // Parses the markup and lays it out at once: set the font and width first.
    void SetText(const CMyASCIIString& markup);
    void Measure();
    void GetNeededSize(uint32_t& width, uint32_t& height) const {
        width = m_neededWidth;
        height = m_neededHeight;
    }
    void Paint(DeviceContext dc);

    // Mouse input, in client pixels.
    void UpdateHover(int32_t x, int32_t y);
    void ClearHover();
    void PressAt(int32_t x, int32_t y);
    void ReleaseAt(int32_t x, int32_t y);

    const nsHTMLItem::CTagAItem* HoveredLink() const { return m_hovered; }
    const nsHTMLItem::CTagAItem* PressedLink() const { return m_pressed; }
    const CItemList& Items() const { return m_items; }
    uint32_t Margin() const { return m_margin; }
    ColorValue Background() const { return m_background; }

private:
    FontHandle FontFor(nsHTMLItem::ItemType type) const;
    nsHTMLItem::CTagAItem* LinkAt(int32_t x, int32_t y) const;
    ColorValue LinkColor(const nsHTMLItem::CTagAItem& link) const;
    void PaintItem(CDrawerBase& drawer, const nsHTMLItem::CTextItem& item);
    void SetHovered(nsHTMLItem::CTagAItem* link);

    CWindowServices& m_services;
    CItemList m_items;
    uint32_t m_maxWidth = 0;
    uint32_t m_margin = 0;
    FontHandle m_normalFont = nullptr;
    FontHandle m_linkFont = nullptr;
    FontHandle m_boldFont = nullptr;
    ColorValue m_background;
    WindowHandle m_window;
    nsHTMLItem::CTagAItem* m_hovered = nullptr;
    nsHTMLItem::CTagAItem* m_pressed = nullptr;
    uint32_t m_neededWidth = 1;
    uint32_t m_neededHeight = 1;
};
