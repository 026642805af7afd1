#pragma once

#include <QString>

namespace lumivast {

// The folder the pictures are listed from, with one separator appended; set once at start,
// read by the overlay to name the picture in its page.
extern QString ApplicationFolderPath;

// The bare name of the picture being opened, as the file list shows it; set before every
// opening and kept when an opening fails.
extern QString ChosenFileName;

// `folder` with one separator appended (so the root folder "/" becomes "//").
QString WithFolderSeparator(const QString& folder);

} // namespace lumivast
