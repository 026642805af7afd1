#pragma once

#include <QString>

namespace lumivast {

// The folder the pictures are listed from, with one separator appended; set once at start,
// read by the overlay to name the picture in its page.
extern QString ApplicationFolderPath;

// The bare name of the picture being opened, as the file list shows it; set before every
// opening and kept when an opening fails.
extern QString ChosenFileName;

// `folder` with one separator appended: a backslash when the text holds a backslash
// anywhere (so a root folder reported as "C:\" gets a second one), else a forward slash.
QString WithFolderSeparator(const QString& folder);

} // namespace lumivast
