#pragma once

// The engine-side half of applying the options: retries, user agent, proxy and cover art, and
// whether a changed option needs a restart because the window was built with the old value.
// GUI thread; owned by the main window (one per window, as the proxy text must outlive it).

#include <QByteArray>
#include <QString>

class AppSettings;

namespace BASS {
class CBass;
}

class SettingsApplier {
public:
    static constexpr int MaxRetries = 5;
    static constexpr int ProxyBufferBytes = 1024;

    // The options the window's menus and lists were built with.
    struct BuiltWith {
        bool menusScrollable = false;
        bool showGroupsFirst = false;
        bool groupSearchResults = false;
        bool groupFavorites = false;
        bool showStationMenus = false;
        bool operator==(const BuiltWith& other) const = default;
    };

    static BuiltWith snapshot(const AppSettings& settings);
    // "[user:password@]host[:port]"; empty when host is empty.
    static QString proxyText(const QString& host, const QString& port, const QString& user,
                             const QString& password);

    // Applies retries, agent, proxy and the cover-art options to the engine and the application's
    // network proxy.
    // Returns true when a restart is needed: the proxy was cleared after one was in use.
    bool applyEngine(const AppSettings& settings, BASS::CBass* engine);
    bool proxyInUse() const { return m_proxyInUse; }

private:
    QByteArray m_proxyBuffer = QByteArray(ProxyBufferBytes, '\0');
    bool m_proxyInUse = false;
};
