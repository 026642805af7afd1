// The windows on screens of other densities: run at 96, 120 and 144 DPI, on two screens, and
// at a device pixel ratio of 2 (see tests/CMakeLists.txt); each case checks what applies to
// the screen it finds.
#include "platform/toolkit/Units.h"
#include "support/Fixtures.h"
#include "support/ProgramWindows.h"

#include "platform/ColourKey.h"
#include "platform/KeyBackend.h"

#include <QCursor>
#include <QScreen>
#include <QTest>

using fixtures::CurrentFolder;
using fixtures::OverlayShown;

namespace {

// Twips to a pixel on this screen, from its logical DPI.
double Twips() {
    return 1440.0 / QGuiApplication::primaryScreen()->logicalDotsPerInchX();
}

int Pixels(double twips) {
    return static_cast<int>(std::lround(twips / Twips()));
}

} // namespace

class TestDpi : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { fixtures::DiscardProgramWindows(); }

    // The designs keep their size in twips; the About window's flag keeps its place in
    // pixels and its rule stays two adjacent lines. Up to 144 DPI a logical pixel is a device
    // pixel, so the DPI reaches the twips.
    void windowsKeepTheirDesignInTwips() {
        if (!qEnvironmentVariableIsEmpty("QT_FONT_DPI"))
            QCOMPARE(QGuiApplication::primaryScreen()->devicePixelRatio(), 1.0);
        CurrentFolder folder;
        frmForma& form = frmForma::Instance();
        QCOMPARE(form.client->size(), QSize(Pixels(11910), Pixels(6705)));
        QCOMPARE(form.usrReklamaX1->geometry(),
                 QRect(Pixels(488 * 15), 0, Pixels(305 * 15), Pixels(441 * 15)));
        frmOproge& about = frmOproge::Instance();
        about.Show();
        QCOMPARE(about.size(), QSize(Pixels(5340), Pixels(3135)));
        QCOMPARE(about.Picture1->geometry(), QRect(8, 160, 80, 45));
        QCOMPARE(about.Line2->geometry(), about.Line1->geometry().translated(0, 1));
        QCOMPARE(about.Line1->height(), 1);
    }

    // The overlay of a 100 × 80 picture is 30 twips smaller, its view 15 twips outside its
    // corner: it shows the picture without its outermost pixels, each pixel in exactly its
    // colour (a block of whole device pixels), and its colour key leaves out exactly black.
    void overlayShowsThePictureExactly() {
        CurrentFolder folder;
        // Every pixel has its own colour (of 256), so that a shifted or cut copy is told from
        // the right one; index 0 is pure black and index 1 is RGB 1,0,0. The second frame is
        // all black.
        QList<QColor> palette;
        for (int i = 0; i < 256; ++i)
            palette << (i == 1 ? QColor(1, 0, 0) : QColor(i, (i * 37) % 256, (i * 91) % 256));
        QVERIFY(fixtures::WriteDrawnGif(
            "pattern.gif", 100, 80, 2, palette, 100,
            [](int f, int x, int y) { return std::uint8_t(f == 0 ? (x * 3 + y * 17) % 256 : 0); }));
        frmForma::Instance();
        QVERIFY(QTest::qWaitFor(OverlayShown, 3000));
        frmGif& overlay = frmGif::Instance();
        QCOMPARE(frmForma::Instance().Image1->Width(), 100 * Twips());
        QCOMPARE(overlay.size(), QSize(Pixels(100 * Twips() - 30), Pixels(80 * Twips() - 30)));
        QCOMPARE(overlay.usrWeb1->geometry(), QRect(Pixels(-15), Pixels(-15), 100, 80));
        const QImage source = QImage("pattern.gif").convertToFormat(QImage::Format_RGB32);
        const QImage shown = overlay.grab().toImage().convertToFormat(QImage::Format_RGB32);
        const int ratio = qRound(overlay.devicePixelRatio());
        QCOMPARE(shown.size(), overlay.size() * ratio);
        const QPoint offset = -overlay.usrWeb1->pos();
        const QRegion keyed = platform::ColourKey::Of(&overlay)->ShownRegion();
        int wrong = 0, mismatches = 0;
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < shown.width(); ++x) {
                const QPoint at(x / ratio, y / ratio);
                const QRgb expected = source.pixel(at + offset);
                wrong += shown.pixel(x, y) != expected;
                mismatches += keyed.contains(at) == ((expected & 0xffffff) == 0);
            }
        QCOMPARE(wrong, 0);
        QCOMPARE(mismatches, 0);
        // Then nothing of the window shows (an empty window mask would mean no mask at all).
        const auto mask = [&] { return overlay.windowHandle()->mask(); };
        QTRY_VERIFY_WITH_TIMEOUT(!mask().isEmpty() && !mask().intersects(overlay.rect()), 3000);
    }

    void windowsOpenOnTheScreenOfThePointer() {
        const QList<QScreen*> screens = QGuiApplication::screens();
        if (screens.size() < 2)
            QSKIP("one screen");
        const auto centredOn = [](QWidget& w, QScreen* s) {
            return (w.frameGeometry().center() - s->geometry().center()).manhattanLength() <= 4;
        };
        for (QScreen* screen : screens) {
            QCursor::setPos(screen->geometry().center() + QPoint(7, 5));
            CurrentFolder folder;
            QVERIFY(fixtures::WriteGifs({"a.gif", "b.gif"}, 100, 80));
            frmForma& form = frmForma::Instance();
            QVERIFY(centredOn(form, screen));
            form.File1->SetListIndex(1);
            QTest::keyClick(form.File1, Qt::Key_Return);
            QVERIFY(OverlayShown() && centredOn(frmGif::Instance(), screen));
            // The information windows too: About centred, the help window covering it.
            frmOproge::Instance().Show();
            QVERIFY(centredOn(frmOproge::Instance(), screen));
            frmHelp::Instance().Show();
            QTRY_COMPARE(frmHelp::Instance().frameGeometry(), screen->availableGeometry());
            fixtures::DiscardProgramWindows();
        }
    }

    // In a Wayland session with XWayland the program asks for Qt's X11 platform, unless the
    // user chose one; elsewhere it leaves the choice to Qt.
    void waylandSessionsRunThroughXWayland() {
        for (const QString row :
             {"XDG_SESSION_TYPE=x11 DISPLAY=:0|",
              "XDG_SESSION_TYPE=wayland WAYLAND_DISPLAY=wayland-0 DISPLAY=:0|xcb",
              "WAYLAND_DISPLAY=wayland-0 DISPLAY=:1|xcb",
              "XDG_SESSION_TYPE=wayland WAYLAND_DISPLAY=wayland-0|",
              "XDG_SESSION_TYPE=wayland DISPLAY=:0 QT_QPA_PLATFORM=wayland|", "|"}) {
            QProcessEnvironment environment;
            for (const QString& variable : row.section('|', 0, 0).split(' ', Qt::SkipEmptyParts))
                environment.insert(variable.section('=', 0, 0), variable.section('=', 1));
            QCOMPARE(QString(platform::ChoosePlatform(environment)), row.section('|', 1));
        }
    }
};

// The application prepared as the program's own main does (screen scaling).
int main(int argc, char* argv[]) {
    platform::UseWholeScaleFactors();
    QApplication app(argc, argv);
    TestDpi test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_dpi.moc"
