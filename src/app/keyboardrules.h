#pragma once

// Decides what a key press in the main window means: favourites on the keypad, the function
// keys, volume keys while the station lists do not have the focus, and the shortcut letters of
// the main buttons. Widget-free so that every rule can be checked on its own. GUI thread; a
// value owned by the main window.

#include <QMap>
#include <QString>
#include <QStringList>
#include <Qt>

class KeyboardRules {
public:
    enum class Action {
        Default, // let the widget with the focus have the key
        SwapPeakMeters,
        NextPage,
        PreviousPage,
        PlayFavorite, // value: the digit
        ShowShortcuts,
        PlayOrStop,
        Record,
        RecordSingleSong,
        AddFavorite,
        EditFavorite,
        ToggleAutoVolume,
        ToggleMute,
        VolumeBy, // value: the change
        VolumeTo, // value: the new volume
        Announce,
        ToggleCollapse,
        FocusSearch,
        ClickFocusedButton,
        ClickButton, // button: its object name
        OpenStationBrowser
    };

    struct KeyPress {
        int key = 0;
        Qt::KeyboardModifiers modifiers;
        QString text;
        bool mainAreaFocused = false; // the window, the station page or one of its lists
        bool streamPlaying = false;
    };

    struct Result {
        Action action = Action::Default;
        int value = 0;
        QString button;
        bool operator==(const Result& other) const = default;
    };

    static constexpr int VolumeStep = 5;

    void setPageStep(int step) { m_pageStep = step; }
    void setMaximum(int maximum) { m_maximum = maximum; }
    void setAllowSingleKeyShortcuts(bool on) { m_singleKeys = on; }
    // Upper-case letter to button object name, refilled whenever the button captions change.
    void setShortcutLetters(const QMap<QChar, QString>& letters) { m_letters = letters; }
    const QMap<QChar, QString>& shortcutLetters() const { return m_letters; }

    Result decide(const KeyPress& press) const;

    // The letter after "&" in a caption, upper case; a null QChar when there is none.
    static QChar shortcutLetter(const QString& caption);
    // One line per key for the list of shortcuts.
    static QStringList shortcutLines();

private:
    Result functionKey(const KeyPress& press, bool ctrl) const;
    Result volumeKey(const KeyPress& press) const;

    int m_pageStep = 10;
    int m_maximum = 100;
    bool m_singleKeys = false;
    QMap<QChar, QString> m_letters;
};
