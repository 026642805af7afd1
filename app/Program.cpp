#include "Program.h"

namespace lumivast {

QString ApplicationFolderPath;
QString ChosenFileName;

QString WithFolderSeparator(const QString& folder) {
    const QChar separator =
        folder.contains(QLatin1Char('\\')) ? QLatin1Char('\\') : QLatin1Char('/');
    return folder + separator;
}

} // namespace lumivast
