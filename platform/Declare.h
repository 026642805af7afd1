#pragma once

#include <QtGlobal>
#include <cstdint>

// The native window calls the windows make, with their desktop signatures and constants,
// carried out with what this platform offers.
namespace platform {

using HWND = quintptr;
using LPCSTR = const char*;

constexpr int SW_SHOWNORMAL = 1;

// Hands `lpFile` to the desktop's default handler for it (a web address to the browser),
// in the working folder `lpDirectory`. Returns at once; the result, as on the desktop, is
// above 32 when the request was handed on.
quintptr ShellExecuteA(HWND hwnd, LPCSTR lpOperation, LPCSTR lpFile, LPCSTR lpParameters,
                       LPCSTR lpDirectory, int nShowCmd);

} // namespace platform
