#include "PageText.h"

#include <QFile>
#include <QStringDecoder>
#include <gumbo.h>
#include <limits>
#include <vector>

namespace platform::browser {

QByteArray EngineText(const QString& html) {
    QString text = html;
    text.replace(QChar(0), QChar(QChar::ReplacementCharacter));
    return text.toUtf8();
}

namespace {

bool IsTagLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// Elements that never hold others, or that the parser closes by themselves when the next
// one of their kind begins: they do not deepen the tree however often they stand.
bool NeverNests(const QByteArray& tag) {
    static const QList<QByteArray> tags = {
        "area",   "base",  "br",  "col", "embed", "hr", "img", "input", "link", "meta", "param",
        "source", "track", "wbr", "p",   "li",    "td", "th",  "tr",    "dt",   "dd",   "option"};
    return tags.contains(tag);
}

// How deep the tags of a text open elements, counted from the text alone.
int TagDepth(const QByteArray& text) {
    int depth = 0, deepest = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (text[i] != '<')
            continue;
        if (text.mid(i, 4) == "<!--") {
            const qsizetype end = text.indexOf("-->", i + 4);
            if (end < 0)
                break;
            i = end + 2;
            continue;
        }
        const bool closing = i + 1 < n && text[i + 1] == '/';
        qsizetype j = i + (closing ? 2 : 1);
        const qsizetype start = j;
        while (j < n && IsTagLetter(text[j]))
            ++j;
        if (j == start)
            continue;
        const QByteArray tag = text.mid(start, j - start).toLower();
        if (NeverNests(tag))
            continue;
        const qsizetype close = text.indexOf('>', j);
        const bool selfClosing = close > 0 && text[close - 1] == '/';
        if (closing)
            depth = std::max(0, depth - 1);
        else if (!selfClosing)
            deepest = std::max(deepest, ++depth);
        if (deepest > MaxTagDepth)
            break;
    }
    return deepest;
}

} // namespace

int NestingDepth(const QByteArray& utf8) {
    if (TagDepth(utf8) > MaxTagDepth)
        return std::numeric_limits<int>::max();
    GumboOutput* output = gumbo_parse_with_options(&kGumboDefaultOptions, utf8.constData(),
                                                   static_cast<size_t>(utf8.size()));
    if (!output)
        return 0;
    int deepest = 0;
    // Walked without recursion: the tree may be as deep as the text is long.
    std::vector<std::pair<const GumboNode*, int>> pending{{output->root, 1}};
    while (!pending.empty()) {
        const auto [node, depth] = pending.back();
        pending.pop_back();
        deepest = std::max(deepest, depth);
        if (node->type != GUMBO_NODE_ELEMENT && node->type != GUMBO_NODE_TEMPLATE)
            continue;
        const GumboVector& children = node->v.element.children;
        for (unsigned int i = 0; i < children.length; ++i)
            pending.emplace_back(static_cast<const GumboNode*>(children.data[i]), depth + 1);
    }
    gumbo_destroy_output(&kGumboDefaultOptions, output);
    return deepest;
}

bool ReadPageFile(const QString& path, QString& text) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    text = utf8.decode(bytes);
    if (!utf8.hasError())
        return true;
    QStringDecoder cyrillic("windows-1251");
    text = cyrillic.isValid() ? QString(cyrillic.decode(bytes)) : QString::fromLatin1(bytes);
    return true;
}

QString CannotShowPage(const QString& address) {
    QString shown = address.toHtmlEscaped();
    return QStringLiteral("<html><head><title>Невозможно отобразить страницу</title></head>"
                          "<body><h3>Невозможно отобразить страницу</h3>"
                          "<p>Адрес <b>%1</b> недоступен из этой программы.</p></body></html>")
        .arg(shown);
}

QString TooComplexPage() {
    return QStringLiteral("<html><body><h3>Невозможно отобразить страницу</h3>"
                          "<p>Страница устроена слишком сложно.</p></body></html>");
}

} // namespace platform::browser
