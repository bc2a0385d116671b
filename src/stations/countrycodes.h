#pragma once

#include <QString>

class QIcon;

// ISO 3166-1 country codes to the country names of the station directory (the first name the
// flag table gives a code, so "GB" is "UK" as in the bundled directory) and their flags.
// Process-wide table read once from the station layer's resources; GUI thread.
class CountryCodes {
public:
    // The directory's name of the country with this code (any case); empty for an unknown code.
    static QString countryName(const QString& code);
    // Its flag, or null for an unknown code.
    static const QIcon* flagIcon(const QString& code);
};
