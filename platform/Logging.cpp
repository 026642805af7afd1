#include "Logging.h"

namespace platform {

Q_LOGGING_CATEGORY(lcKey, "lumivast.key", QtWarningMsg)
Q_LOGGING_CATEGORY(lcX11, "lumivast.x11", QtWarningMsg)
Q_LOGGING_CATEGORY(lcWayland, "lumivast.wayland", QtWarningMsg)
Q_LOGGING_CATEGORY(lcPicture, "lumivast.picture", QtWarningMsg)

} // namespace platform
