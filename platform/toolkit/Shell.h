#pragma once

#include <QString>
#include <functional>

namespace platform {

// One request to the desktop shell to open something with its default handler.
struct ShellRequest {
    quintptr window = 0;
    QString operation;
    QString file;
    // Null when no parameters are given.
    QString parameters;
    QString directory;
    int showCommand = 0;
};

// Hands a request to the shell and returns at once; nothing is reported back.
void RunShell(const ShellRequest& request);

// Who carries shell requests out. The default starts the desktop's opener (xdg-open)
// detached, in the requested working folder; tests record requests instead. Returns the
// handler that was in place.
using ShellHandler = std::function<void(const ShellRequest&)>;
ShellHandler SetShellHandler(ShellHandler handler);

} // namespace platform
