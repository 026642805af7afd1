// The windows on screens of other densities: run at 96, 120 and 144 DPI, on two screens, and
// at a device pixel ratio of 2 (see tests/CMakeLists.txt); each case checks what applies to
// the screen it finds.
#include "support/Fixtures.h"
#include "support/ProgramWindows.h"
#include "support/TestMain.h"

#include "app/frmForma.h"
#include "overlay/frmGif.h"
#include "platform/ColourKey.h"
#include "platform/toolkit/Session.h"
#include "platform/toolkit/Units.h"

#include <QCursor>
#include <QScreen>
#include <QTest>

using fixtures::CurrentFolder;

namespace {

bool OverlayShown() {
    return frmGif::IsLoaded() && frmGif::Instance().Visible();
}

int Pixels(double twips, double twipsPerPixel) {
    return static_cast<int>(std::lround(twips / twipsPerPixel));
}

// A 100 × 80 picture: a red disc on pure black.
bool WriteDisc(const QString& path) {
    return fixtures::WriteDrawnGif(
        path, 100, 80, 1, {Qt::black, QColor(220, 30, 30)}, 5,
        [](int, int x, int y) { return (x - 50) * (x - 50) + (y - 40) * (y - 40) < 900; });
}

} // namespace

class TestDpi : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { fixtures::DiscardProgramWindows(); }

    void twipsFollowTheLogicalDpi() {
        const double dpi = QGuiApplication::primaryScreen()->logicalDotsPerInchX();
        QCOMPARE(platform::TwipsPerPixelX(), 1440.0 / dpi);
        const QByteArray asked = qgetenv("QT_FONT_DPI");
        if (!asked.isEmpty()) {
            QCOMPARE(dpi, asked.toDouble());
            // Up to 144 DPI a logical pixel is a device pixel.
            QCOMPARE(QGuiApplication::primaryScreen()->devicePixelRatio(), 1.0);
        }
    }

    void mainWindowKeepsItsDesignInTwips() {
        CurrentFolder folder;
        frmForma& form = frmForma::Instance();
        const double twips = platform::TwipsPerPixelX();
        QCOMPARE(form.client->size(), QSize(Pixels(11910, twips), Pixels(6705, twips)));
        QVERIFY(std::abs(form.ScaleWidth() - 11910) <= twips);
        QVERIFY(std::abs(form.ScaleHeight() - 6705) <= twips);
        QCOMPARE(form.File1->geometry(),
                 QRect(0, 0, Pixels(481 * 15, twips), Pixels(446 * 15, twips)));
        QCOMPARE(
            form.usrReklamaX1->geometry(),
            QRect(Pixels(488 * 15, twips), 0, Pixels(305 * 15, twips), Pixels(441 * 15, twips)));
    }

    void overlayForAPictureOf100By80Pixels() {
        CurrentFolder folder;
        QVERIFY(WriteDisc(folder.file("disc.gif")));
        frmForma::Instance();
        QVERIFY(QTest::qWaitFor(OverlayShown, 3000));
        const double twips = platform::TwipsPerPixelX();
        frmGif& overlay = frmGif::Instance();
        QCOMPARE(frmForma::Instance().Image1->Width(), 100 * twips);
        QCOMPARE(overlay.size(),
                 QSize(Pixels(100 * twips - 30, twips), Pixels(80 * twips - 30, twips)));
        QCOMPARE(overlay.usrWeb1->geometry(),
                 QRect(Pixels(-15, twips), Pixels(-15, twips), 100, 80));
    }

    void windowsOpenOnTheScreenOfThePointer() {
        const QList<QScreen*> screens = QGuiApplication::screens();
        if (screens.size() < 2)
            QSKIP("one screen");
        for (QScreen* screen : screens) {
            QCursor::setPos(screen->geometry().center() + QPoint(7, 5));
            CurrentFolder folder;
            QVERIFY(fixtures::WriteGif(folder.file("a.gif"), 20, 20));
            QVERIFY(fixtures::WriteGif(folder.file("b.gif"), 100, 80));
            frmForma& form = frmForma::Instance();
            QVERIFY(form.Visible());
            QCOMPARE(form.frameGeometry().center(), screen->geometry().center());
            form.File1->SetListIndex(1);
            QTest::keyClick(form.File1, Qt::Key_Return);
            QVERIFY(OverlayShown());
            QVERIFY(screen->geometry().contains(frmGif::Instance().frameGeometry()));
            QVERIFY((frmGif::Instance().frameGeometry().center() - screen->geometry().center())
                        .manhattanLength() <= 2);
            fixtures::DiscardProgramWindows();
        }
    }

    void twiceAsDenseScreenKeysAndScalesInWholeDevicePixels() {
        if (QGuiApplication::primaryScreen()->devicePixelRatio() != 2.0)
            QSKIP("not a screen of device pixel ratio 2");
        CurrentFolder folder;
        QVERIFY(WriteDisc(folder.file("disc.gif")));
        frmForma::Instance();
        QVERIFY(QTest::qWaitFor(OverlayShown, 3000));
        frmGif& overlay = frmGif::Instance();
        QImage source(folder.file("disc.gif"));
        source = source.convertToFormat(QImage::Format_RGB32);
        const QImage shown = overlay.grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(shown.size(), overlay.size() * 2);
        // Every picture pixel is a block of 2 × 2 device pixels of exactly its colour.
        int blurred = 0;
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < shown.width(); ++x)
                blurred += shown.pixel(x, y) != source.pixel(x / 2 + 1, y / 2 + 1);
        QCOMPARE(blurred, 0);
        // The key leaves out exactly the black blocks.
        const platform::ColourKey* key = platform::ColourKey::Of(&overlay);
        QVERIFY(key);
        int mismatches = 0;
        for (int y = 0; y < overlay.height(); ++y)
            for (int x = 0; x < overlay.width(); ++x)
                mismatches += key->ShownRegion().contains(QPoint(x, y)) ==
                              ((source.pixel(x + 1, y + 1) & 0xffffff) == 0);
        QCOMPARE(mismatches, 0);
    }

    void waylandSessionsRunThroughXWayland_data() {
        QTest::addColumn<QStringList>("variables");
        QTest::addColumn<QByteArray>("platform");
        QTest::newRow("X11 session")
            << QStringList{"XDG_SESSION_TYPE=x11", "DISPLAY=:0"} << QByteArray();
        QTest::newRow("Wayland with XWayland")
            << QStringList{"XDG_SESSION_TYPE=wayland", "WAYLAND_DISPLAY=wayland-0", "DISPLAY=:0"}
            << QByteArray("xcb");
        QTest::newRow("Wayland display only, no session type")
            << QStringList{"WAYLAND_DISPLAY=wayland-0", "DISPLAY=:1"} << QByteArray("xcb");
        QTest::newRow("Wayland without XWayland")
            << QStringList{"XDG_SESSION_TYPE=wayland", "WAYLAND_DISPLAY=wayland-0"} << QByteArray();
        QTest::newRow("the user's own choice")
            << QStringList{"XDG_SESSION_TYPE=wayland", "DISPLAY=:0", "QT_QPA_PLATFORM=wayland"}
            << QByteArray();
        QTest::newRow("no display server at all") << QStringList{} << QByteArray();
    }

    void waylandSessionsRunThroughXWayland() {
        QFETCH(QStringList, variables);
        QFETCH(QByteArray, platform);
        QProcessEnvironment environment;
        for (const QString& variable : variables)
            environment.insert(variable.section('=', 0, 0), variable.section('=', 1));
        QCOMPARE(platform::ChoosePlatform(environment), platform);
    }
};

LUMIVAST_TEST_MAIN(TestDpi)
#include "tst_dpi.moc"
