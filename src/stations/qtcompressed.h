#pragma once

// Qt's compressed byte format (qCompress: a four-byte size claim, then zlib data) read from a
// file nobody vouches for: the claim is checked against what zlib can produce from the data
// before Qt reserves it. Any thread; no state.

#include <QByteArray>

// The most deflate can expand its input; a size read from a file that claims more is false.
inline constexpr quint64 kMaxInflateRatio = 1032;

// The uncompressed bytes, or an empty array for data that is not Qt's format, is damaged or
// claims a size its data cannot hold.
QByteArray uncompressQtBytes(const QByteArray& compressed);
