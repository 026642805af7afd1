#include "Shell.h"

#include <QProcess>

namespace platform {

namespace {

void OpenWithDesktop(const ShellRequest& request) {
    if (request.file.isEmpty())
        return;
    QStringList arguments{request.file};
    // Started detached: the window never waits for the browser. A missing opener or an
    // address nothing opens simply has no effect.
    QProcess::startDetached(QStringLiteral("xdg-open"), arguments, request.directory);
}

ShellHandler& Handler() {
    static ShellHandler handler = OpenWithDesktop;
    return handler;
}

} // namespace

void RunShell(const ShellRequest& request) {
    Handler()(request);
}

ShellHandler SetShellHandler(ShellHandler handler) {
    ShellHandler previous = std::move(Handler());
    Handler() = handler ? std::move(handler) : ShellHandler(OpenWithDesktop);
    return previous;
}

} // namespace platform
