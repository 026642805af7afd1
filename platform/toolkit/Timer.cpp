#include "Timer.h"

namespace platform {

Timer::Timer(int intervalMs, QObject* parent)
    : QTimer(parent) {
    // A coarse timer (within 5 % of the interval): its ticks then wake the program together
    // with the animation's coarse frame timer instead of separately.
    setTimerType(Qt::CoarseTimer);
    setInterval(intervalMs);
    start();
}

} // namespace platform
