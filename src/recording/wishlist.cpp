#include "recording/wishlist.h"

#include <QCoreApplication>
#include <QFile>
#include <QTextStream>

void WishList::Load(const QString& path) {
    m_entries.clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return;
    QTextStream in(&file);
    in.setEncoding(QStringConverter::Utf8);
    while (!in.atEnd()) {
        const QString line = in.readLine();
        if (!line.isEmpty())
            m_entries.append(line);
    }
}

bool WishList::Save(const QString& path, QString* error) const {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        QTextStream out(&file);
        out.setEncoding(QStringConverter::Utf8);
        for (const QString& entry : m_entries)
            out << entry << '\n';
        out.flush();
        if (file.error() == QFileDevice::NoError)
            return true;
    }
    if (error)
        *error = path + QStringLiteral("\n\n") +
                 QCoreApplication::translate("WishListDlg", "Reason") + QStringLiteral(": ") +
                 file.errorString();
    return false;
}

int WishList::Match(const QString& songText) const {
    for (int i = 0; i < m_entries.size(); ++i) {
        const QString& entry = m_entries.at(i);
        if (!entry.isEmpty() && songText.contains(entry, Qt::CaseInsensitive))
            return i;
    }
    return -1;
}

bool WishList::IsIgnoredTitle(const QString& rawTitle) {
    return rawTitle.contains(QLatin1String("<?xml"));
}
