#pragma once

// Reads texts aloud through Qt TextToSpeech: the now-playing text on request, a dialog's text,
// and the program's information messages when SpeakMessages is on. One voice for the whole
// process, looked for once, on the first request: the desktop's speech-dispatcher first, then
// flite, then any other engine Qt offers. Markup is stripped before speaking. A missing or
// failing engine is reported once; later requests are quiet no-ops.
// GUI thread; one instance per process, created on first use.

#include <QObject>
#include <QStringList>

#include <memory>

class QTextToSpeech;

class TextToSpeech : public QObject {
    Q_OBJECT
public:
    static TextToSpeech* instance();
    ~TextToSpeech() override;

    // Speaks the text, without its tags, when SpeakMessages is on or force is set. False only
    // when the text was to be spoken and there is no voice.
    bool speak(const QString& text, bool force);
    bool isSpeaking() const;
    // Cancels what is being spoken.
    void stop();
    // The engine in use, empty while there is none (or none was looked for yet).
    QString engineName() const;
    // The engines tried, in their order; a test may narrow it before the first request.
    void setEngineOrder(const QStringList& engines) { m_engineOrder = engines; }

    // The text with every "<...>" tag removed.
    static QString stripTags(const QString& text);

signals:
    // Speaking began or ended.
    void sig_started();
    void sig_finished();
    // Said once per process: no engine could be started, or the one found could not speak.
    void sig_unavailable(const QString& message);

private:
    TextToSpeech();
    void initialise();
    // Makes a voice of the engine the one in use; false with the engine's error when it cannot.
    bool useVoice(const QString& engine, QString* error);
    void slot_stateChanged(int state);
    void reportOnce(const QString& message);

    std::unique_ptr<QTextToSpeech> m_voice;
    QStringList m_engineOrder;
    bool m_initialised = false;
    bool m_reported = false;
    bool m_speaking = false;
    bool m_voiceFailed = false;
};
