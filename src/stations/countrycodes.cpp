#include "stations/countrycodes.h"

#include "stations/countryflags.h"

#include <QFile>
#include <QHash>
#include <QTextStream>

namespace {

// Code (upper case) to name, from the rows "Name<TAB>code" of the flag table.
QHash<QString, QString> readTable() {
    CountryFlags::initResources();
    QHash<QString, QString> table;
    QFile file(QStringLiteral(":/QuillowaveWindow/Resources/countries.txt"));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return table;
    QTextStream in(&file);
    while (!in.atEnd()) {
        const QString line = in.readLine();
        if (line.startsWith(QLatin1Char('#')))
            continue;
        const QStringList fields = line.split(QLatin1Char('\t'));
        if (fields.size() < 2 || fields.at(1).size() != 2)
            continue;
        // The flag resource of Georgia carries a made-up name so that the US state keeps its own;
        // the country is called Georgia everywhere else.
        const QString name = fields.at(0) == QLatin1String("GeorgiaCountry")
                                 ? QStringLiteral("Georgia")
                                 : fields.at(0);
        const QString code = fields.at(1).toUpper();
        if (!table.contains(code)) // the first row of a code is the directory's own name
            table.insert(code, name);
    }
    return table;
}

const QHash<QString, QString>& table() {
    static const QHash<QString, QString> codes = readTable();
    return codes;
}

} // namespace

QString CountryCodes::countryName(const QString& code) {
    return table().value(code.trimmed().toUpper());
}

const QIcon* CountryCodes::flagIcon(const QString& code) {
    const QString name = countryName(code);
    return name.isEmpty() ? nullptr : CountryFlags::flagIcon(name);
}
