#include "Presentational.h"

#include <algorithm>
#include <cctype>
#include <litehtml/el_body.h>
#include <litehtml/el_font.h>
#include <litehtml/el_image.h>
#include <litehtml/el_table.h>
#include <litehtml/el_td.h>
#include <litehtml/html_tag.h>

namespace platform::browser {

namespace {

bool IsNumber(const std::string& value) {
    return !value.empty() &&
           std::all_of(value.begin(), value.end(), [](unsigned char c) { return std::isdigit(c); });
}

// "10" is ten pixels in attributes; anything else ("50%") is passed on as written.
std::string Length(const std::string& value) {
    return IsNumber(value) ? value + "px" : value;
}

std::string Attr(const litehtml::element& el, const char* name) {
    const char* value = el.get_attr(name);
    return value ? std::string(value) : std::string();
}

bool HasTag(const litehtml::element::ptr& el, const char* tag) {
    const char* name = el ? el->get_tagName() : nullptr;
    return name && litehtml::t_strcasecmp(name, tag) == 0;
}

litehtml::element::ptr Ancestor(const litehtml::element& el, const char* tag) {
    for (litehtml::element::ptr p = el.parent(); p; p = p->parent())
        if (HasTag(p, tag))
            return p;
    return nullptr;
}

template <class Base> class Presentational : public Base {
public:
    using Base::Base;

    void parse_attributes() override {
        Base::parse_attributes();
        const std::string tag = this->get_tagName() ? this->get_tagName() : "";
        if (tag == "body")
            Body();
        else if (tag == "font")
            Font();
        else if (tag == "td" || tag == "th")
            Cell();
        else if (tag == "table")
            Table();
        else if (tag == "img")
            Image();
    }

private:
    void Add(const char* property, const std::string& value) {
        if (!value.empty())
            this->m_style.add_property(property, value.c_str(), nullptr, false, this);
    }

    void Body() {
        Add("background-color", Attr(*this, "bgcolor"));
        Add("color", Attr(*this, "text"));
        Add("margin-top", Length(Attr(*this, "topmargin")));
        Add("margin-left", Length(Attr(*this, "leftmargin")));
        Add("margin-right", Length(Attr(*this, "rightmargin")));
        Add("margin-bottom", Length(Attr(*this, "bottommargin")));
    }

    void Font() {
        Add("color", Attr(*this, "color"));
        Add("font-family", Attr(*this, "face"));
        Add("font-size", FontSizeToCss(Attr(*this, "size")));
    }

    void Cell() {
        Add("background-color", Attr(*this, "bgcolor"));
        Add("height", Length(Attr(*this, "height")));
        if (const litehtml::element::ptr table = Ancestor(*this, "table")) {
            Add("padding", Length(Attr(*table, "cellpadding")));
            if (BorderWidth(*table) > 0) {
                Add("border-width", "1px");
                Add("border-style", "inset");
                Add("border-color", "#c0c0c0");
            }
        }
    }

    // A table's border attribute: its width in pixels ("border" alone is 1).
    static int BorderWidth(const litehtml::element& table) {
        const char* border = table.get_attr("border");
        if (!border)
            return 0;
        return IsNumber(border) ? std::min(std::stoi(std::string(border).substr(0, 4)), 100) : 1;
    }

    void Table() {
        Add("height", Length(Attr(*this, "height")));
        if (const int border = BorderWidth(*this); border > 0) {
            Add("border-width", std::to_string(border) + "px");
            Add("border-style", "outset");
            Add("border-color", "#c0c0c0");
        } else {
            Add("border-style", "none");
        }
        // A table is centred by its own align or by an enclosing <center>.
        std::string align = Attr(*this, "align");
        std::transform(align.begin(), align.end(), align.begin(), ::tolower);
        if (align == "center" || Ancestor(*this, "center")) {
            Add("margin-left", "auto");
            Add("margin-right", "auto");
        }
    }

    void Image() {
        const std::string border = Attr(*this, "border");
        if (IsNumber(border)) {
            Add("border-width", border + "px");
            Add("border-style", border == "0" ? "none" : "solid");
        }
    }
};

} // namespace

std::string FontSizeToCss(const std::string& size) {
    static const int Pixels[] = {10, 13, 16, 18, 24, 32, 48};
    if (size.empty())
        return {};
    const bool relative = size[0] == '+' || size[0] == '-';
    const std::string digits = relative ? size.substr(1) : size;
    if (!IsNumber(digits) || digits.size() > 3)
        return {};
    int value = std::stoi(digits);
    if (relative)
        value = size[0] == '+' ? 3 + value : 3 - value;
    value = std::clamp(value, 1, 7);
    return std::to_string(Pixels[value - 1]) + "px";
}

std::string LinkColourRules(const litehtml::element::ptr& root) {
    if (!root)
        return {};
    const litehtml::element::ptr body = root->select_one("body");
    if (!body)
        return {};
    std::string rules;
    // Visited links are not told apart from others, so they keep the link colour.
    if (const std::string link = Attr(*body, "link"); !link.empty())
        rules += "a[href]{color:" + link + "}";
    if (const std::string active = Attr(*body, "alink"); !active.empty())
        rules += "a[href]:active{color:" + active + "}";
    return rules;
}

std::shared_ptr<litehtml::element>
CreatePresentationalElement(const std::string& tag,
                            const std::shared_ptr<litehtml::document>& doc) {
    if (tag == "body")
        return std::make_shared<Presentational<litehtml::el_body>>(doc);
    if (tag == "font")
        return std::make_shared<Presentational<litehtml::el_font>>(doc);
    if (tag == "td" || tag == "th")
        return std::make_shared<Presentational<litehtml::el_td>>(doc);
    if (tag == "table")
        return std::make_shared<Presentational<litehtml::el_table>>(doc);
    if (tag == "img")
        return std::make_shared<Presentational<litehtml::el_image>>(doc);
    return nullptr;
}

} // namespace platform::browser
