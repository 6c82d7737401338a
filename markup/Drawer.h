// The drawing interface through which markup is measured and drawn. The Windows implementation
// (NSMyWTLWrapper::CWinDrawer) works on a GDI device context; the tests use a drawer that measures
// deterministically. Nothing here needs <windows.h>: handles are opaque pointers.
#pragma once

#include "foundation/MyString.h"
#include "markup/Colors.h"

typedef void* DeviceContext; // HDC
typedef void* GdiObject;     // HGDIOBJ: a font, pen, brush or bitmap
typedef void* BitmapHandle;  // HBITMAP
typedef void* WindowHandle;  // HWND
typedef void* FontHandle;    // HFONT

// Inclusive on all sides: right = left + width - 1. Implementations that hand a rectangle to GDI
// add 1 to right and bottom.
struct DrawRect {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

struct DrawPoint {
    int32_t x;
    int32_t y;
};

struct DrawSize {
    int32_t width;
    int32_t height;
};

// A pen that SelectPen created; handed back to ReleasePen. Defined by each implementation.
struct DrawPen;

// Texts are UTF-8 with the string's ASCII flag: ASCII-only texts go to the single-byte calls, the
// others are converted to UTF-16 first and must be measured and drawn whole, however long.
class CDrawerBase {
public:
    enum Align { AlignLeft = 0, AlignCenter = 1, AlignRight = 2 };
    enum PenStyle { PenSolid = 0, PenDash = 1, PenDot = 2, PenDashDot = 3 };

    // Answers the previous platform alignment value.
    virtual uint32_t SetTextAlignment(int mode) = 0;
    virtual int GetTextAlignment() = 0;
    // Solid white or black: the stock pen is selected and null returned. Otherwise a created pen.
    virtual DrawPen* SelectPen(int style, int width, const ColorValue& color) = 0;
    virtual void ReleasePen(DrawPen* pen) = 0; // null is accepted
    virtual DrawSize TextExtent(const CMyASCIIString& text) = 0;
    // Both end points are drawn.
    virtual bool HorizontalLine(int32_t x1, int32_t y, int32_t x2) = 0;
    virtual bool VerticalLine(int32_t x, int32_t y1, int32_t y2) = 0;
    virtual bool Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2) = 0;
    virtual bool RectangleOutline(int32_t left, int32_t top, int32_t right, int32_t bottom) = 0;
    virtual bool Circle(const DrawPoint& centre, int32_t radius) = 0;
    // Opaque and clipped: the clip rectangle is filled with the background colour first.
    virtual void TextOutput(int32_t x, int32_t y, const DrawRect& clip, const CMyASCIIString& text) = 0;
    virtual bool FillRectangle(const DrawRect& rect, const ColorValue& color) = 0;
    // Both answer the previous colour and also store it when a place is given.
    virtual ColorValue SetBackgroundColor(const ColorValue& color, ColorValue* previous) = 0;
    virtual ColorValue SetTextColor(const ColorValue& color, ColorValue* previous) = 0;
    virtual bool DrawBitmap(BitmapHandle bitmap, int32_t x, int32_t y, int32_t width, int32_t height,
                            const DrawPoint& source) = 0;
    // image: a bitmap file image in memory (file header, information header, pixel bits).
    virtual bool DrawBitmapImage(const unsigned char* image, int32_t x, int32_t y, int32_t width,
                                 int32_t height, const DrawPoint& source, bool transparent) = 0;
    virtual DrawSize BitmapImageSize(const unsigned char* image) = 0;
    // Answers the object that was selected before.
    virtual GdiObject SelectObject(GdiObject object) = 0;
    virtual ~CDrawerBase() = default;
};
