// Resource and control identifiers of the main window, shared by the resource script and the code.
#pragma once

#define IDI_VARNELLO 128
#define IDS_APPNAME 128
#define IDD_MAINDLG 129

#define IDC_ADD 1000
#define IDC_REMOVE 1001
#define IDC_UP 1002
#define IDC_DOWN 1003
#define IDC_LIST 1004
#define IDC_SELECT 1005
#define IDC_OUTPUT 1006

#ifndef ID_APP_ABOUT
#define ID_APP_ABOUT 0xE140
#endif
