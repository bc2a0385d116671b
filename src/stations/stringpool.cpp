#include "stations/stringpool.h"

QString StringPool::get(QStringView text) {
    if (text.isEmpty())
        return QString();
    const auto found = m_strings.constFind(text);
    if (found != m_strings.constEnd())
        return found.value();
    const QString copy = text.toString();
    m_strings.insert(QStringView(copy), copy);
    return copy;
}
