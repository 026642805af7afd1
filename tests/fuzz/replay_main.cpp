// Runs a fuzz target over the files given and every file of the folders given: the suite's
// regression test of its corpus (the seeds, and every input that ever found a fault).
#include "FuzzTarget.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <cstdio>

int main(int argc, char* argv[]) {
    QStringList files;
    for (int i = 1; i < argc; ++i) {
        const QString path = QString::fromLocal8Bit(argv[i]);
        if (QFileInfo(path).isFile())
            files << path;
        for (QDirIterator it(path, QDir::Files); it.hasNext();)
            files << it.next();
    }
    for (const QString& name : std::as_const(files)) {
        QFile file(name);
        if (!file.open(QIODevice::ReadOnly))
            return 2;
        const QByteArray bytes = file.readAll();
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                               std::size_t(bytes.size()));
    }
    // Reaching here is the test: no input crashed, hung or tripped a sanitizer.
    std::printf("%lld passed, 0 failed\n", static_cast<long long>(files.size()));
    return files.isEmpty() ? 1 : 0;
}
