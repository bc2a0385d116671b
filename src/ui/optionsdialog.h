#pragma once

// The Options dialog: every user option of the settings store, on tabs by topic. It reads the
// store when built and writes only when accepted; the main window then applies the options.
// GUI thread; created per use by the main window.

#include <QDialog>

#include <functional>
#include <vector>

class AppSettings;
class QFormLayout;
class QTabWidget;
class QWidget;

class OptionsDialog : public QDialog {
    Q_OBJECT
public:
    explicit OptionsDialog(AppSettings* settings, QWidget* parent = nullptr);

    // Writes every edited value to the store (called on accept; tests call it directly).
    void save();
    QTabWidget* tabs() const { return m_tabs; }
    // The editor of an option by its key; null when the dialog has none.
    QWidget* editor(const QString& key) const;

    void accept() override;

private:
    struct Field {
        QString key;
        QWidget* editor;
        std::function<void()> store;
    };

    QFormLayout* addPage(const QString& title);
    void addBool(QFormLayout* page, const QString& key, const QString& label, bool value,
                 std::function<void(bool)> set);
    void addInt(QFormLayout* page, const QString& key, const QString& label, int value, int low,
                int high, const QString& suffix, std::function<void(int)> set);
    void addChoice(QFormLayout* page, const QString& key, const QString& label, int value,
                   const QList<QPair<QString, int>>& choices, std::function<void(int)> set);
    void addText(QFormLayout* page, const QString& key, const QString& label, const QString& value,
                 std::function<void(const QString&)> set, bool secret = false);
    void addColor(QFormLayout* page, const QString& key, const QString& label, const QString& value,
                  std::function<void(const QString&)> set);
    void addFolder(QFormLayout* page, const QString& key, const QString& label,
                   const QString& value, std::function<void(const QString&)> set);
    // The status-bar fields as check boxes, stored as the option's bit set.
    void addStatusFields(QFormLayout* page);

    // The output devices as a checkable list, and the DSP plug-ins of the plug-in folder.
    void addDevices(QFormLayout* page);
    void addPlugins(QFormLayout* page);

    void buildGeneral();
    void buildTray();
    void buildAppearance();
    void buildLists();
    void buildPlayback();
    void buildNetwork();
    void buildRecording();

    AppSettings* m_settings;
    QTabWidget* m_tabs;
    std::vector<Field> m_fields;
};
