#pragma once

// Carries the remote control over the session bus: the service org.hollowmere.Quillowave with
// the object /Remote and its interface org.hollowmere.Quillowave.Remote. Method
// Command(code, arg, text) -> status; the signal Event(code, text) goes to the registered
// client's connection only. A call that comes while the window is not ready yet is answered
// once it is, after the calls before it. GUI thread; owned by the main window.

#include <QDBusContext>
#include <QObject>
#include <QString>

class ReadyGate;
class RemoteControl;

class RemoteDBusService : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.hollowmere.Quillowave.Remote")
public:
    static constexpr const char* ServiceName = "org.hollowmere.Quillowave";
    static constexpr const char* ObjectPath = "/Remote";
    static constexpr const char* InterfaceName = "org.hollowmere.Quillowave.Remote";

    explicit RemoteDBusService(RemoteControl* remote, QObject* parent = nullptr);
    ~RemoteDBusService() override;

    // Registers the object and the service name on the connection; false (with the bus's
    // reason in errorText) when the bus is missing or the name is taken.
    bool registerOn(const QDBusConnection& connection);
    void unregister();
    QString errorText() const { return m_errorText; }
    // Commands from the bus wait at gate while it is not ready; none: they run at once.
    void setReadyGate(ReadyGate* gate) { m_gate = gate; }

public slots:
    Q_SCRIPTABLE uint Command(uint code, int arg, const QString& text);

signals:
    // Declared for the interface's introspection; sent by hand to one client.
    Q_SCRIPTABLE void Event(uint code, const QString& text);

private slots:
    void slot_clientEvent(const QString& client, uint code, const QString& text);

private:
    RemoteControl* m_remote; // not owned
    ReadyGate* m_gate = nullptr; // not owned
    QString m_connectionName;
    bool m_registered = false;
    QString m_errorText;
};
