#include "app/clangmanager.h"

#include <QApplication>
#include <QFile>
#include <QLocale>
#include <QStringDecoder>

namespace {

const QChar Separator = QLatin1Char('|');
const QChar CommentMark = QLatin1Char(';');
constexpr char16_t ByteOrderMark = 0xfeff;

QString unescaped(QString text) {
    return text.replace(QStringLiteral("\\n"), QStringLiteral("\n"));
}

// Shows the wait cursor while a file is read, when there is a cursor to show.
class WaitCursor {
public:
    WaitCursor() : m_shown(qobject_cast<QApplication*>(QCoreApplication::instance())) {
        if (m_shown)
            QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~WaitCursor() {
        if (m_shown)
            QApplication::restoreOverrideCursor();
    }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    bool m_shown;
};

} // namespace

CLangManager* CLangManager::instance() {
    static CLangManager manager;
    return &manager;
}

QString CLangManager::supplementName(const QString& fileName) {
    QString name = fileName;
    return name.replace(QStringLiteral(".lng"), QStringLiteral(".ex.lng"));
}

void CLangManager::readEntries(const QByteArray& contents, Table& table) {
    QString text = QStringDecoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless)(contents);
    if (text.startsWith(QChar(ByteOrderMark)))
        text.remove(0, 1);
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (QString line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.isEmpty() || line.startsWith(CommentMark))
            continue;
        const qsizetype bar = line.indexOf(Separator);
        if (bar < 0 || bar == line.size() - 1)
            continue;
        table.insert(unescaped(line.left(bar)), unescaped(line.mid(bar + 1)));
    }
}

void CLangManager::readFile(const QString& path, Table& table) {
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        readEntries(file.readAll(), table);
}

void CLangManager::load(const QString& fileName) {
    QString main = fileName;
    main.replace(QStringLiteral(".xml"), QStringLiteral(".lng"));
    Table translations;
    {
        const WaitCursor wait;
        readFile(main, translations);
        readFile(supplementName(main), translations);
    }
    Table sources;
    for (auto it = translations.constBegin(); it != translations.constEnd(); ++it)
        sources.insert(it.value(), it.key());
    const QWriteLocker locker(&m_lock);
    m_translations.swap(translations);
    m_sources.swap(sources);
    m_fileName = main;
}

void CLangManager::clear() {
    const QWriteLocker locker(&m_lock);
    m_translations.clear();
    m_sources.clear();
    m_fileName.clear();
}

// Qt 6 hands every source text over as UTF-8, so there is no other encoding to decode.
QString CLangManager::translate(const char* source, const char*, int count) const {
    if (!source || !*source)
        return QString();
    QString text = translated(QString::fromUtf8(source));
    if (count >= 0) {
        text.replace(QStringLiteral("%Ln"), QStringLiteral("%L1").arg(count));
        text.replace(QStringLiteral("%n"), QStringLiteral("%1").arg(count));
    }
    return text;
}

QString CLangManager::translated(const QString& text) const {
    const QReadLocker locker(&m_lock);
    return m_translations.value(text, text);
}

bool CLangManager::hasTranslation(const QString& text) const {
    const QReadLocker locker(&m_lock);
    return m_translations.contains(text);
}

QString CLangManager::sourceOf(const QString& text) const {
    const QReadLocker locker(&m_lock);
    return m_sources.value(text, text);
}

CLangManager::Table CLangManager::sources() const {
    const QReadLocker locker(&m_lock);
    return m_sources;
}

int CLangManager::count() const {
    const QReadLocker locker(&m_lock);
    return int(m_translations.size());
}

QString CLangManager::fileName() const {
    const QReadLocker locker(&m_lock);
    return m_fileName;
}
