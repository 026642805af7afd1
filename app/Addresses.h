#pragma once

#include <QString>

namespace lumivast {

// The two web addresses the program offers: the charity foundation it supports, and the
// author's site (the popup menu opens both; the About window links to the site).
inline const QString CharityFoundationAddress = QStringLiteral("http://podari-zhizn.example/");
inline const QString AuthorSiteAddress = QStringLiteral("http://orbelune.example/site/");

} // namespace lumivast
