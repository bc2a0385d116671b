#pragma once

// The record-options dialog: how the next recordings start (single song, without or with
// splitting), the minutes after which a recording goes on in a new file, the recording folder
// and the MP3 encoder's bit rate, read from and written to the settings store. GUI thread; shown
// modally by the main window, on its stack.

#include <QDialog>

class AppSettings;
class QComboBox;
class QLineEdit;
class QSpinBox;

class RecOptions : public QDialog {
    Q_OBJECT
public:
    explicit RecOptions(AppSettings* settings, QWidget* parent = nullptr);

    // A RecordingMode value: 0 with splitting, 1 without, 2 a single song.
    int mode() const;

    // Writes the mode, the timed split, the folder and the bit rate to the settings store.
    void accept() override;

private:
    // A button inside the folder field that opens the folder chooser.
    void addFolderPicker();

    AppSettings* m_settings;
    QComboBox* m_cbMode;
    QLineEdit* m_edFolder;
    QSpinBox* m_sbBitrate;
    QSpinBox* m_sbTimedSplit;
};
