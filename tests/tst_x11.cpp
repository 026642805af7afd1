// The program itself on a real X server, under a window manager as users have one (and the
// overlay's checks once more without): what the platform decides of its windows, and keys
// and clicks travelling between them.
#include "support/Fixtures.h"
#include "support/X11Windows.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTest>

using fixtures::CurrentFolder;

namespace {

// X keysyms.
constexpr std::uint32_t F1 = 0xffbe, Return = 0xff0d, Escape = 0xff1b, Up = 0xff52, Down = 0xff54,
                        Home = 0xff50;
constexpr int ClientHeight = 447;

bool IsMainWindow(const x11::Window& w) {
    return w.title == "Lumivast" && w.geometry.width() == 794 && w.geometry.height() > ClientHeight;
}

// The program started in a folder, and what it shows.
class Program {
public:
    explicit Program(const QString& folder) {
        process.setWorkingDirectory(folder);
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(qEnvironmentVariable("LUMIVAST_BINARY"), {});
        process.waitForStarted(5000);
    }
    ~Program() {
        process.kill();
        process.waitForFinished(3000);
    }
    QList<x11::Window> viewable() {
        QList<x11::Window> shown;
        for (const x11::Window& w : display.windowsOf(process.processId()))
            if (w.viewable)
                shown.append(w);
        return shown;
    }
    // Waits until a window that `pick` accepts shows (id 0 if none does).
    x11::Window waitFor(const std::function<bool(const x11::Window&)>& pick) {
        x11::Window found;
        const auto shown = [&] {
            for (const x11::Window& w : viewable())
                if (pick(w))
                    found = w;
            return found.id != 0;
        };
        return QTest::qWaitFor(shown, 5000) ? found : x11::Window{};
    }
    x11::Window waitFor(const QString& title) {
        return waitFor([&](const x11::Window& w) { return w.title == title && !IsMainWindow(w); });
    }
    // Waits until the program shows exactly one window, and returns it.
    x11::Window onlyWindow() {
        const bool one = QTest::qWaitFor([this] { return viewable().size() == 1; }, 5000);
        return one ? viewable().first() : x11::Window{};
    }
    // Whether after a moment the program shows `window` alone.
    bool showsAlone(const x11::Window& window) {
        QTest::qWait(500);
        const QList<x11::Window> shown = viewable();
        return shown.size() == 1 && shown.first().id == window.id;
    }
    // Presses Enter and releases it a moment later, as a person does.
    void pressEnter() {
        display.key(Return, true);
        QTest::qWait(300);
        display.key(Return, false);
    }
    // Opens "Меню" with the mouse and chooses its item number `item` with the keys.
    void chooseMenuItem(const x11::Window& main, int item) {
        display.click(main.geometry.topLeft() +
                      QPoint(20, (main.geometry.height() - ClientHeight) / 2));
        QVERIFY(QTest::qWaitFor([&] { return viewable().size() > 1; }, 3000));
        for (int i = 0; i < item; ++i)
            display.keyClick(Down);
        display.keyClick(Return);
    }

    QProcess process;
    x11::Display display;
};

QPoint FirstEntry(const x11::Window& main) {
    return main.geometry.topLeft() + QPoint(30, main.geometry.height() - ClientHeight + 8);
}

} // namespace

class TestX11 : public QObject {
    Q_OBJECT

private:
    x11::Display display_;

    // A caption bar with a close box, as a dialog of the program (no task-bar button), and
    // nothing the window manager would offer to change its size (minimising may remain:
    // some window managers keep it for every window).
    void ExpectFixedDialogFrame(const x11::Window& w) {
        QVERIFY(display_.atoms(w.id, "_NET_WM_WINDOW_TYPE").contains("_NET_WM_WINDOW_TYPE_DIALOG"));
        QVERIFY(!display_.numbers(w.id, "WM_TRANSIENT_FOR", XCB_ATOM_WINDOW).isEmpty());
        QVERIFY(display_.framed(w).top() < w.geometry.top());
        const QString actions = display_.atoms(w.id, "_NET_WM_ALLOWED_ACTIONS").join(' ');
        QVERIFY2(actions.contains("_CLOSE") && actions.contains("_MOVE"), qPrintable(actions));
        for (const char* refused : {"_RESIZE", "_MAXIMIZE_HORZ", "_MAXIMIZE_VERT"})
            QVERIFY2(!actions.contains(refused), qPrintable(actions));
    }

private slots:
    void initTestCase() {
        QVERIFY2(!qEnvironmentVariable("LUMIVAST_BINARY").isEmpty(), "LUMIVAST_BINARY not set");
        QVERIFY2(display_.connected(), "no X server (run under xvfb-run)");
    }

    void overlayIsTopMostUnfocusedAndKeyedToBlack() {
        CurrentFolder folder;
        // Three frames of a 100 × 80 picture, alike in their top half: the lower left quarter
        // in RGB 1,0,0, then the lower right one, then nothing but pure black.
        QVERIFY(fixtures::WriteDrawnGif(
            folder.file("quarters.gif"), 100, 80, 3, {Qt::black, QColor(1, 0, 0)}, 20,
            [](int f, int x, int y) { return y >= 40 && f < 2 && (x < 50) == (f == 0); }));
        display_.createWindowBeneath(QRect(400, 300, 480, 420));
        Program program(folder.path());
        const x11::Window overlay = program.onlyWindow();
        QCOMPARE(overlay.geometry.size(), QSize(98, 78));
        QCOMPARE(display_.framed(overlay), overlay.geometry);
        const QStringList states = display_.atoms(overlay.id, "_NET_WM_STATE");
        QVERIFY2(states.contains("_NET_WM_STATE_ABOVE"), qPrintable(states.join(' ')));
        QVERIFY(states.contains("_NET_WM_STATE_SKIP_TASKBAR") ||
                display_.atoms(overlay.id, "_NET_WM_WINDOW_TYPE")
                    .contains("_NET_WM_WINDOW_TYPE_UTILITY"));
        QVERIFY(display_.inputFocus() != overlay.id);

        // Which frame the screen shows: the overlay's shape is its figure (nothing for the
        // black one), the figure shows in its colour, the window beneath around it (read
        // between two reads of the same shape: -1 when a frame change fell between). Under a
        // reparenting window manager, which copies each new shape to its frame a moment
        // later, the figure may miss pixels meanwhile: there only no key colour may show.
        const QList<QRegion> figures = {QRegion(0, 39, 49, 39), QRegion(49, 39, 49, 39), QRegion()};
        const QRect inside(0, 0, 98, 78);
        const bool exact = !display_.windowManagerRuns();
        QString wrong;
        const auto shownFrame = [&] {
            const QRegion shape = display_.shape(overlay.id).intersected(inside);
            const QImage screen = display_.screenImage(overlay.geometry);
            if (display_.shape(overlay.id).intersected(inside) != shape)
                return -1;
            for (int y = 0; y < inside.height(); ++y)
                for (int x = 0; x < inside.width(); ++x) {
                    const QRgb expected =
                        shape.contains(QPoint(x, y)) ? qRgb(1, 0, 0) : qRgb(255, 255, 255);
                    if (screen.pixel(x, y) == qRgb(0, 0, 0) ||
                        (exact && screen.pixel(x, y) != expected))
                        wrong = QString("pixel %1,%2 is %3")
                                    .arg(x)
                                    .arg(y)
                                    .arg(screen.pixel(x, y), 0, 16);
                }
            wrong += figures.contains(shape) ? "" : " not a figure";
            return int(figures.indexOf(shape));
        };
        // So over several loops: from the second on, the frames come back from the X server.
        QList<int> seen(3, 0);
        int last = -1;
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 5000 && *std::min_element(seen.begin(), seen.end()) < 3) {
            if (const int frame = shownFrame(); frame >= 0 && frame != last)
                ++seen[last = frame];
            QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
            QTest::qWait(10);
        }
        QVERIFY(*std::min_element(seen.begin(), seen.end()) >= 3);
        // Covered and uncovered, the overlay shows its frame at once, never an older one.
        for (int i = 0; i < 5; ++i) {
            display_.coverAndUncover(overlay.geometry);
            shownFrame();
            QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
        }

        // A click on black goes to the window beneath; a click on the figure, right as its
        // frame comes, opens the menu (tried again should the frame have gone meanwhile,
        // when the click reaches the window beneath).
        display_.buttonPresses();
        display_.click(overlay.geometry.topLeft() + QPoint(80, 20));
        QTRY_COMPARE_WITH_TIMEOUT(display_.buttonPresses().size(), 1, 3000);
        const auto onFigure = [&] { return display_.shape(overlay.id).contains(QPoint(10, 60)); };
        for (int attempt = 0; attempt < 5 && program.viewable().size() == 1; ++attempt) {
            QVERIFY(QTest::qWaitFor([&] { return !onFigure(); }, 3000));
            QVERIFY(QTest::qWaitFor(onFigure, 3000));
            display_.click(overlay.geometry.topLeft() + QPoint(10, 60));
            if (QTest::qWaitFor([&] { return program.viewable().size() == 2; }, 1000))
                break;
        }
        QCOMPARE(program.viewable().size(), 2);

        // A message that comes while the figure plays (its picture deleted) is stacked above.
        display_.keyClick(Escape);
        QTRY_COMPARE_WITH_TIMEOUT(program.viewable().size(), 1, 3000);
        QVERIFY(QFile::remove(folder.file("quarters.gif")));
        const x11::Window box = program.waitFor("Lumivast");
        QVERIFY(overlay.geometry.intersects(display_.framed(box)));
        QTRY_VERIFY_WITH_TIMEOUT(display_.stackedAbove(box.id, overlay.id), 3000);
    }

    // An animation whose frames exceed the X server's budget for one window: the frames
    // beyond it are sent from the program each time, and every frame shows as it should.
    void framesBeyondTheServersBudget() {
        // A reparenting window manager copies each new shape to its frame a moment later, and
        // until then shows the old one: that lag is its own, and is left out here.
        if (display_.windowManagerRuns())
            QSKIP("checked without a window manager");
        CurrentFolder folder;
        // 24 frames of 1024 × 768 (3 MiB each in the server): a bar of RGB 1,0,0 whose place
        // tells the frame.
        constexpr int Frames = 24;
        QVERIFY(fixtures::WriteDrawnGif(
            folder.file("large.gif"), 1024, 768, Frames, {Qt::black, QColor(1, 0, 0)}, 8,
            [](int f, int x, int y) { return y >= 100 && y < 140 && x / 40 == f; }));
        display_.createWindowBeneath(QRect(0, 0, 1280, 1024));
        Program program(folder.path());
        const x11::Window overlay = program.onlyWindow();
        QCOMPARE(overlay.geometry.size(), QSize(1022, 766));
        // From the first change of frame on: as the window first appears, the window system
        // shows it before it has painted.
        const QRect first = display_.shape(overlay.id).boundingRect();
        QVERIFY(QTest::qWaitFor([&] { return display_.shape(overlay.id).boundingRect() != first; },
                                3000));
        QList<int> seen(Frames, 0);
        int last = -1;
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 15000 && *std::min_element(seen.begin(), seen.end()) < 3) {
            const QRect bar = display_.shape(overlay.id).boundingRect();
            const int frame = (bar.x() + 1) / 40;
            QCOMPARE(bar, QRect(frame * 40 - 1, 99, 40, 40).intersected(QRect(0, 0, 1022, 766)));
            // A column through the bar: the bar's colour, the window beneath around it.
            const QImage column = display_.screenImage(
                QRect(overlay.geometry.topLeft() + QPoint(bar.center().x(), 98), QSize(1, 42)));
            if (display_.shape(overlay.id).boundingRect() != bar)
                continue;
            for (int y = 0; y < 42; ++y)
                QVERIFY2(column.pixel(0, y) ==
                             (y == 0 || y == 41 ? qRgb(255, 255, 255) : qRgb(1, 0, 0)),
                         qPrintable(QString("frame %1, row %2: %3, after %4 ms")
                                        .arg(frame)
                                        .arg(y)
                                        .arg(column.pixel(0, y), 0, 16)
                                        .arg(clock.elapsed())));
            if (frame != last)
                ++seen[last = frame];
        }
        QVERIFY(*std::min_element(seen.begin(), seen.end()) >= 3);
        // X-Resource counts the window's background, one of them, a second time.
        QVERIFY(display_.pixmapBytes(overlay.id) <= 64 * 1024 * 1024 + 1022 * 766 * 4);
    }

    // With several pictures, under a window manager: both information windows have fixed
    // dialog frames, the help window covers the work area, and the keyboard comes back to
    // the list after each; Enter pressed in another window of the program (the About window,
    // a message, the popup menu) and released in the list opens nothing.
    void informationWindowsAndKeysBetweenWindows() {
        if (!display_.windowManagerRuns())
            QSKIP("the window manager decides frames, maximising and focus");
        CurrentFolder folder;
        for (const char* name : {"a.gif", "b.gif", "c.gif"})
            QVERIFY(fixtures::WriteGif(folder.file(name), 100, 80, 2, {Qt::red, Qt::blue}));
        Program program(folder.path());
        const x11::Window main = program.onlyWindow();
        QVERIFY(IsMainWindow(main));
        QCOMPARE(display_.framed(main), main.geometry); // no frame: its menu bar is its top
        program.display.click(FirstEntry(main));        // a.gif
        QTRY_COMPARE_WITH_TIMEOUT(display_.inputFocus(), main.id, 3000);

        program.display.keyClick(F1);
        const x11::Window help = program.waitFor("Инструкции");
        ExpectFixedDialogFrame(help);
        const QList<std::uint32_t> area = display_.numbers(0, "_NET_WORKAREA");
        QVERIFY(area.size() >= 4);
        QTRY_COMPARE_WITH_TIMEOUT(display_.framed(program.waitFor("Инструкции")),
                                  QRect(area[0], area[1], area[2], area[3]), 3000);
        program.display.requestClose(help.id);
        QVERIFY(program.showsAlone(main));

        program.chooseMenuItem(main, 2);
        const x11::Window about = program.waitFor("О программе");
        ExpectFixedDialogFrame(about);
        QCOMPARE(about.geometry.size(), QSize(356, 209));
        program.pressEnter(); // on OK
        QVERIFY(program.showsAlone(main));

        QVERIFY(QFile::remove(folder.file("c.gif"))); // still listed
        program.display.keyClick(Down);
        program.display.keyClick(Down);
        program.display.keyClick(Return);
        QVERIFY(program.waitFor("Lumivast").id); // "Файл «c.gif» не найден."
        program.pressEnter();
        QVERIFY(program.showsAlone(main));

        program.display.keyClick(Home);
        const auto pixmaps = [&] { return display_.pixmapBytes(main.id); };
        // Opened and closed again and again (LUMIVAST_SOAK_CYCLES times, at least twice),
        // the overlay leaves nothing behind in the server.
        const int cycles = qMax(2, qEnvironmentVariableIntValue("LUMIVAST_SOAK_CYCLES"));
        int resourcesLeft = -1;
        for (int cycle = 0; cycle < cycles; ++cycle) {
            const qint64 before = pixmaps();
            program.display.keyClick(Return); // the keyboard is the list's: a.gif opens
            const x11::Window overlay =
                program.waitFor([](const x11::Window& w) { return !IsMainWindow(w); });
            QCOMPARE(overlay.geometry.width(), 98);
            // Its two frames are kept in the server while it plays (one also as the window's
            // background), and let go when it closes; the popup menu keeps its own.
            QTRY_COMPARE_WITH_TIMEOUT(pixmaps() - before, 3 * 98 * 78 * 4, 3000);
            program.display.click(overlay.geometry.topLeft() + QPoint(10, 10));
            QTRY_COMPARE_WITH_TIMEOUT(program.viewable().size(), 2, 3000);
            const qint64 withPopup = pixmaps();
            program.display.keyClick(Up); // "Закрыть"
            program.pressEnter();
            QVERIFY(program.showsAlone(main));
            QCOMPARE(pixmaps(), withPopup - 3 * 98 * 78 * 4);
            if (cycle == 0)
                resourcesLeft = display_.resources(main.id);
            else
                QCOMPARE(display_.resources(main.id), resourcesLeft);
        }
    }
};

QTEST_GUILESS_MAIN(TestX11)
#include "tst_x11.moc"
