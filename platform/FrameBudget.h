#pragma once

#include <QImage>
#include <QSize>

namespace platform {

// Counts the frames of one size that a holder keeps within its budget: as they are (four bytes
// a pixel) while their budget allows, then compact (one byte a pixel where a frame has at most
// 256 colours, CompactFrame) while the program's own memory for them allows; beyond both a
// frame is kept nowhere and is painted, or decoded, again each time it shows. Frames of
// another size start the count anew: those kept before do not come back.
class FrameBudget {
public:
    // The memory that one window's contents may take where they are kept for showing again
    // (pixmaps in the X server, shared memory with a Wayland compositor), and the program's
    // own memory for the contents beyond it.
    static constexpr qint64 BudgetBytes = 64 * 1024 * 1024;
    static constexpr qint64 ProgramBudgetBytes = 16 * 1024 * 1024;

    // `asIsBytes` for frames as they are, `reservedFrames` frames' worth of it held back (the
    // X server's stage for the compact ones), `compactBytes` for the compact ones.
    FrameBudget(qint64 asIsBytes, qint64 compactBytes, int reservedFrames = 0);

    enum class Form { AsIs, Compact, Nowhere };
    // Whether frames kept as they are at `size` start the count anew (the first ones, and each
    // change of size): the holder forgets what it kept. A holder may keep them at a larger
    // size than the frames it is given (a Wayland buffer at twice the pixels): as they are they
    // count at `size`, compact at their own.
    bool Resized(QSize size);
    // Counts `frame` (of the size last given) as kept, and says how; `compact` receives its
    // compact form.
    Form Keep(const QImage& frame, QImage& compact);

private:
    qint64 asIsBytes_;
    qint64 compactBytes_;
    int reservedFrames_;
    QSize size_;
    qint64 asIsUsed_ = 0;
    qint64 compactUsed_ = 0;
};

} // namespace platform
