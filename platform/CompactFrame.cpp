#include "CompactFrame.h"

#include <QHash>
#include <cstring>

namespace platform {

QImage CompactFrame(const QImage& frame) {
    if (frame.depth() != 32)
        return frame;
    QHash<QRgb, uchar> indexOf;
    QList<QRgb> colours;
    QImage compact(frame.size(), QImage::Format_Indexed8);
    // Neighbouring pixels mostly share a colour: the last one found is tried first.
    QRgb last = 0;
    uchar lastIndex = 0;
    const int width = frame.width(), height = frame.height();
    for (int y = 0; y < height; ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(frame.constScanLine(y));
        uchar* out = compact.scanLine(y);
        for (int x = 0; x < width; ++x) {
            if (in[x] != last || colours.isEmpty()) {
                auto found = indexOf.constFind(in[x]);
                if (found == indexOf.constEnd()) {
                    if (colours.size() == 256)
                        return frame;
                    found = indexOf.insert(in[x], static_cast<uchar>(colours.size()));
                    colours.append(in[x]);
                }
                last = in[x];
                lastIndex = found.value();
            }
            out[x] = lastIndex;
        }
    }
    // The table holds the frame's own 32-bit values, so expanding gives back the same bits
    // whatever its format (premultiplied or not).
    compact.setColorTable(colours);
    return compact;
}

void ExpandFrame(const QImage& compact, uchar* out, qsizetype stride) {
    if (compact.format() != QImage::Format_Indexed8) {
        for (int y = 0; y < compact.height(); ++y)
            std::memcpy(out + y * stride, compact.constScanLine(y), size_t(compact.width()) * 4);
        return;
    }
    const QList<QRgb> table = compact.colorTable();
    const QRgb* colours = table.constData();
    const int width = compact.width(), height = compact.height();
    for (int y = 0; y < height; ++y) {
        const uchar* in = compact.constScanLine(y);
        auto* row = reinterpret_cast<QRgb*>(out + y * stride);
        for (int x = 0; x < width; ++x)
            row[x] = colours[in[x]];
    }
}

} // namespace platform
