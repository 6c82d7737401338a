// What the text renderer needs from the window system besides drawing. On Windows these are
// GetDC/ReleaseDC, GetClientRect, InvalidateRect, GetObjectA/CreateFontIndirectA/DeleteObject and
// GetSysColor; the tests implement them over a drawer that measures deterministically.
#pragma once

#include "markup/Drawer.h"

class CWindowServices {
public:
    enum FontVariant { Underlined, Bold };

    virtual ~CWindowServices() = default;

    // A drawer on a device context of the window, for measuring (GetDC; a null window means the
    // screen). Null when none can be had. Give it back with CloseDrawer.
    virtual CDrawerBase* OpenWindowDrawer(WindowHandle window) = 0;
    // A drawer on a device context the caller already has (the paint cycle's).
    virtual CDrawerBase* OpenDrawer(DeviceContext dc) = 0;
    // Destroys the drawer and releases a device context that OpenWindowDrawer obtained.
    virtual void CloseDrawer(CDrawerBase* drawer) = 0;

    virtual DrawRect ClientRect(WindowHandle window) = 0;
    // The whole window, with background erase.
    virtual void InvalidateWindow(WindowHandle window) = 0;

    // A new font like base, underlined or at weight 700; null when it cannot be made.
    virtual FontHandle CreateVariantFont(FontHandle base, FontVariant variant) = 0;
    virtual void DeleteFont(FontHandle font) = 0; // null is accepted

    // The background of the text: the system colour of button faces (COLOR_BTNFACE).
    virtual ColorValue ButtonFaceColor() = 0;
};
