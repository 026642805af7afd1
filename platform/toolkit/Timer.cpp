#include "Timer.h"

namespace platform {

Timer::Timer(int intervalMs, QObject* parent)
    : QTimer(parent) {
    // Ticks must come every interval and not drift to a coarse slot, since one tick
    // opens the only picture of a folder about 50 ms after start.
    setTimerType(Qt::CoarseTimer);
    setInterval(intervalMs);
    start();
}

} // namespace platform
