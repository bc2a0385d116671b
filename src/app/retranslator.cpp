#include "app/retranslator.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QTabBar>
#include <QTreeWidget>

namespace {

// An action's tool tip defaults to its text without accelerator marks and ellipsis; one that
// still reads so must not be set, or it would no longer follow the text.
QString derivedToolTip(QString text) {
    text.remove(QStringLiteral("..."));
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    text.remove(QLatin1Char('&'));
    text.replace(QStringLiteral("\x01"), QStringLiteral("&"));
    return text.trimmed();
}

template <typename Get, typename Set> void reapply(const Retranslator& r, Get get, Set set) {
    const QString shown = get();
    const QString now = r.again(shown);
    if (now != shown)
        set(now);
}

} // namespace

const char* const Retranslator::UserTextProperty = "quillowaveUserText";

Retranslator::Retranslator(CLangManager::Table previousSources)
    : m_previousSources(std::move(previousSources)) {}

QString Retranslator::again(const QString& shown) const {
    if (shown.isEmpty())
        return shown;
    // A menu item names its key after a tab; only the text before it is a program text.
    if (const qsizetype tab = shown.indexOf(u'\t'); tab > 0)
        return again(shown.left(tab)) + shown.mid(tab);
    return CLangManager::instance()->translated(m_previousSources.value(shown, shown));
}

void Retranslator::applyToAll() const {
    const QWidgetList widgets = QApplication::allWidgets();
    for (QWidget* widget : widgets)
        apply(widget);
}

void Retranslator::apply(QWidget* w) const {
    if (w->property(UserTextProperty).toBool())
        return;
    reapply(*this, [w] { return w->windowTitle(); }, [w](const QString& t) { w->setWindowTitle(t); });
    reapply(*this, [w] { return w->toolTip(); }, [w](const QString& t) { w->setToolTip(t); });
    reapply(*this, [w] { return w->statusTip(); }, [w](const QString& t) { w->setStatusTip(t); });
    reapply(*this, [w] { return w->whatsThis(); }, [w](const QString& t) { w->setWhatsThis(t); });
    reapply(*this, [w] { return w->accessibleName(); },
            [w](const QString& t) { w->setAccessibleName(t); });
    if (auto* button = qobject_cast<QAbstractButton*>(w))
        reapply(*this, [button] { return button->text(); },
                [button](const QString& t) { button->setText(t); });
    else if (auto* label = qobject_cast<QLabel*>(w))
        reapply(*this, [label] { return label->text(); },
                [label](const QString& t) { label->setText(t); });
    else if (auto* box = qobject_cast<QGroupBox*>(w))
        reapply(*this, [box] { return box->title(); }, [box](const QString& t) { box->setTitle(t); });
    else if (auto* edit = qobject_cast<QLineEdit*>(w))
        reapply(*this, [edit] { return edit->placeholderText(); },
                [edit](const QString& t) { edit->setPlaceholderText(t); });
    else if (auto* menu = qobject_cast<QMenu*>(w))
        reapply(*this, [menu] { return menu->title(); }, [menu](const QString& t) { menu->setTitle(t); });
    applyToItems(w);
    const QList<QAction*> actions = w->actions();
    for (QAction* action : actions)
        apply(action);
}

void Retranslator::applyToItems(QWidget* w) const {
    if (auto* combo = qobject_cast<QComboBox*>(w); combo && !combo->isEditable()) {
        for (int i = 0; i < combo->count(); ++i)
            reapply(*this, [combo, i] { return combo->itemText(i); },
                    [combo, i](const QString& t) { combo->setItemText(i, t); });
    } else if (auto* tabs = qobject_cast<QTabBar*>(w)) {
        for (int i = 0; i < tabs->count(); ++i) {
            reapply(*this, [tabs, i] { return tabs->tabText(i); },
                    [tabs, i](const QString& t) { tabs->setTabText(i, t); });
            reapply(*this, [tabs, i] { return tabs->tabToolTip(i); },
                    [tabs, i](const QString& t) { tabs->setTabToolTip(i, t); });
        }
    } else if (auto* tree = qobject_cast<QTreeWidget*>(w)) {
        QTreeWidgetItem* header = tree->headerItem();
        for (int i = 0; i < header->columnCount(); ++i)
            reapply(*this, [header, i] { return header->text(i); },
                    [header, i](const QString& t) { header->setText(i, t); });
    } else if (auto* view = qobject_cast<QAbstractItemView*>(w); view && view->model()) {
        // Models answer their headers with tr() each time they are asked.
        const int columns = view->model()->columnCount();
        if (columns > 0)
            emit view->model()->headerDataChanged(Qt::Horizontal, 0, columns - 1);
    }
}

void Retranslator::apply(QAction* a) const {
    const QString oldText = a->text();
    const bool toolTipDerived = a->toolTip() == derivedToolTip(oldText);
    reapply(*this, [a] { return a->text(); }, [a](const QString& t) { a->setText(t); });
    if (!toolTipDerived)
        reapply(*this, [a] { return a->toolTip(); }, [a](const QString& t) { a->setToolTip(t); });
    reapply(*this, [a] { return a->statusTip(); }, [a](const QString& t) { a->setStatusTip(t); });
    reapply(*this, [a] { return a->whatsThis(); }, [a](const QString& t) { a->setWhatsThis(t); });
}
