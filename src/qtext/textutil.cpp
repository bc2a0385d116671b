#include "qtext/textutil.h"

namespace QT_EXT {

QString validFileName(const QString& name) {
    QString result = name;
    for (const QChar c : {QChar('\n'), QChar('\r'), QChar('\t')})
        result.remove(c);
    for (const QChar c : {QChar('<'), QChar('>'), QChar(':'), QChar('"'), QChar('/'), QChar('\\'),
                          QChar('|'), QChar('?'), QChar('*'), QChar('%')})
        result.replace(c, QChar('-'));
    for (const QChar c : {QChar('@'), QChar(',')})
        result.remove(c);
    return result;
}

quint32 stringHash(const QString& text) {
    quint32 hash = 0;
    for (qsizetype i = text.size() - 1; i >= 0; --i)
        hash = hash * 33u + text.at(i).unicode();
    return hash;
}

} // namespace QT_EXT
