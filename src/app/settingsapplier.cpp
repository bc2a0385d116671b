#include "app/settingsapplier.h"

#include "settings/appsettings.h"
#include "bass/bassqt.h"

#include <QNetworkProxy>

#include <algorithm>
#include <cstring>

SettingsApplier::BuiltWith SettingsApplier::snapshot(const AppSettings& settings) {
    BuiltWith built;
    built.menusScrollable = settings.MenusScrollable();
    built.showGroupsFirst = settings.ShowGroupsFirst();
    built.groupSearchResults = settings.GroupSearchResults();
    built.groupFavorites = settings.GroupFavorites();
    built.showStationMenus = settings.ShowStationMenus();
    return built;
}

QString SettingsApplier::proxyText(const QString& host, const QString& port, const QString& user,
                                   const QString& password) {
    if (host.isEmpty())
        return QString();
    QString text;
    if (!user.isEmpty())
        text = user + QLatin1Char(':') + password + QLatin1Char('@');
    text += host;
    if (!port.isEmpty())
        text += QLatin1Char(':') + port;
    return text;
}

bool SettingsApplier::applyEngine(const AppSettings& settings, BASS::CBass* engine) {
    if (engine)
        engine->SetRetries(std::clamp(settings.Retries(), 0, MaxRetries));
    if (auto* qtEngine = qobject_cast<BASS::BassQt*>(engine))
        qtEngine->ConfigureCoverArt(settings);
    static const char agent[] = "Quillowave";
    // The window applies the settings again once the library runs.
    const bool libraryRuns = BASS::CBass::WasStarted();
    if (libraryRuns)
        BASS_SetConfigPtr(BASS_CONFIG_NET_AGENT, agent);

    const QString host = settings.Proxy();
    if (host.isEmpty())
        return m_proxyInUse;
    const QString text =
        proxyText(host, settings.ProxyPort(), settings.ProxyUsername(), settings.ProxyPassword());
    QNetworkProxy proxy(QNetworkProxy::HttpProxy, host, quint16(settings.ProxyPort().toUInt()),
                        settings.ProxyUsername(), settings.ProxyPassword());
    QNetworkProxy::setApplicationProxy(proxy);
    const QByteArray bytes = text.toUtf8().left(ProxyBufferBytes - 1);
    m_proxyBuffer.fill('\0');
    std::memcpy(m_proxyBuffer.data(), bytes.constData(), size_t(bytes.size()));
    if (libraryRuns)
        BASS_SetConfigPtr(BASS_CONFIG_NET_PROXY, m_proxyBuffer.constData());
    m_proxyInUse = true;
    return false;
}
