#include "App.h"

#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>
#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace platform {

namespace {

[[noreturn]] void ExitNow(int status) {
    // No destructors, no close events, no unload handlers: the windows vanish with the
    // process's connection to the display.
    std::fflush(nullptr);
#if defined(__SANITIZE_ADDRESS__)
    // The leak check normally runs at exit, which this skips: in the sanitizer build it runs
    // here (and ends the process with its error status if it finds a leak).
    __lsan_do_leak_check();
#endif
    std::_Exit(status);
}

Terminator& CurrentTerminator() {
    static Terminator terminator = ExitNow;
    return terminator;
}

} // namespace

QString AppPath() {
    return QCoreApplication::applicationDirPath();
}

void End() {
    CurrentTerminator()(0);
    // A terminator that returns is a broken test seam; end anyway.
    ExitNow(0);
}

Terminator SetTerminator(Terminator terminator) {
    Terminator previous = std::move(CurrentTerminator());
    CurrentTerminator() = terminator ? std::move(terminator) : Terminator(ExitNow);
    return previous;
}

} // namespace platform
