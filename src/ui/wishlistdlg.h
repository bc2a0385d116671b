#pragma once

// The wish-list editor ("Recording list"): the entries sorted, added, edited and deleted; OK
// saves them to the file and hands them to the window's list, Cancel drops the changes.
// GUI thread; created by the main window for one edit.

#include <QDialog>
#include <QStringList>

#include <functional>

class QListWidget;
class QListWidgetItem;
class WishList;

class WishListDlg : public QDialog {
    Q_OBJECT
public:
    // path is the list's file; list is the window's list, changed only on OK.
    WishListDlg(WishList* list, const QString& path, QWidget* parent = nullptr);

    QListWidget* entries() const { return m_lwWishes; }
    // The text a question dialog asks for; tests answer it without showing a dialog.
    using Asker = std::function<bool(const QString& title, const QString& old, QString* text)>;
    void setAsker(Asker asker) { m_ask = std::move(asker); }

public slots:
    void slot_add();
    void slot_edit();
    void slot_delete();
    void accept() override;

signals:
    // Shown by the window: an entry that is there already, or a file that cannot be written.
    void sig_message(const QString& text);

private:
    bool addText(const QString& text);

    WishList* m_list; // the window's
    QString m_path;
    QListWidget* m_lwWishes;
    Asker m_ask;
};
