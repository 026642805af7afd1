#pragma once

#include <QByteArray>
#include <QString>

namespace platform::browser {

// How deeply elements may nest before a page is refused: layout and painting recurse once
// per level, and the stack must hold the deepest page.
constexpr int MaxNestingDepth = 400;

// The UTF-8 text handed to the HTML engine: NUL characters, which would cut it short, become
// replacement characters.
QByteArray EngineText(const QString& html);

// The deepest element nesting of an HTML text, as the parser builds its tree. A text whose
// tags alone open more than MaxTagDepth elements is not parsed (the parser's time grows with
// the square of such depths) and counts as deeper than any limit.
constexpr int MaxTagDepth = 1000;
int NestingDepth(const QByteArray& utf8);

// The text of a local HTML file: UTF-8 when it is valid UTF-8, else Windows-1251 (the
// encoding of the program's Russian pages). Empty and false when it cannot be read.
bool ReadPageFile(const QString& path, QString& text);

// Built-in documents.
QString CannotShowPage(const QString& address);
QString TooComplexPage();

} // namespace platform::browser
