// What the tests ask of a KWin or GNOME Shell desktop over its session bus.
//   desktop-bus screenshot kwin|gnome FILE
//     Writes what the desktop shows to a PNG file (its XWayland's root window holds none of
//     the compositor's own surfaces). kwin: KWin's ScreenShot2 (allowed by
//     KWIN_SCREENSHOT_NO_PERMISSION_CHECKS in its environment), the pixels coming through a
//     pipe. gnome: GNOME Shell's Screenshot, which answers only a caller that owns the name
//     org.gnome.Screenshot.
//   desktop-bus pointer X Y [click|here]
//     Moves GNOME's pointer (mutter's RemoteDesktop) onto X, Y of its screen of 1280 × 1024
//     from a few pixels away, and clicks there (here: clicks where it rests): the click goes
//     through the compositor's input routing. Without a screen cast only relative moves are
//     offered: the pointer is first pushed into the bottom right corner (the top left one opens the
//     overview).
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusReply>
#include <QDBusUnixFileDescriptor>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>
#include <linux/input-event-codes.h>
#include <unistd.h>

namespace {

bool KWinScreenshot(const QString& file) {
    int ends[2];
    if (pipe(ends) != 0)
        return false;
    QDBusInterface kwin("org.kde.KWin", "/org/kde/KWin/ScreenShot2", "org.kde.KWin.ScreenShot2");
    // In the outputs' own pixels, where they are scaled.
    QDBusPendingCall call =
        kwin.asyncCall("CaptureWorkspace", QVariantMap{{"native-resolution", true}},
                       QVariant::fromValue(QDBusUnixFileDescriptor(ends[1])));
    close(ends[1]);
    // The reply comes at once and says how much follows (the pipe's other end stays open here
    // as long as the call's message holds it).
    call.waitForFinished();
    const QDBusReply<QVariantMap> reply = call.reply();
    if (!reply.isValid()) {
        std::fprintf(stderr, "desktop-bus: %s\n", qPrintable(reply.error().message()));
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
    // The shell writes the file itself, whole.
    QTemporaryDir dir;
    const QString written = dir.filePath("shot.png");
    const QDBusMessage reply = shell.call("Screenshot", false, false, written);
    if (reply.type() == QDBusMessage::ErrorMessage || !reply.arguments().value(0).toBool()) {
        std::fprintf(stderr, "desktop-bus: %s\n", qPrintable(reply.errorMessage()));
        return false;
    }
    QFile::remove(file);
    return QFile::copy(written, file);
}

bool GnomePointer(QPoint target, const QString& click) {
    QDBusInterface desktop("org.gnome.Mutter.RemoteDesktop", "/org/gnome/Mutter/RemoteDesktop",
                           "org.gnome.Mutter.RemoteDesktop");
    const QDBusReply<QDBusObjectPath> path = desktop.call("CreateSession");
    if (!path.isValid()) {
        std::fprintf(stderr, "desktop-bus: %s\n", qPrintable(path.error().message()));
        return false;
    }
    QDBusInterface session("org.gnome.Mutter.RemoteDesktop", path.value().path(),
                           "org.gnome.Mutter.RemoteDesktop.Session");
    session.call("Start");
    const auto move = [&](double dx, double dy) {
        session.call("NotifyPointerMotionRelative", dx, dy);
        QThread::msleep(30);
    };
    QPoint at(1279, 1023);
    for (int step = 4; step >= 0 && click != "here"; --step) {
        if (step == 4)
            move(5000, 5000);
        const QPoint next = target - QPoint(step, step);
        move(next.x() - at.x(), next.y() - at.y());
        at = next;
    }
    // A session's first button goes nowhere before its device has moved: here, by a pixel
    // and back.
    if (click == "here")
        move(1, 0), move(-1, 0);
    if (!click.isEmpty()) {
        session.call("NotifyPointerButton", int(BTN_LEFT), true);
        QThread::msleep(60);
        session.call("NotifyPointerButton", int(BTN_LEFT), false);
        QThread::msleep(60);
    }
    session.call("Stop");
    return true;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() == 3 && args[0] == "screenshot")
        return (args[1] == "kwin" ? KWinScreenshot(args[2]) : GnomeScreenshot(args[2])) ? 0 : 1;
    if ((args.size() == 3 || args.size() == 4) && args[0] == "pointer")
        return GnomePointer({args[1].toInt(), args[2].toInt()}, args.value(3)) ? 0 : 1;
    std::fprintf(stderr, "usage: desktop-bus screenshot kwin|gnome FILE\n"
                         "       desktop-bus pointer X Y [click|here]\n");
    return 2;
}
