#pragma once

// A cursor over a text for the hand-written parsers (playlists, stream titles, version pages):
// move to or past a text, skip characters, read up to a set of characters or a text.
// Any thread; a plain value owned by the parser that uses it.

#include <QString>

namespace QT_EXT {

class QtTextParse {
public:
    // What a move does when its target does not occur after the cursor. Moving to the end lets
    // "while not at end: move past X" loops stop by themselves.
    enum class Missing { MoveToEnd, Stay };

    explicit QtTextParse(const QString& text = {});

    void setText(const QString& text); // also puts the cursor back at the start
    const QString& text() const { return m_text; }
    qsizetype position() const { return m_pos; }
    void setPosition(qsizetype position); // clamped to the text
    bool atEnd() const { return m_pos >= m_text.size(); }
    QChar current() const; // a null character at the end
    QString rest() const { return m_text.mid(m_pos); }

    // Whole text, independent of the cursor.
    bool contains(const QString& what, Qt::CaseSensitivity cs = Qt::CaseInsensitive) const;
    // Whether what occurs at or after the cursor.
    bool containsAhead(const QString& what, Qt::CaseSensitivity cs = Qt::CaseInsensitive) const;
    // Whether the text at the cursor begins with what.
    bool startsWith(const QString& what, Qt::CaseSensitivity cs = Qt::CaseInsensitive) const;

    // Each returns whether the target was found at or after the cursor.
    bool moveTo(const QString& what, Qt::CaseSensitivity cs = Qt::CaseInsensitive,
                Missing missing = Missing::MoveToEnd);
    bool movePast(const QString& what, Qt::CaseSensitivity cs = Qt::CaseInsensitive,
                  Missing missing = Missing::MoveToEnd);
    bool moveToAnyOf(const QString& characters, Missing missing = Missing::MoveToEnd);

    // Skip every character of the set at the cursor; returns how many were skipped.
    qsizetype skip(const QString& characters);
    qsizetype skipSpaces();     // blanks and tabs
    qsizetype skipLineBreaks(); // CR and LF
    // Skip c once when it is at the cursor.
    bool skipOne(QChar c);
    // Skip one character when it belongs to the set.
    bool skipOneOf(const QString& characters);

    // Reads from the cursor up to (not including) the first character of the set and leaves the
    // cursor on it; without one, reads to the end.
    QString readUpTo(const QString& characters);
    // The same up to the next occurrence of a text.
    QString readUpToText(const QString& what, Qt::CaseSensitivity cs = Qt::CaseInsensitive);
    QString readToEnd();

private:
    QString m_text;
    qsizetype m_pos = 0;
};

} // namespace QT_EXT
