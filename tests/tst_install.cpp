// The installed program: what `cmake --install` puts where, the desktop entry and the
// AppStream file as their validators see them, the folder the desktop entry starts the
// program in, and the Debian package's contents and dependencies.
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString BuildDir() {
    return qEnvironmentVariable("LUMIVAST_BUILD_DIR");
}

// Runs `program` and returns its exit code (-1 when it did not run), its output in `output`.
int Run(const QString& program, const QStringList& arguments, QString* output = nullptr,
        const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment()) {
    QProcess process;
    // CPack runs its install step in the folder it is started from.
    process.setWorkingDirectory(BuildDir());
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
        return -1;
    if (output)
        *output = QString::fromUtf8(process.readAll());
    return process.exitCode();
}

// The arguments of a desktop entry's Exec value: the entry's own escapes first (\\ for \),
// then the command line's double quotes, inside which \", \`, \$ and \\ stand for themselves.
QStringList ExecArguments(const QString& value) {
    QString line;
    for (int i = 0; i < value.size(); ++i)
        line += value[i] == '\\' && i + 1 < value.size() && value[i + 1] == '\\' ? value[++i]
                                                                                 : value[i];
    QStringList arguments;
    QString current;
    bool quoted = false, any = false;
    for (int i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (quoted && c == '\\' && i + 1 < line.size()) {
            current += line[++i];
        } else if (c == '"') {
            quoted = !quoted;
            any = true;
        } else if (c == ' ' && !quoted) {
            if (any || !current.isEmpty())
                arguments.append(current);
            current.clear();
            any = false;
        } else {
            current += c;
        }
    }
    if (any || !current.isEmpty())
        arguments.append(current);
    return arguments;
}

} // namespace

class TestInstall : public QObject {
    Q_OBJECT

private:
    QTemporaryDir prefix_;

private slots:
    void initTestCase() {
        QVERIFY2(!BuildDir().isEmpty(), "LUMIVAST_BUILD_DIR not set");
        QVERIFY(prefix_.isValid());
        QString output;
        QCOMPARE(Run("cmake", {"--install", BuildDir(), "--prefix", prefix_.path()}, &output), 0);
    }

    void installedTreeHoldsTheProgramAndItsDesktopFiles() {
        for (const char* file : {"bin/lumivast", "share/applications/lumivast.desktop",
                                 "share/metainfo/example.lumivast.Lumivast.metainfo.xml",
                                 "share/icons/hicolor/16x16/apps/lumivast.png",
                                 "share/icons/hicolor/32x32/apps/lumivast.png",
                                 "share/icons/hicolor/48x48/apps/lumivast.png",
                                 "share/icons/hicolor/256x256/apps/lumivast.png"})
            QVERIFY2(QFile::exists(prefix_.filePath(file)), file);
        QVERIFY(QFileInfo(prefix_.filePath("bin/lumivast")).isExecutable());
        for (int size : {16, 32, 48, 256}) {
            const QImage icon(
                prefix_.filePath(QString("share/icons/hicolor/%1x%1/apps/lumivast.png").arg(size)));
            QCOMPARE(icon.size(), QSize(size, size));
        }
    }

    void validatorsAcceptTheDesktopEntryAndTheAppStreamFile() {
        QString output;
        QCOMPARE(Run("desktop-file-validate",
                     {prefix_.filePath("share/applications/lumivast.desktop")}, &output),
                 0);
        QVERIFY2(!output.contains("error"), qPrintable(output));
        QCOMPARE(Run("appstreamcli",
                     {"validate", "--no-net",
                      prefix_.filePath("share/metainfo/example.lumivast.Lumivast.metainfo.xml")},
                     &output),
                 0);
    }

    void desktopEntryStartsTheProgramInThePicturesFolder() {
        QFile entry(prefix_.filePath("share/applications/lumivast.desktop"));
        QVERIFY(entry.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(entry.readAll());
        for (const char* line : {"Name=Lumivast", "Categories=Amusement;", "MimeType=image/gif;",
                                 "Icon=lumivast", "Type=Application"})
            QVERIFY2(text.contains(QString("\n") + line + "\n"), line);
        QVERIFY(text.contains(QRegularExpression("\nComment=[А-Яа-яЁё]")));
        const QRegularExpressionMatch exec = QRegularExpression("\nExec=([^\n]*)\n").match(text);
        QVERIFY(exec.hasMatch());
        const QStringList command = ExecArguments(exec.captured(1));
        QVERIFY(command.contains("%f"));

        // In place of the program, a script that notes the folder it was started in.
        QTemporaryDir bin, home, pictures;
        const QString noted = bin.filePath("started-in");
        QFile fake(bin.filePath("lumivast"));
        QVERIFY(fake.open(QIODevice::WriteOnly));
        fake.write(QString("#!/bin/sh\npwd > '%1'\n").arg(noted).toUtf8());
        fake.close();
        QVERIFY(fake.setPermissions(QFile::ReadOwner | QFile::ExeOwner));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("PATH", bin.path() + ":" + environment.value("PATH"));
        environment.insert("HOME", home.path());
        const auto startedIn = [&](const QString& file) {
            QStringList arguments;
            for (const QString& argument : command)
                if (argument != "%f" || !file.isEmpty())
                    arguments.append(argument == "%f" ? file : argument);
            QFile::remove(noted);
            if (Run(arguments.first(), arguments.mid(1), nullptr, environment) != 0)
                return QString("(failed)");
            QFile note(noted);
            return note.open(QIODevice::ReadOnly) ? QString::fromUtf8(note.readAll()).trimmed()
                                                  : QString("(not started)");
        };
        // Opened with a picture, even one whose folder has spaces and quotes in its name.
        QDir(pictures.path()).mkdir("it's \"odd\" $x");
        const QString folder = pictures.filePath("it's \"odd\" $x");
        QCOMPARE(startedIn(folder + "/figure.gif"), folder);
        // Started from the menu: the home folder.
        QCOMPARE(startedIn(QString()), home.path());
    }

    void debianPackageHoldsTheInstalledTreeAndItsDependencies() {
        QTemporaryDir out;
        QString output;
        QCOMPARE(Run("cpack",
                     {"-G", "DEB", "-B", out.path(), "--config", BuildDir() + "/CPackConfig.cmake"},
                     &output),
                 0);
        const QStringList debs = QDir(out.path()).entryList({"lumivast_*.deb"});
        QVERIFY2(debs.size() == 1, qPrintable(output));
        const QString deb = out.filePath(debs.first());
        QCOMPARE(Run("dpkg-deb", {"-f", deb, "Depends"}, &output), 0);
        for (const char* dependency : {"libqt6widgets6", "libqt6gui6", "liblitehtml0", "libgif7",
                                       "qt6-qpa-plugins", "xdg-utils"})
            QVERIFY2(output.contains(dependency), qPrintable(output));
        QCOMPARE(Run("dpkg-deb", {"-c", deb}, &output), 0);
        for (const char* file : {"./usr/bin/lumivast", "./usr/share/applications/lumivast.desktop",
                                 "./usr/share/icons/hicolor/256x256/apps/lumivast.png",
                                 "./usr/share/metainfo/example.lumivast.Lumivast.metainfo.xml"})
            QVERIFY2(output.contains(file), file);
    }
};

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"
