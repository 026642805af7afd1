#pragma once

#include <QString>
#include <functional>

namespace platform {

// The folder that holds the program's executable, without a trailing separator
// (except for a root folder).
QString AppPath();

// Ends the program at once: every window goes, no further handler of any window runs, and
// the process exits with status 0.
[[noreturn]] void End();

// Who ends the process. The default exits immediately; tests put one in place that records
// the request and unwinds to them (it must not return). Returns the one that was in place.
using Terminator = std::function<void(int exitStatus)>;
Terminator SetTerminator(Terminator terminator);

} // namespace platform
