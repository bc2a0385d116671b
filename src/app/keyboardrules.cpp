#include "app/keyboardrules.h"

#include <QCoreApplication>
#include <QStringList>

namespace {

using Action = KeyboardRules::Action;
using Result = KeyboardRules::Result;

Result act(Action action, int value = 0) {
    return Result{action, value, QString()};
}

QString tr(const char* text) {
    return QCoreApplication::translate("KeyboardRules", text);
}

} // namespace

KeyboardRules::Result KeyboardRules::decide(const KeyPress& press) const {
    const bool ctrl = press.modifiers.testFlag(Qt::ControlModifier);
    const bool keypad = press.modifiers.testFlag(Qt::KeypadModifier);

    if (ctrl && press.key == Qt::Key_F1)
        return act(Action::SwapPeakMeters);
    if (ctrl && press.key == Qt::Key_Tab)
        return act(Action::NextPage);
    if (ctrl && press.key == Qt::Key_Backtab)
        return act(Action::PreviousPage);

    if ((keypad || ctrl) && press.key >= Qt::Key_0 && press.key <= Qt::Key_9)
        return act(Action::PlayFavorite, press.key - Qt::Key_0);

    const Result fn = functionKey(press, ctrl);
    if (fn.action != Action::Default)
        return fn;

    // Inside the station lists the arrows, "+" and letters belong to the list unless Ctrl is held.
    const bool ours = !press.mainAreaFocused || ctrl;
    if (!ours)
        return act(Action::Default);
    const Result volume = volumeKey(press);
    if (volume.action != Action::Default)
        return volume;

    if (!ctrl && !m_singleKeys)
        return act(Action::Default);
    // With Ctrl held the text is a control character, so the key code names the letter.
    QChar letter;
    if (press.key >= Qt::Key_A && press.key <= Qt::Key_Z)
        letter = QChar(press.key);
    else if (press.text.size() == 1 && press.text.at(0).isLetter())
        letter = press.text.at(0).toUpper();
    const QString button = m_letters.value(letter);
    if (button.isEmpty())
        return act(Action::Default);
    if (button == QLatin1String("StationBrowser"))
        return act(Action::OpenStationBrowser);
    if (button == QLatin1String("btMute") && !press.streamPlaying)
        return act(Action::Default);
    return Result{Action::ClickButton, 0, button};
}

KeyboardRules::Result KeyboardRules::functionKey(const KeyPress& press, bool ctrl) const {
    switch (press.key) {
    case Qt::Key_F1:
        return act(Action::ShowShortcuts);
    case Qt::Key_F2:
        return act(Action::PlayOrStop);
    case Qt::Key_F3:
        return act(Action::Record);
    case Qt::Key_F4:
        return act(Action::RecordSingleSong);
    case Qt::Key_F5:
        return act(ctrl ? Action::EditFavorite : Action::AddFavorite);
    case Qt::Key_F6:
        return act(Action::ToggleAutoVolume);
    case Qt::Key_F7:
        return act(Action::ToggleMute);
    case Qt::Key_F8:
        return act(Action::VolumeBy, -m_pageStep);
    case Qt::Key_F9:
        return act(Action::VolumeBy, m_pageStep);
    case Qt::Key_F11:
        return act(Action::Announce);
    case Qt::Key_F12:
        return act(Action::ToggleCollapse);
    default:
        return act(Action::Default);
    }
}

KeyboardRules::Result KeyboardRules::volumeKey(const KeyPress& press) const {
    switch (press.key) {
    case Qt::Key_Down:
    case Qt::Key_Minus:
    case Qt::Key_Underscore:
        return act(Action::VolumeBy, -VolumeStep);
    case Qt::Key_Up:
    case Qt::Key_Plus:
        return act(Action::VolumeBy, VolumeStep);
    case Qt::Key_PageUp:
        return act(Action::VolumeBy, m_pageStep);
    case Qt::Key_PageDown:
        return act(Action::VolumeBy, -m_pageStep);
    case Qt::Key_Home:
        return act(Action::VolumeTo, m_maximum);
    case Qt::Key_End:
        return act(Action::VolumeTo, 0);
    case Qt::Key_E:
        return act(Action::FocusSearch);
    case Qt::Key_Enter:
    case Qt::Key_Return:
        return act(Action::ClickFocusedButton);
    default:
        return act(Action::Default);
    }
}

QChar KeyboardRules::shortcutLetter(const QString& caption) {
    for (qsizetype i = caption.indexOf(QLatin1Char('&')); i >= 0 && i + 1 < caption.size();
         i = caption.indexOf(QLatin1Char('&'), i + 2)) {
        if (caption.at(i + 1) != QLatin1Char('&'))
            return caption.at(i + 1).toUpper();
    }
    return QChar();
}

QStringList KeyboardRules::shortcutLines() {
    QStringList lines{tr("F1 - show this list of keyboard shortcuts"),
                      tr("F2 - stop the current station or start the last played station"),
                      tr("F3 - start or stop recording"),
                      tr("F4 - start recording (single song mode)"),
                      tr("F5 - add to favorites"),
                      tr("Ctrl+F5 - edit the selected favorite"),
                      tr("F6 - automatic volume on/off"),
                      tr("F7 - volume on/off"),
                      tr("F8 - volume down 10%"),
                      tr("F9 - volume up 10%"),
                      tr("F11 - announce currently playing song"),
                      tr("F12 - collapse/expand main window"),
                      tr("Ctrl+F1 - show peakmeters left or right"),
                      tr("Ctrl+Tab - next station page"),
                      tr("Keypad 0-9 or Ctrl+0-9 - play favorite with that number"),
                      tr("Up/Down, +/- - volume up/down 5%"),
                      tr("Home/End - maximum/minimum volume"),
                      tr("E - search")};
    return lines;
}
