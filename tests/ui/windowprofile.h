#pragma once

// The profile every window test starts from: a private program folder holding the bundled
// directory (so no test shares an INI file), quick stops, no tray, the online directory on the
// test server and the cover-art services on loopback (never the real ones), and an initialised
// engine.

#include "settings/appsettings.h"
#include "app/playbackcontroller.h"
#include "app/quillowavewindow.h"
#include "support/fixture.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// Returns the settings of the prepared profile, or nullptr with the reason in error.
inline AppSettings* prepareWindowProfile(const QTemporaryDir& dir, QString& error) {
    if (!dir.isValid() || !QFile::copy(QStringLiteral(QW_BUNDLED_PRESETS),
                                       dir.filePath(QStringLiteral("presets.xml.gz")))) {
        error = QStringLiteral("cannot lay out the program folder %1").arg(dir.path());
        return nullptr;
    }
    AppSettings::setInstanceProgramFolder(dir.path());
    AppSettings* settings = AppSettings::instance();
    settings->setStopFadeOut(false);
    settings->setShowTrayIcon(false);
    settings->setTimeoutValue(10);
    const QString online = QString::fromStdString(qwtest::httpUrl("/radiobrowser/ok/200"));
    settings->setOnlineDirectoryHost(online.isEmpty() ? QStringLiteral("http://127.0.0.1:1")
                                                      : online);
    // Every cover-art service on a loopback port where nothing listens: no cover, no internet.
    settings->setCoverArtHosts(QStringLiteral("http://127.0.0.1:1"));
    QString warning;
    return PlaybackController::initEngine(settings, &error, &warning) ? settings : nullptr;
}

// Until the window has read its directory and taken its names on the bus after its first paint.
inline bool waitUntilReady(const QuillowaveWindow& window) {
    return QTest::qWaitFor([&window] { return window.isReady(); }, 20000);
}

// A window on the prepared profile, shown, exposed and ready; nullptr when the platform never
// exposed it or it never became ready.
inline std::unique_ptr<QuillowaveWindow> openExposedWindow(AppSettings* settings) {
    auto window = std::make_unique<QuillowaveWindow>(settings);
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get()) || !waitUntilReady(*window))
        return nullptr;
    return window;
}
