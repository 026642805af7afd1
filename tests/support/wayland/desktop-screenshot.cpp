// Writes what a Wayland desktop shows to a PNG file, asked of the compositor over its session
// bus (its XWayland's root window holds none of its own surfaces).
//   desktop-screenshot kwin|gnome FILE
// kwin: KWin's ScreenShot2 (allowed by KWIN_SCREENSHOT_NO_PERMISSION_CHECKS in its
// environment), the pixels coming through a pipe. gnome: GNOME Shell's Screenshot, which
// answers only a caller that owns the name org.gnome.Screenshot.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusReply>
#include <QDBusUnixFileDescriptor>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <cstdio>
#include <unistd.h>

namespace {

bool KWinScreenshot(const QString& file) {
    int ends[2];
    if (pipe(ends) != 0)
        return false;
    QDBusInterface kwin("org.kde.KWin", "/org/kde/KWin/ScreenShot2", "org.kde.KWin.ScreenShot2");
    QDBusPendingCall call = kwin.asyncCall("CaptureWorkspace", QVariantMap(),
                                           QVariant::fromValue(QDBusUnixFileDescriptor(ends[1])));
    close(ends[1]);
    // The reply comes at once and says how much follows (the pipe's other end stays open here
    // as long as the call's message holds it).
    call.waitForFinished();
    const QDBusReply<QVariantMap> reply = call.reply();
    if (!reply.isValid()) {
        std::fprintf(stderr, "desktop-screenshot: %s\n", qPrintable(reply.error().message()));
        return false;
    }
    const QVariantMap results = reply.value();
    const int width = results.value("width").toInt(), height = results.value("height").toInt(),
              stride = results.value("stride").toInt();
    const auto format = static_cast<QImage::Format>(results.value("format").toInt());
    QByteArray pixels(qsizetype(stride) * height, Qt::Uninitialized);
    for (qsizetype got = 0, n; got < pixels.size(); got += n)
        if ((n = read(ends[0], pixels.data() + got, size_t(pixels.size() - got))) <= 0)
            return false;
    close(ends[0]);
    return QImage(reinterpret_cast<const uchar*>(pixels.constData()), width, height, stride, format)
        .save(file);
}

bool GnomeScreenshot(const QString& file) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerService("org.gnome.Screenshot"))
        return false;
    QDBusInterface shell("org.gnome.Shell.Screenshot", "/org/gnome/Shell/Screenshot",
                         "org.gnome.Shell.Screenshot");
    // The shell writes the file itself: into a folder it may write to, whole.
    QTemporaryDir dir;
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                          QFile::ReadOther | QFile::WriteOther | QFile::ExeOther);
    const QString written = dir.filePath("shot.png");
    const QDBusMessage reply = shell.call("Screenshot", false, false, written);
    if (reply.type() == QDBusMessage::ErrorMessage || !reply.arguments().value(0).toBool()) {
        std::fprintf(stderr, "desktop-screenshot: %s\n", qPrintable(reply.errorMessage()));
        return false;
    }
    QFile::remove(file);
    return QFile::copy(written, file);
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: desktop-screenshot kwin|gnome FILE\n");
        return 2;
    }
    const QString desktop = QString::fromLocal8Bit(argv[1]), file = QString::fromLocal8Bit(argv[2]);
    return (desktop == "kwin" ? KWinScreenshot(file) : GnomeScreenshot(file)) ? 0 : 1;
}
