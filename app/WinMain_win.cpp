// The process entry: the byte-string library's own readiness checks, then the application.
#include "app/AppEntry_win.h"

#include "foundation/ByteBuf.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    return RunVarnello(
        instance, [] { return ByteBufInit(0, 0, 0, 0); }, [] { return ElemBufInit(0, 0, 0, 0); });
}
