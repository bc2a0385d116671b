#include "app/windowlanguage.h"

#include "settings/appsettings.h"
#include "app/apptranslator.h"
#include "app/clangmanager.h"
#include "app/retranslator.h"
#include "stations/countryflags.h"

#include <QActionGroup>
#include <QApplication>
#include <QMenu>

namespace {

// One translator for the process: windows come and go (tests open many), the tables stay.
void installTranslatorOnce() {
    static const bool installed = [] {
        QCoreApplication::installTranslator(new AppTranslator(QCoreApplication::instance()));
        return true;
    }();
    Q_UNUSED(installed);
}

bool sameFile(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

} // namespace

WindowLanguage::WindowLanguage(AppSettings* settings, QObject* parent)
    : QObject(parent), m_settings(settings), m_files(LanguageFiles::folders(*settings)) {
    installTranslatorOnce();
    const QString path = m_files.find(currentFileName());
    if (path.isEmpty())
        CLangManager::instance()->clear();
    else
        CLangManager::instance()->load(path);
}

QString WindowLanguage::currentFileName() const {
    const QString stored = m_settings->LanguageFile();
    return stored.isEmpty() ? LanguageFiles::defaultFileName() : stored;
}

QMenu* WindowLanguage::addMenu(QMenu* parent) {
    m_menu = parent->addMenu(tr("Language"));
    m_menu->setObjectName(QStringLiteral("menuLanguage"));
    m_group = new QActionGroup(m_menu);
    return m_menu;
}

void WindowLanguage::buildMenu() {
    if (!m_menu->isEmpty())
        return;
    const QList<LanguageFiles::Entry>& entries = m_files.entries();
    for (int i = 0; i < entries.size(); ++i) {
        const LanguageFiles::Entry& entry = entries.at(i);
        const QByteArray name = entry.displayName.toUtf8();
        QAction* action = m_menu->addAction(QCoreApplication::translate("MainWindow", name));
        action->setCheckable(true);
        action->setData(i);
        action->setChecked(sameFile(entry.fileName, currentFileName()));
        if (const QIcon* flag = CountryFlags::flagIcon(LanguageFiles::flagCountry(entry.displayName)))
            action->setIcon(*flag);
        m_group->addAction(action);
    }
}

void WindowLanguage::switchTo(QAction* action) {
    const int index = action->data().toInt();
    if (index >= 0 && index < m_files.entries().size())
        switchTo(m_files.entries().at(index));
}

void WindowLanguage::switchTo(const LanguageFiles::Entry& entry) {
    CLangManager* manager = CLangManager::instance();
    const Retranslator retranslator(manager->sources());
    manager->load(entry.path);
    retranslator.applyToAll();
    // Owners of texts composed with arguments refresh them on the change event.
    QEvent change(QEvent::LanguageChange);
    QCoreApplication::sendEvent(QCoreApplication::instance(), &change);
    m_settings->setLanguageFile(entry.fileName);
    emit signal_langChanged();
}

QString WindowLanguage::fallBackToEnglish(AppSettings* settings) {
    const QString wanted = settings->LanguageFile();
    if (!LanguageFiles(LanguageFiles::folders(*settings)).find(wanted).isEmpty())
        return QString();
    settings->setLanguageFile(QStringLiteral("English.lng"));
    return tr("The language file %1 was not found; the program stays in English.").arg(wanted);
}
