#include "qtext/qttextparse.h"

namespace QT_EXT {

QtTextParse::QtTextParse(const QString& text) : m_text(text) {}

void QtTextParse::setText(const QString& text) {
    m_text = text;
    m_pos = 0;
}

void QtTextParse::setPosition(qsizetype position) {
    m_pos = qBound<qsizetype>(0, position, m_text.size());
}

QChar QtTextParse::current() const {
    return atEnd() ? QChar() : m_text.at(m_pos);
}

bool QtTextParse::contains(const QString& what, Qt::CaseSensitivity cs) const {
    return !what.isEmpty() && m_text.contains(what, cs);
}

bool QtTextParse::containsAhead(const QString& what, Qt::CaseSensitivity cs) const {
    return !what.isEmpty() && m_text.indexOf(what, m_pos, cs) >= 0;
}

bool QtTextParse::startsWith(const QString& what, Qt::CaseSensitivity cs) const {
    return !what.isEmpty() && QStringView(m_text).mid(m_pos).startsWith(what, cs);
}

bool QtTextParse::moveTo(const QString& what, Qt::CaseSensitivity cs, Missing missing) {
    const qsizetype found = what.isEmpty() ? -1 : m_text.indexOf(what, m_pos, cs);
    if (found < 0) {
        if (missing == Missing::MoveToEnd)
            m_pos = m_text.size();
        return false;
    }
    m_pos = found;
    return true;
}

bool QtTextParse::movePast(const QString& what, Qt::CaseSensitivity cs, Missing missing) {
    if (!moveTo(what, cs, missing))
        return false;
    m_pos += what.size();
    return true;
}

bool QtTextParse::moveToAnyOf(const QString& characters, Missing missing) {
    for (qsizetype i = m_pos; i < m_text.size(); ++i) {
        if (characters.contains(m_text.at(i))) {
            m_pos = i;
            return true;
        }
    }
    if (missing == Missing::MoveToEnd)
        m_pos = m_text.size();
    return false;
}

qsizetype QtTextParse::skip(const QString& characters) {
    const qsizetype start = m_pos;
    while (!atEnd() && characters.contains(m_text.at(m_pos)))
        ++m_pos;
    return m_pos - start;
}

qsizetype QtTextParse::skipSpaces() {
    return skip(QStringLiteral(" \t"));
}

qsizetype QtTextParse::skipLineBreaks() {
    return skip(QStringLiteral("\r\n"));
}

bool QtTextParse::skipOne(QChar c) {
    if (atEnd() || m_text.at(m_pos) != c)
        return false;
    ++m_pos;
    return true;
}

bool QtTextParse::skipOneOf(const QString& characters) {
    if (atEnd() || !characters.contains(m_text.at(m_pos)))
        return false;
    ++m_pos;
    return true;
}

QString QtTextParse::readUpTo(const QString& characters) {
    const qsizetype start = m_pos;
    moveToAnyOf(characters, Missing::MoveToEnd);
    return m_text.mid(start, m_pos - start);
}

QString QtTextParse::readUpToText(const QString& what, Qt::CaseSensitivity cs) {
    const qsizetype start = m_pos;
    moveTo(what, cs, Missing::MoveToEnd);
    return m_text.mid(start, m_pos - start);
}

QString QtTextParse::readToEnd() {
    const QString result = m_text.mid(m_pos);
    m_pos = m_text.size();
    return result;
}

} // namespace QT_EXT
