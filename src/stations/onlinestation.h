#pragma once

#include "stations/preset.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

class QByteArray;
class QJsonValue;

// One station as the online directory's API describes it, read defensively (keys may be missing,
// null, of the wrong type or absurdly long), and its translation into the program's own station
// record. A plain value; GUI thread.
class OnlineStation {
public:
    static constexpr int kMaxTextLength = 200;
    static constexpr int kMaxUrlLength = 2048;
    static constexpr int kMaxGenreTags = 4;

    QString uuid;
    QString name;
    QString url;
    QString urlResolved;
    QString homepage;
    QString favicon; // the station icon's address (http or https)
    QString tags;
    QString country;
    QString countryCode;
    QString state;
    QString language;
    QString codec;
    int bitrate = 0;
    int votes = 0;
    bool broken = false; // the directory's last check of the stream failed

    // A station object of an answer; none for anything without an identity or a playable address.
    static std::optional<OnlineStation> fromJson(const QJsonValue& value);
    // The stations of a station-list answer, each identity once; none when the answer is not a
    // JSON array (an HTML error page, a cut-off body).
    static std::optional<QList<OnlineStation>> listFromJson(const QByteArray& answer);

    // The resolved address, then the one entered, http(s) only, each once.
    QStringList streamAddresses() const;
    // The first few short tags as a genre text ("Rock, Pop"); sentences are not genres.
    QString genre() const;
    // The station record every part of the program plays, keeps and records.
    Preset toPreset() const;

    // text with blanks collapsed, cut to at most maxLength characters (never inside a pair).
    static QString clampText(const QString& text, int maxLength = kMaxTextLength);
};
