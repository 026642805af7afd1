// Bytes as a GIF file: through the program's own check and load of a picture (what the
// start-up window does), then played by the browser's picture until it keeps its frames.
#include "FuzzTarget.h"

#include "overlay/frmGif.h"
#include "platform/PictureDecoder.h"
#include "platform/browser/Picture.h"
#include "platform/toolkit/Errors.h"
#include "platform/toolkit/ImageBox.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    EnsureApplication();
    static const QString path =
        QDir::temp().filePath(QStringLiteral("lumivast-fuzz-%1.gif").arg(getpid()));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size))
        abort();
    file.close();
    platform::ImageBox holder;
    try {
        holder.LoadPicture(path, [](platform::PictureDecoder& frames) {
            if (!frmGif::ShowsAnything(frames))
                throw platform::Error(platform::errInvalidPicture);
        });
    } catch (const platform::Error&) {
        return 0;
    }
    if (const auto picture = platform::browser::Picture::Open(path)) {
        const QDeadlineTimer deadline(300);
        while (!picture->PlaysFromMemory() && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        picture->CurrentFrame();
    }
    return 0;
}
