#include "ui/searchcontroller.h"

#include "settings/qappsettings.h"
#include "stations/busycursor.h"
#include "ui/stationmenus.h"

#include <QAction>
#include <QMenu>

#include <functional>

SearchController::SearchController(QObject* parent) : QObject(parent) {}

QString SearchController::historyKey(int index) {
    return QStringLiteral("%1_Search").arg(index, 2, 10, QLatin1Char('0'));
}

void SearchController::loadHistory() {
    m_history.clear();
    m_historyModes.clear();
    QAppSettings settings;
    for (int i = 0; i < kHistorySize; ++i) {
        const QString key = historyKey(i);
        if (settings.contains(key)) {
            m_history << settings.value(key).toString();
            m_historyModes << ModeText;
        }
    }
    emit signal_HistoryChanged(m_history);
}

void SearchController::saveHistory() const {
    QAppSettings settings;
    for (int i = 0; i < kHistorySize; ++i) {
        if (i < m_history.size())
            settings.setValue(historyKey(i), m_history.at(i));
        else
            settings.remove(historyKey(i));
    }
}

void SearchController::remember(const QString& text, int mode) {
    for (qsizetype old = m_history.indexOf(text); old >= 0; old = m_history.indexOf(text)) {
        m_history.removeAt(old);
        m_historyModes.removeAt(old);
    }
    m_history.prepend(text);
    m_historyModes.prepend(mode);
    while (m_history.size() > kHistorySize) {
        m_history.removeLast();
        m_historyModes.removeLast();
    }
    saveHistory();
    emit signal_HistoryChanged(m_history);
}

QString SearchController::countText() const {
    return QStringLiteral("%1 %2").arg(m_results.size()).arg(tr("stations"));
}

RadioStations::PresetList SearchController::find(RadioStations& list, const QString& text,
                                                 int mode) {
    RadioStations::PresetList out;
    switch (mode) {
    case ModeText:
        if (text.indexOf(QLatin1Char(' ')) >= 1) {
            const QStringList words = text.split(QLatin1Char(' '));
            list.search(words.first(), out);
            for (qsizetype i = 1; i < words.size(); ++i) {
                RadioStations::PresetList narrowed;
                list.search(words.at(i), narrowed, &out);
                out.swap(narrowed);
            }
        } else {
            list.search(text, out);
        }
        break;
    case ModeGenre:
        list.findByGenre(text, out);
        break;
    case ModeGroupName: {
        std::function<void(const RadioStations::GroupList&)> walk =
            [&](const RadioStations::GroupList& groups) {
                for (const auto& g : groups) {
                    if (g->name.contains(text, Qt::CaseSensitive))
                        out << g->stations;
                    walk(g->children);
                }
            };
        walk(list.topGroups);
        break;
    }
    case ModeWhole:
    case ModeWholeAlt:
        list.search(text, out);
        break;
    default:
        break;
    }
    return out;
}

bool SearchController::search(const QString& text, int mode) {
    if (m_busy)
        return false;
    if (!m_list)
        m_list = m_fallback;
    if (!m_list)
        return false;
    m_busy = true;
    m_text = text;
    m_mode = mode;
    emit signal_Started(text, mode);
    {
        BusyCursor busy;
        m_results.clear();
        if (text.isEmpty()) {
            for (const auto& p : std::as_const(m_list->allPresets))
                m_results << p.get();
        } else {
            m_results = find(*m_list, text, mode);
        }
    }
    emit signal_Finished(m_results);
    if (!text.isEmpty())
        remember(text, mode);
    emit signal_CountChanged(countText());
    m_busy = false;
    return true;
}

bool SearchController::searchSimilar(const QString& caption) {
    QString rest = caption;
    rest.remove(tr("Search for"));
    rest = rest.trimmed();
    if (rest.isEmpty())
        return false;
    return search(rest, ModeGenre);
}

void SearchController::slot_clearSearch() {
    m_text.clear();
    m_results.clear();
    emit signal_Cleared();
    emit signal_CountChanged(countText());
}

void SearchController::buildSearchMenu(QMenu* menu) const {
    menu->clear();
    for (qsizetype i = 0; i < m_history.size(); ++i) {
        QAction* action = menu->addAction(StationMenus::menuText(m_history.at(i)));
        action->setData(QVariantList{m_history.at(i), historyMode(i)});
    }
}

void SearchController::slot_menuSearch(QAction* action) {
    const QVariantList entry = action ? action->data().toList() : QVariantList();
    if (entry.size() == 2)
        search(entry.at(0).toString(), entry.at(1).toInt());
}
