#include "ui/texttospeech.h"

#include "settings/appsettings.h"

#include <QDebug>
#include <QRegularExpression>
#include <QTextToSpeech>

namespace {

// The desktop's own service first; flite speaks without any service where there is none.
QStringList defaultEngineOrder() {
    QStringList order{QStringLiteral("speechd"), QStringLiteral("flite")};
    for (const QString& engine : QTextToSpeech::availableEngines()) {
        if (!order.contains(engine))
            order << engine;
    }
    return order;
}

} // namespace

TextToSpeech* TextToSpeech::instance() {
    static TextToSpeech* speech = new TextToSpeech;
    return speech;
}

TextToSpeech::TextToSpeech() : m_engineOrder(defaultEngineOrder()) {}

TextToSpeech::~TextToSpeech() = default;

QString TextToSpeech::stripTags(const QString& text) {
    static const QRegularExpression tag(QStringLiteral("<[^>]*>"));
    QString plain = text;
    return plain.remove(tag);
}

void TextToSpeech::initialise() {
    m_initialised = true;
    const QStringList available = QTextToSpeech::availableEngines();
    QStringList failures;
    for (const QString& engine : std::as_const(m_engineOrder)) {
        if (!available.contains(engine))
            continue;
        QString error;
        if (useVoice(engine, &error)) {
            qDebug().noquote() << "TextToSpeech::initialise engine" << engine;
            return;
        }
        failures << engine + QStringLiteral(": ") + error;
    }
    if (failures.isEmpty())
        failures << tr("no speech engine is installed");
    reportOnce(tr("Text to speech failed to initialize: %1").arg(failures.join(QStringLiteral("; "))));
}

bool TextToSpeech::useVoice(const QString& engine, QString* error) {
    auto voice = std::make_unique<QTextToSpeech>(engine);
    if (voice->state() == QTextToSpeech::Error) {
        *error = voice->errorString();
        return false;
    }
    // The engine may still be finishing with the old voice: it goes once control returns.
    if (m_voice) {
        m_voice->disconnect(this);
        m_voice.release()->deleteLater();
    }
    m_voice = std::move(voice);
    m_voiceFailed = false;
    connect(m_voice.get(), &QTextToSpeech::stateChanged, this,
            [this](QTextToSpeech::State state) { slot_stateChanged(int(state)); });
    return true;
}

void TextToSpeech::reportOnce(const QString& message) {
    qWarning().noquote() << "TextToSpeech" << message;
    if (m_reported)
        return;
    m_reported = true;
    emit sig_unavailable(message);
}

bool TextToSpeech::speak(const QString& text, bool force) {
    if (!force && !AppSettings::instance()->SpeakMessages())
        return true;
    if (!m_initialised)
        initialise();
    // A voice stays in its error state: the next request gets a new one of the same engine.
    QString error;
    if (m_voice && m_voiceFailed && !useVoice(m_voice->engine(), &error))
        m_voice.reset();
    if (!m_voice)
        return false;
    // Markup alone has nothing to say; an empty request would leave the voice's state as it is.
    const QString spoken = stripTags(text);
    if (!spoken.trimmed().isEmpty())
        m_voice->say(spoken);
    return true;
}

void TextToSpeech::slot_stateChanged(int state) {
    if (state == QTextToSpeech::Speaking && !m_speaking) {
        m_speaking = true;
        qDebug() << "TextToSpeech::slot_stateChanged speaking started";
        emit sig_started();
        return;
    }
    if (state == QTextToSpeech::Error) {
        m_voiceFailed = true;
        // A sound output running dry on a busy machine ends a speech early; that is no reason
        // to tell the user that nothing can be spoken.
        if (m_speaking)
            qDebug().noquote() << "TextToSpeech::slot_stateChanged interrupted"
                               << m_voice->errorString();
        else
            reportOnce(tr("The text could not be spoken: %1").arg(m_voice->errorString()));
    }
    if (m_speaking && state != QTextToSpeech::Speaking) {
        m_speaking = false;
        qDebug() << "TextToSpeech::slot_stateChanged speaking ended";
        emit sig_finished();
    }
}

bool TextToSpeech::isSpeaking() const {
    return m_voice && m_voice->state() == QTextToSpeech::Speaking;
}

void TextToSpeech::stop() {
    if (m_voice)
        m_voice->stop();
}

QString TextToSpeech::engineName() const {
    return m_voice ? m_voice->engine() : QString();
}
