#pragma once

#include <QString>

namespace OpURL {

// Opens `address` with the desktop's default handler (a web address in the user's browser),
// from the program's own folder. Never reports anything and never fails towards its caller.
void OpenURL(QString address);

} // namespace OpURL
