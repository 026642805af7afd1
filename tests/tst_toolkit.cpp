// The window toolkit layer: single-instance windows, the error number, the file list, the
// picture holder, the message box and fonts.
#include "support/Fixtures.h"

#include "platform/toolkit/Errors.h"
#include "platform/toolkit/FileListBox.h"
#include "platform/toolkit/Fonts.h"
#include "platform/toolkit/Form.h"
#include "platform/toolkit/ImageBox.h"
#include "platform/toolkit/MessageBox.h"

#include <QApplication>
#include <QDir>
#include <QFontDatabase>
#include <QMessageBox>
#include <QPointer>
#include <QTest>
#include <unistd.h>

using namespace platform;
using fixtures::CurrentFolder;

namespace {

// A window that counts its loads and can be told to fail or refuse to unload.
class ProbeForm : public FormOf<ProbeForm> {
public:
    ProbeForm()
        : FormOf(ScaleMode::Twips, StartUpPosition::CenterScreen) {}
    static inline int loads = 0;
    static inline bool failLoad = false;
    static inline short cancelUnload = 0;

protected:
    void Form_Load() override {
        ++loads;
        if (failLoad)
            throw Error(errInvalidPropertyValue);
    }
    void Form_Unload(short& Cancel) override { Cancel = cancelUnload; }
};

void FlushDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

class TestToolkit : public QObject {
    Q_OBJECT

private slots:
    void formLivesOnceFromFirstUseUntilUnloaded() {
        ProbeForm& first = ProbeForm::Instance();
        QCOMPARE(&ProbeForm::Instance(), &first);
        QCOMPARE(ProbeForm::loads, 1);
        QVERIFY(!first.Visible());
        // A close request that the unload step cancels keeps the window.
        ProbeForm::cancelUnload = 1;
        first.Show();
        first.close();
        QVERIFY(ProbeForm::IsLoaded() && first.Visible());
        // Otherwise it goes at once, but is destroyed only after the current event, so a
        // window may unload itself from its own handlers.
        ProbeForm::cancelUnload = 0;
        QPointer<ProbeForm> gone = &first;
        first.close();
        QVERIFY(!ProbeForm::IsLoaded() && gone && !gone->isVisible());
        FlushDeletes();
        QVERIFY(!gone);
        // A load that fails leaves nothing behind and reaches the caller; a routine that
        // skips failing steps notes its number and goes on.
        ProbeForm::failLoad = true;
        QVERIFY(!ResumeNext([] { ProbeForm::Instance(); }));
        QCOMPARE(Err.Number, int(errInvalidPropertyValue));
        ResumeNext([] { throw std::bad_alloc(); });
        QCOMPARE(Err.Number, int(errOutOfMemory));
        QVERIFY(!ProbeForm::IsLoaded());
        ProbeForm::failLoad = false;
        delete &ProbeForm::Instance();
        QCOMPARE(ProbeForm::loads, 3);
    }

    void fileListListsMatchingFilesOnceSortedIgnoringCase() {
        CurrentFolder folder;
        for (const char* name :
             {"B.gif", "a.GIF", "c.Gif", ".hidden.gif", "notes.txt", "я.gif", "Ж.gif", "x.gif.txt"})
            QVERIFY(fixtures::WriteBytes(folder.file(QString::fromUtf8(name)), "x"));
        QVERIFY(QDir(folder.path()).mkdir("folder.gif"));
        QVERIFY(QFile::link(folder.file("gone.png"), folder.file("broken.gif")));
        FileListBox list;
        list.setPattern("*.gif");
        QStringList names;
        for (int i = 0; i < list.ListCount(); ++i)
            names << list.List(i);
        QCOMPARE(names, QStringList({"a.GIF", "B.gif", "c.Gif", "Ж.gif", "я.gif"}));
        QCOMPARE(list.Path(), QDir(folder.path()).absolutePath());
        QCOMPARE(list.ListIndex(), -1);
        QVERIFY(fixtures::WriteBytes(folder.file("d.gif"), "x")); // read once: not listed
        QCOMPARE(list.ListCount(), short(5));
    }

    void fileListReportsOnlyKeysPressedInIt() {
        FileListBox list;
        QList<short> released;
        connect(&list, &FileListBox::KeyUp, &list,
                [&released](short& key, short) { released << key; });
        // Released here after a press somewhere else: Enter closing a dialog.
        QTest::keyRelease(&list, Qt::Key_Return);
        QVERIFY(released.isEmpty());
        QTest::keyClick(&list, Qt::Key_Return);
        QCOMPARE(released, QList<short>{13});
        // Pressed here, but the focus went elsewhere before the release.
        QTest::keyPress(&list, Qt::Key_Enter);
        QFocusEvent focusOut(QEvent::FocusOut);
        QApplication::sendEvent(&list, &focusOut);
        QTest::keyRelease(&list, Qt::Key_Enter);
        QCOMPARE(released, QList<short>{13});
    }

    // Each kind of failure has its number; what the program makes of pictures that cannot
    // be shown is tested with its windows.
    void imageBoxLoadsPicturesAndRefusesBadOnesKeepingItsOwn_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("error");
        QTest::newRow("good") << "a.gif" << 0;
        QTest::newRow("missing") << "missing.gif" << int(errFileNotFound);
        QTest::newRow("folder") << "folder.gif" << int(errPathFileAccess);
        QTest::newRow("unreadable") << "locked.gif" << int(errPermissionDenied);
        QTest::newRow("no picture") << "text.gif" << int(errInvalidPicture);
    }
    void imageBoxLoadsPicturesAndRefusesBadOnesKeepingItsOwn() {
        QFETCH(QString, name);
        QFETCH(int, error);
        CurrentFolder folder;
        QVERIFY(fixtures::WriteGif("kept.gif", 20, 10) && fixtures::WriteBytes("text.gif", "text"));
        QVERIFY(fixtures::WriteGif("a.gif", 40, 30, 1, {QColor(1, 0, 0)}) &&
                QDir().mkdir("folder.gif"));
        if (name == "locked.gif") {
            if (geteuid() == 0)
                QSKIP("permissions do not bind the superuser");
            QVERIFY(fixtures::WriteGif(name, 20, 10) &&
                    QFile::setPermissions(name, QFileDevice::WriteOwner));
        }
        ImageBox image;
        image.LoadPicture("kept.gif");
        try {
            image.LoadPicture(name);
            QCOMPARE(0, error);
            QCOMPARE(image.size(), QSize(40, 30));
            QCOMPARE(image.Picture().pixelColor(5, 5), QColor(1, 0, 0));
        } catch (const Error& e) {
            QCOMPARE(e.Number(), error);
            QCOMPARE(image.size(), QSize(20, 10));
        }
    }

    void messageBoxIsModalAboveAllWithStopIconOneButtonAndTitle() {
        const auto box =
            MakeMessageBox("Файл «x.gif» не найден.", vbOKOnly | vbCritical, "Lumivast");
        QCOMPARE(box->windowTitle(), QString("Lumivast"));
        QCOMPARE(box->text(), QString("Файл «x.gif» не найден."));
        QCOMPARE(box->icon(), QMessageBox::Critical);
        QCOMPARE(box->buttons().size(), 1);
        QVERIFY(box->windowModality() == Qt::ApplicationModal && !box->parent());
        QVERIFY(box->windowFlags() & Qt::WindowStaysOnTopHint);
    }

    void designedFontsResolveToFacesWithCyrillic() {
        InstallFontSubstitutes();
        for (const char* family : {"MS Sans Serif", "Times New Roman"}) {
            const QFontInfo resolved(QFont(family, 12, QFont::Bold));
            QVERIFY2(
                QFontDatabase::writingSystems(resolved.family()).contains(QFontDatabase::Cyrillic),
                qPrintable(resolved.family()));
            QVERIFY(resolved.bold());
        }
        QCOMPARE(QFontInfo(QFont("Times New Roman")).family(), QString("Liberation Serif"));
    }
};

QTEST_MAIN(TestToolkit)
#include "tst_toolkit.moc"
