// The whole life of the process, apart from the choice of the readiness checks, which the shipped
// entry point takes from the byte-string library and tests replace.
#pragma once

#include <windows.h>

// Answers whether one module of the byte-string library is ready.
using ReadinessCheck = bool (*)();

// Starts OLE and the common controls, asks both checks (always both), and runs the main window
// modally when both are ready; otherwise says so in a message box. The exit code is always 0.
int RunVarnello(HINSTANCE instance, ReadinessCheck byteBuffersReady, ReadinessCheck elementBuffersReady);
