#pragma once

class QIODevice;

namespace platform {

// Whether the GIF stream on `device` (read from its current position) is whole: every
// block present up to the trailer, or up to the end of a last complete frame where the
// trailer alone is missing. Qt's reader shows a cut-off file as a partly drawn picture
// without any error, so a truncated file is caught here.
bool GifIsComplete(QIODevice& device);

} // namespace platform
