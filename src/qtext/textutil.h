#pragma once

// Small text routines shared by the recorder, the directory and the HTTP client: file names
// safe on every file system, and the string hash behind request ids. Any thread; stateless.

#include <QString>

namespace QT_EXT {

// Removes line feed, carriage return and tab; turns < > : " / \ | ? * % into "-"; removes
// the at sign and ",". Each step replaces every occurrence, in that order.
QString validFileName(const QString& name);

// h = h * 33 + code unit, walking the UTF-16 code units from the last to the first; wraps at
// 32 bits.
quint32 stringHash(const QString& text);

} // namespace QT_EXT
