#include "app/AppEntry_win.h"

#include "app/MainDlg_win.h"

#include <commctrl.h>
#include <ole2.h>

int RunVarnello(HINSTANCE instance, ReadinessCheck byteBuffersReady, ReadinessCheck elementBuffersReady) {
    // Drag and drop needs a single-threaded apartment on this thread before the main window exists.
    ::OleInitialize(nullptr);
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_BAR_CLASSES};
    ::InitCommonControlsEx(&controls);
    g_module.Init(nullptr, instance);

    bool bytesReady = byteBuffersReady();
    bool elementsReady = elementBuffersReady();
    if (!bytesReady || !elementsReady) {
        ::MessageBoxA(nullptr, "Cannot initialize ansi library", "Varnello Error", MB_OK);
        return 0;
    }

    {
        MainDlg dialog;
        dialog.DoModal(::GetActiveWindow(), 0);
    }
    g_module.Term();
    ::OleUninitialize();
    return 0;
}
