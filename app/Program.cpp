#include "Program.h"

namespace lumivast {

QString ApplicationFolderPath;
QString ChosenFileName;

QString WithFolderSeparator(const QString& folder) {
    // On this platform a backslash is an ordinary character of a name: the separator is
    // always the slash.
    return folder + QLatin1Char('/');
}

} // namespace lumivast
