// The program itself on a real X server: which windows it maps, their titles and sizes,
// the message box for a damaged picture, the figure's popup menu, and ending the program.
#include "support/Fixtures.h"
#include "support/X11Windows.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

using fixtures::CurrentFolder;

namespace {

constexpr int ClientWidth = 794;
constexpr int ClientHeight = 447;

// X keysyms.
constexpr std::uint32_t F1 = 0xffbe, Return = 0xff0d, Up = 0xff52, Down = 0xff54, Home = 0xff50;

bool IsMainWindow(const x11::Window& w) {
    // The client area plus a menu bar above it.
    return w.title == "Lumivast" && w.geometry.width() == ClientWidth &&
           w.geometry.height() > ClientHeight && w.geometry.height() <= ClientHeight + 40;
}

class Program {
public:
    explicit Program(const QString& folder, const QProcessEnvironment& environment =
                                                QProcessEnvironment::systemEnvironment()) {
        process_.setProcessEnvironment(environment);
        process_.setProgram(qEnvironmentVariable("LUMIVAST_BINARY"));
        process_.setWorkingDirectory(folder);
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start();
    }
    ~Program() {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(3000);
        }
    }
    bool started() { return process_.waitForStarted(5000); }
    QList<x11::Window> viewable() {
        QList<x11::Window> shown;
        for (const x11::Window& w : display_.windowsOf(process_.processId()))
            if (w.viewable)
                shown.append(w);
        return shown;
    }
    x11::Display& display() { return display_; }
    // Waits for the program to show exactly one window and returns it (id 0 when it does not).
    x11::Window onlyWindow() {
        QList<x11::Window> shown;
        const bool one = QTest::qWaitFor(
            [&] {
                shown = viewable();
                return shown.size() == 1;
            },
            5000);
        return one ? shown.first() : x11::Window{};
    }
    QProcess& process() { return process_; }

private:
    QProcess process_;
    x11::Display display_;
};

// Presses Enter and releases it a moment later, as a person does.
void PressEnter(Program& program) {
    program.display().keyDown(Return);
    QTest::qWait(300);
    program.display().keyUp(Return);
}

// Where the list shows its first entry.
QPoint FirstEntry(const x11::Window& main) {
    const int menuBar = main.geometry.height() - ClientHeight;
    return main.geometry.topLeft() + QPoint(30, menuBar + 8);
}

// Waits for the program's window with `title` (id 0 when it does not appear).
x11::Window WaitForTitle(Program& program, const QString& title) {
    x11::Window found;
    const bool shown = QTest::qWaitFor(
        [&] {
            for (const x11::Window& w : program.viewable())
                if (w.title == title && !IsMainWindow(w))
                    found = w;
            return found.id != 0;
        },
        5000);
    return shown ? found : x11::Window{};
}

// Opens "Меню" with the mouse and chooses its item number `item` (from 1) with the keys.
void ChooseMenuItem(Program& program, const x11::Window& main, int item) {
    const int menuBar = main.geometry.height() - ClientHeight;
    const int before = program.viewable().size();
    program.display().click(main.geometry.topLeft() + QPoint(20, menuBar / 2));
    QVERIFY(QTest::qWaitFor([&] { return program.viewable().size() > before; }, 3000));
    for (int i = 0; i < item; ++i)
        program.display().keyClick(Down);
    program.display().keyClick(Return);
}

// A caption bar with a close box and nothing else the window manager would offer to change
// its size (minimising may remain: some window managers keep it for every window).
void ExpectFixedDialogFrame(const x11::Window& w) {
    QVERIFY2(w.types.contains("_NET_WM_WINDOW_TYPE_DIALOG"), qPrintable(w.types.join(' ')));
    QVERIFY(w.transientFor != 0); // a dialog of the program: no task-bar button
    QVERIFY(!w.undecorated && w.frame.top() > 0);
    const QString actions = w.allowedActions.join(' ');
    QVERIFY2(actions.contains("_NET_WM_ACTION_CLOSE") && actions.contains("_NET_WM_ACTION_MOVE"),
             qPrintable(actions));
    for (const char* refused : {"RESIZE", "MAXIMIZE_HORZ", "MAXIMIZE_VERT"})
        QVERIFY2(!actions.contains(QString("_NET_WM_ACTION_") + refused), qPrintable(actions));
}

} // namespace

class TestX11 : public QObject {
    Q_OBJECT

private:
    x11::Display beneath_;

private slots:
    void initTestCase() {
        QVERIFY2(!qEnvironmentVariable("LUMIVAST_BINARY").isEmpty(), "LUMIVAST_BINARY not set");
        x11::Display display;
        QVERIFY2(display.connected(), "no X server (run under xvfb-run)");
    }

    void severalPicturesMapOneFramelessMainWindow() {
        CurrentFolder folder;
        for (const char* name : {"a.gif", "b.gif", "c.gif"})
            QVERIFY(fixtures::WriteGif(folder.file(name), 16, 16));
        Program program(folder.path());
        QVERIFY(program.started());
        const x11::Window main = program.onlyWindow();
        QVERIFY(main.id);
        QVERIFY2(IsMainWindow(main), qPrintable(QString("%1 %2x%3")
                                                    .arg(main.title)
                                                    .arg(main.geometry.width())
                                                    .arg(main.geometry.height())));
        QVERIFY(main.undecorated);
        QVERIFY(!main.overrideRedirect);
        // Nothing else appears later (no picture opens by itself).
        QTest::qWait(300);
        QCOMPARE(program.viewable().size(), 1);
    }

    void emptyFolderShowsTheMainWindowAndClosingItEndsTheProgram() {
        CurrentFolder folder;
        Program program(folder.path());
        QVERIFY(program.started());
        const x11::Window main = program.onlyWindow();
        QVERIFY(main.id);
        QVERIFY(IsMainWindow(main));
        program.display().requestClose(main.id);
        QVERIFY(program.process().waitForFinished(5000));
        QCOMPARE(program.process().exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.process().exitCode(), 0);
    }

    void onePictureOpensWithoutTheMainWindow() {
        CurrentFolder folder;
        QVERIFY(fixtures::WriteGif(folder.file("only.gif"), 100, 80, 2));
        Program program(folder.path());
        QVERIFY(program.started());
        QTRY_COMPARE_WITH_TIMEOUT(program.viewable().size(), 1, 5000);
        QTest::qWait(300);
        const QList<x11::Window> shown = program.viewable();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.first().geometry.size(), QSize(98, 78));
        QVERIFY(!IsMainWindow(shown.first()));
    }

    void overlayIsTopMostUnfocusedAndKeyedToBlack() {
        CurrentFolder folder;
        // Two frames: the left half, then the top half, of a 100 × 80 picture in RGB 1,0,0;
        // the rest pure black.
        QVERIFY(fixtures::WriteDrawnGif(
            folder.file("halves.gif"), 100, 80, 2, {Qt::black, QColor(1, 0, 0)}, 30,
            [](int f, int x, int y) { return f == 0 ? x < 50 : y < 40; }));

        x11::Display& display = beneath_;
        QVERIFY(display.connected());
        const QRect under(400, 300, 480, 420);
        display.createWindowBeneath(under);

        Program program(folder.path());
        QVERIFY(program.started());
        const x11::Window overlay = program.onlyWindow();
        QVERIFY(overlay.id);
        QCOMPARE(overlay.geometry.size(), QSize(98, 78));
        QVERIFY(overlay.undecorated);
        QVERIFY2(overlay.states.contains("_NET_WM_STATE_ABOVE"),
                 qPrintable(overlay.states.join(' ')));
        QVERIFY2(overlay.states.contains("_NET_WM_STATE_SKIP_TASKBAR") ||
                     overlay.types.contains("_NET_WM_WINDOW_TYPE_UTILITY"),
                 qPrintable(overlay.states.join(' ') + " / " + overlay.types.join(' ')));
        QVERIFY(program.display().inputFocus() != overlay.id);

        // The shape is exactly the figure of the frame on show, and follows the animation.
        const QRegion left(0, 0, 49, 78), top(0, 0, 98, 39);
        bool sawLeft = false, sawTop = false;
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 2000 && !(sawLeft && sawTop)) {
            const QRegion shape = program.display().shape(overlay.id);
            QVERIFY2(shape == left || shape == top, qPrintable(QString::number(shape.rectCount())));
            sawLeft |= shape == left;
            sawTop |= shape == top;
            QTest::qWait(20);
        }
        QVERIFY(sawLeft && sawTop);
        // What the screen shows inside the shape is never black (read between two reads of
        // the same shape, so that no frame change falls between).
        int consistent = 0;
        for (int attempt = 0; attempt < 20 && consistent < 5; ++attempt) {
            const QRegion before = program.display().shape(overlay.id);
            const QImage screen = program.display().screenImage(overlay.geometry);
            if (screen.isNull() || program.display().shape(overlay.id) != before)
                continue;
            ++consistent;
            int shownBlack = 0;
            for (int y = 0; y < 78; ++y)
                for (int x = 0; x < 98; ++x)
                    shownBlack +=
                        before.contains(QPoint(x, y)) && (screen.pixel(x, y) & 0xffffff) == 0;
            QCOMPARE(shownBlack, 0);
            QTest::qWait(37);
        }
        QVERIFY(consistent > 0);

        // A click on black goes to the window beneath; a click on the figure opens the menu.
        display.buttonPresses();
        display.click(overlay.geometry.topLeft() + QPoint(80, 60));
        QTRY_COMPARE_WITH_TIMEOUT(display.buttonPresses().size(), 1, 3000);
        program.display().click(overlay.geometry.topLeft() + QPoint(10, 10));
        QTRY_VERIFY_WITH_TIMEOUT(program.viewable().size() == 2, 3000);
        QCOMPARE(display.buttonPresses().size(), 1);
    }

    void figurePopupOpensTheSiteAndClosesTheProgram() {
        CurrentFolder folder;
        QVERIFY(fixtures::WriteGif(folder.file("only.gif"), 100, 80, 2));
        // The desktop's opener hands web addresses to $BROWSER where no desktop is running:
        // a script that notes the address and the folder it was started in.
        const QString log = folder.file("opened.txt");
        const QString browser = folder.file("browser.sh");
        QVERIFY(fixtures::WriteBytes(
            browser, QString("#!/bin/sh\necho \"$1 $PWD\" >> '%1'\n").arg(log).toUtf8()));
        QVERIFY(QFile::setPermissions(browser, QFile::ReadOwner | QFile::ExeOwner));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("BROWSER", browser);
        environment.remove("XDG_CURRENT_DESKTOP");
        environment.remove("DESKTOP_SESSION");
        Program program(folder.path(), environment);
        QVERIFY(program.started());
        const x11::Window overlay = program.onlyWindow();
        QVERIFY(overlay.id);

        auto popup = [&program, &overlay]() -> x11::Window {
            program.display().click(overlay.geometry.topLeft() + QPoint(10, 10));
            x11::Window menu;
            const bool shown = QTest::qWaitFor(
                [&] {
                    for (const x11::Window& w : program.viewable())
                        if (w.id != overlay.id)
                            menu = w;
                    return menu.id != 0;
                },
                3000);
            return shown ? menu : x11::Window{};
        };
        // The author's site: the second item.
        x11::Window menu = popup();
        QVERIFY(menu.id);
        const int itemHeight = (menu.geometry.height() - 8) / 3; // three items, a thin rule
        program.display().click(menu.geometry.topLeft() +
                                QPoint(menu.geometry.width() / 2, itemHeight * 3 / 2));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(log), 5000);
        QFile opened(log);
        QVERIFY(opened.open(QIODevice::ReadOnly));
        const QString line = QString::fromUtf8(opened.readAll()).trimmed();
        const QString programFolder =
            QFileInfo(qEnvironmentVariable("LUMIVAST_BINARY")).absolutePath();
        QCOMPARE(line, QString("http://orbelune.example/site/ ") + programFolder);
        // The picture plays on.
        QTRY_COMPARE_WITH_TIMEOUT(program.viewable().size(), 1, 3000);
        QCOMPARE(program.viewable().first().id, overlay.id);

        // "Закрыть", the last item, with one picture: the program ends.
        menu = popup();
        QVERIFY(menu.id);
        program.display().click(menu.geometry.topLeft() +
                                QPoint(menu.geometry.width() / 2, menu.geometry.height() - 8));
        QVERIFY(program.process().waitForFinished(5000));
        QCOMPARE(program.process().exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.process().exitCode(), 0);
    }

    void informationWindowsHaveFixedDialogFramesAndTheHelpCoversTheWorkArea() {
        if (!beneath_.windowManagerRuns())
            QSKIP("the window manager decides frames and maximising");
        // A desktop panel along the top: the work area is the screen less its strip.
        x11::Display panel;
        panel.createTopPanel(30);
        QTRY_COMPARE_WITH_TIMEOUT(panel.workArea().top(), 30, 3000);

        CurrentFolder folder;
        for (const char* name : {"a.gif", "b.gif"})
            QVERIFY(fixtures::WriteGif(folder.file(name), 16, 16));
        Program program(folder.path());
        QVERIFY(program.started());
        const x11::Window main = program.onlyWindow();
        QVERIFY(IsMainWindow(main));
        program.display().click(FirstEntry(main));
        QTRY_COMPARE_WITH_TIMEOUT(program.display().inputFocus(), main.id, 3000);
        program.display().keyClick(F1);
        const x11::Window help = WaitForTitle(program, "Инструкции");
        QVERIFY(help.id);
        ExpectFixedDialogFrame(help);
        const auto helpFrame = [&program] {
            const x11::Window w = WaitForTitle(program, "Инструкции");
            return w.geometry.marginsAdded(w.frame);
        };
        QTRY_COMPARE_WITH_TIMEOUT(helpFrame(), panel.workArea(), 3000);
        program.display().requestClose(help.id);
        QTRY_COMPARE_WITH_TIMEOUT(program.viewable().size(), 1, 3000);

        ChooseMenuItem(program, main, 2);
        const x11::Window about = WaitForTitle(program, "О программе");
        QVERIFY(about.id);
        ExpectFixedDialogFrame(about);
        QCOMPARE(about.geometry.size(), QSize(356, 209));
        // Closed, it gives the keyboard back to the list: Enter opens the selected picture.
        program.display().requestClose(about.id);
        QTRY_COMPARE_WITH_TIMEOUT(program.viewable().size(), 1, 3000);
        program.display().keyClick(Return);
        x11::Window overlay;
        QTRY_VERIFY_WITH_TIMEOUT((overlay = program.onlyWindow()).id && !IsMainWindow(overlay),
                                 3000);
    }

    // Enter pressed in another window of the program and released once the list has the
    // focus again opens nothing: not after the About window, a message, or the popup menu.
    void enterFromAnotherWindowDoesNotOpenTheSelectedPicture() {
        if (!beneath_.windowManagerRuns())
            QSKIP("the window manager hands the focus back to the list");
        CurrentFolder folder;
        for (const char* name : {"a.gif", "b.gif", "c.gif"})
            QVERIFY(fixtures::WriteGif(folder.file(name), 100, 80, 2));
        Program program(folder.path());
        QVERIFY(program.started());
        const x11::Window main = program.onlyWindow();
        QVERIFY(IsMainWindow(main));
        QVERIFY(QFile::remove(folder.file("c.gif"))); // still listed
        const auto onlyTheList = [&program, &main] {
            QTest::qWait(500);
            const QList<x11::Window> shown = program.viewable();
            return shown.size() == 1 && shown.first().id == main.id;
        };
        program.display().click(FirstEntry(main)); // a.gif

        // Enter on the About window's OK.
        ChooseMenuItem(program, main, 2);
        QVERIFY(WaitForTitle(program, "О программе").id);
        PressEnter(program);
        QVERIFY(onlyTheList());

        // Enter on the message for a picture that has gone: it does not come back.
        program.display().keyClick(Down);
        program.display().keyClick(Down);
        program.display().keyClick(Return);
        const auto message = [&program, &main] {
            for (const x11::Window& w : program.viewable())
                if (w.id != main.id && w.title == "Lumivast")
                    return w;
            return x11::Window{};
        };
        QTRY_VERIFY_WITH_TIMEOUT(message().id, 3000);
        PressEnter(program);
        QVERIFY(onlyTheList());

        // Up and Enter on the popup's "Закрыть": back to the list, which stays.
        program.display().keyClick(Home);
        program.display().keyClick(Return);
        x11::Window overlay;
        QTRY_VERIFY_WITH_TIMEOUT((overlay = program.onlyWindow()).id && !IsMainWindow(overlay),
                                 3000);
        program.display().click(overlay.geometry.topLeft() + QPoint(10, 10));
        QTRY_COMPARE_WITH_TIMEOUT(program.viewable().size(), 2, 3000);
        program.display().keyClick(Up);
        PressEnter(program);
        QVERIFY(onlyTheList());
    }

    // A message that comes while the figure plays is shown above it.
    void messagesStayAboveTheFigure() {
        CurrentFolder folder;
        QVERIFY(fixtures::WriteGif(folder.file("only.gif"), 300, 200, 2));
        Program program(folder.path());
        QVERIFY(program.started());
        const x11::Window overlay = program.onlyWindow();
        QVERIFY(overlay.id);
        QVERIFY(QFile::remove(folder.file("only.gif")));
        x11::Window box;
        QTRY_VERIFY_WITH_TIMEOUT((box = WaitForTitle(program, "Lumivast")).id, 3000);
        QVERIFY(overlay.geometry.intersects(box.geometry.marginsAdded(box.frame)));
        QVERIFY(program.display().stackedAbove(box.id, overlay.id));
    }

    void oneDamagedPictureShowsTheMessageThenTheMainWindow() {
        CurrentFolder folder;
        QVERIFY(fixtures::WriteBytes(folder.file("broken.gif"), "GIF89a broken"));
        Program program(folder.path());
        QVERIFY(program.started());
        const x11::Window box = program.onlyWindow();
        QVERIFY(box.id);
        QCOMPARE(box.title, QString("Lumivast"));
        QVERIFY(!IsMainWindow(box));

        program.display().requestClose(box.id); // the box's OK
        auto onlyTheMainWindow = [&program] {
            const QList<x11::Window> shown = program.viewable();
            return shown.size() == 1 && IsMainWindow(shown.first());
        };
        QTRY_VERIFY_WITH_TIMEOUT(onlyTheMainWindow(), 5000);
        // Reported once: no second box follows.
        QTest::qWait(300);
        QCOMPARE(program.viewable().size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestX11)
#include "tst_x11.moc"
