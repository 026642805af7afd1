#include "Declare.h"

#include "toolkit/Shell.h"

#include <QString>

namespace platform {

quintptr ShellExecuteA(HWND hwnd, LPCSTR lpOperation, LPCSTR lpFile, LPCSTR lpParameters,
                       LPCSTR lpDirectory, int nShowCmd) {
    ShellRequest request;
    request.window = hwnd;
    request.operation = QString::fromLocal8Bit(lpOperation);
    request.file = QString::fromLocal8Bit(lpFile);
    request.parameters = lpParameters ? QString::fromLocal8Bit(lpParameters) : QString();
    request.directory = QString::fromLocal8Bit(lpDirectory);
    request.showCommand = nShowCmd;
    RunShell(request);
    return 42;
}

} // namespace platform
