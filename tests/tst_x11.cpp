// The program itself on a real X server: which windows it maps, their titles and sizes,
// the message box for a damaged picture, and ending through the main window's close.
#include "support/Fixtures.h"
#include "support/X11Windows.h"

#include <QProcess>
#include <QTest>

using fixtures::CurrentFolder;

namespace {

constexpr int ClientWidth = 794;
constexpr int ClientHeight = 447;

bool IsMainWindow(const x11::Window& w) {
    // The client area plus a menu bar above it.
    return w.title == "Lumivast" && w.geometry.width() == ClientWidth &&
           w.geometry.height() > ClientHeight && w.geometry.height() <= ClientHeight + 40;
}

class Program {
public:
    explicit Program(const QString& folder) {
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
    QProcess& process() { return process_; }

private:
    QProcess process_;
    x11::Display display_;
};

} // namespace

class TestX11 : public QObject {
    Q_OBJECT

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
        QTRY_COMPARE_WITH_TIMEOUT(program.viewable().size(), 1, 5000);
        const QList<x11::Window> shown = program.viewable();
        QCOMPARE(shown.size(), 1);
        const x11::Window main = shown.first();
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
        QTRY_COMPARE_WITH_TIMEOUT(program.viewable().size(), 1, 5000);
        const QList<x11::Window> shown = program.viewable();
        QCOMPARE(shown.size(), 1);
        const x11::Window main = shown.first();
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

    void oneDamagedPictureShowsTheMessageThenTheMainWindow() {
        CurrentFolder folder;
        QVERIFY(fixtures::WriteBytes(folder.file("broken.gif"), "GIF89a broken"));
        Program program(folder.path());
        QVERIFY(program.started());
        QTRY_COMPARE_WITH_TIMEOUT(program.viewable().size(), 1, 5000);
        const QList<x11::Window> shown = program.viewable();
        QCOMPARE(shown.size(), 1);
        const x11::Window box = shown.first();
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
