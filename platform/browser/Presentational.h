#pragma once

#include <litehtml/litehtml.h>
#include <memory>
#include <string>

namespace platform::browser {

// Elements that turn the presentational attributes of old pages into styles, which litehtml
// leaves undone: body margins and colours, font face/size/colour, cell padding from the
// table, centred tables, picture borders. Null for tags that need nothing of the kind.
std::shared_ptr<litehtml::element>
CreatePresentationalElement(const std::string& tag, const std::shared_ptr<litehtml::document>& doc);

// The link colour rules a body's link, vlink and alink attributes ask for ("" when none).
std::string LinkColourRules(const litehtml::element::ptr& root);

// font size="…" (1 to 7, or relative to 3 with a sign) as a CSS size in pixels.
std::string FontSizeToCss(const std::string& size);

} // namespace platform::browser
