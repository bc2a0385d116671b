#pragma once

// The row of main buttons under the now-playing panel: Play (which turns into Stop while a
// station plays), Record, Mute, the volume slider, the station pages, the search field, Search
// and Options. It only shows; the main window connects the buttons to what they do.
// GUI thread; owned by the main window's layout.

#include <QList>
#include <QWidget>

class QSlider;
class QToolButton;
class SearchLineEdit;

class MainButtonBar : public QWidget {
    Q_OBJECT
public:
    // As the ButtonsStyle option counts them; any other value shows text beside the icon.
    enum Style { IconOnly = 0, TextOnly = 1 };

    explicit MainButtonBar(QWidget* parent = nullptr);

    QToolButton* play() const { return m_btPlay; }
    QToolButton* stop() const { return m_btStop; }
    QToolButton* record() const { return m_btRecord; }
    QToolButton* mute() const { return m_btMute; }
    QToolButton* options() const { return m_btOptions; }
    QToolButton* search() const { return m_btSearch; }
    QToolButton* favorites() const { return m_btFavs; }
    QToolButton* history() const { return m_btHistory; }
    QToolButton* browser() const { return m_btBrowser; }
    QSlider* volumeSlider() const { return m_sliderVolume; }
    SearchLineEdit* searchEdit() const { return m_editSearch; }
    // Every main button, in the order their shortcut letters are claimed.
    const QList<QToolButton*>& buttons() const { return m_buttons; }

    void setStyle(int style);
    // Play or Stop on the Play button; Stop and Record work only while busy.
    void showBusy(bool busy, int style);
    void showMuted(bool muted);
    // Mini mode keeps only the playing controls.
    void setMiniMode(bool mini);

private:
    QToolButton* makeButton(const QString& objectName, const QString& caption, const QIcon& icon,
                            const QString& toolTip);
    void makeButtons();
    void layOut();

    QList<QToolButton*> m_buttons;
    QToolButton* m_btPlay = nullptr;
    QToolButton* m_btStop = nullptr;
    QToolButton* m_btRecord = nullptr;
    QToolButton* m_btMute = nullptr;
    QToolButton* m_btOptions = nullptr;
    QToolButton* m_btSearch = nullptr;
    QToolButton* m_btFavs = nullptr;
    QToolButton* m_btHistory = nullptr;
    QToolButton* m_btBrowser = nullptr;
    QSlider* m_sliderVolume = nullptr;
    SearchLineEdit* m_editSearch = nullptr;
};
