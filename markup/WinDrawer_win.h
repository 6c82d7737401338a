// The drawing interface on a GDI device context, and the window services of the text renderer on
// real windows. Texts are UTF-8 strings: ASCII-only ones go to the narrow GDI calls, any other is
// converted to UTF-16 first and goes to the wide calls.
#pragma once

#include "markup/WindowServices.h"

#include <windows.h>

// A pen that SelectPen created; ReleasePen deletes it.
struct DrawPen {
    HPEN pen;
};

namespace NSMyWTLWrapper {

class CWinDrawer : public CDrawerBase {
public:
    CWinDrawer() = default;
    ~CWinDrawer() override;
    CWinDrawer(const CWinDrawer&) = delete;
    CWinDrawer& operator=(const CWinDrawer&) = delete;

    // Draws on `dc` from now on, with a memory context compatible with it for the bitmap operations.
    // The device context stays the caller's.
    void AttachDC(HDC dc);
    HDC GetTarget() const { return m_target; }

    uint32_t SetTextAlignment(int mode) override;
    int GetTextAlignment() override;
    DrawPen* SelectPen(int style, int width, const ColorValue& color) override;
    void ReleasePen(DrawPen* pen) override;
    DrawSize TextExtent(const CMyASCIIString& text) override;
    bool HorizontalLine(int32_t x1, int32_t y, int32_t x2) override;
    bool VerticalLine(int32_t x, int32_t y1, int32_t y2) override;
    bool Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2) override;
    bool RectangleOutline(int32_t left, int32_t top, int32_t right, int32_t bottom) override;
    bool Circle(const DrawPoint& centre, int32_t radius) override;
    void TextOutput(int32_t x, int32_t y, const DrawRect& clip, const CMyASCIIString& text) override;
    bool FillRectangle(const DrawRect& rect, const ColorValue& color) override;
    ColorValue SetBackgroundColor(const ColorValue& color, ColorValue* previous) override;
    ColorValue SetTextColor(const ColorValue& color, ColorValue* previous) override;
    bool DrawBitmap(BitmapHandle bitmap, int32_t x, int32_t y, int32_t width, int32_t height,
                    const DrawPoint& source) override;
    bool DrawBitmapImage(const unsigned char* image, int32_t x, int32_t y, int32_t width, int32_t height,
                         const DrawPoint& source, bool transparent) override;
    DrawSize BitmapImageSize(const unsigned char* image) override;
    GdiObject SelectObject(GdiObject object) override;

private:
    HDC m_target = nullptr;
    HDC m_memory = nullptr;
};

// The renderer's window-system calls over user32 and GDI. It has no state: one instance serves
// every renderer of the process (GdiWindowServices()).
class CGdiWindowServices : public CWindowServices {
public:
    CDrawerBase* OpenWindowDrawer(WindowHandle window) override;
    CDrawerBase* OpenDrawer(DeviceContext dc) override;
    void CloseDrawer(CDrawerBase* drawer) override;
    DrawRect ClientRect(WindowHandle window) override;
    void InvalidateWindow(WindowHandle window) override;
    FontHandle CreateVariantFont(FontHandle base, FontVariant variant) override;
    void DeleteFont(FontHandle font) override;
    ColorValue ButtonFaceColor() override;
};

CGdiWindowServices& GdiWindowServices();

} // namespace NSMyWTLWrapper
