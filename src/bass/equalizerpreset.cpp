#include "bass/equalizerpreset.h"

namespace BASS {

const QList<EqualizerPreset>& EqualizerPreset::Table() {
    static const QList<EqualizerPreset> table{
        {QString::fromLatin1(CustomName), {0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 12},
        {QStringLiteral("Classical"), {0, 6, 6, 3, 0, 0, 0, 0, 2, 2}, 5},
        {QStringLiteral("Fullbass"), {-3, 4, 3, -1, -1, 3, 0, -4, -5, -2}, 6},
        {QStringLiteral("Pop"), {-2, -1, 0, 1, 3, 3, 1, 0, -1, -2}, 5},
        {QStringLiteral("Rock"), {-1, 1, 2, 3, -1, -1, 0, 0, 4, 4}, 5},
        {QStringLiteral("Soft"), {0, 1, 2, 0, 0, 0, 0, 0, 2, 2}, 5},
        {QStringLiteral("Techno"), {-6, 1, 4, -1, -1, -2, 0, 0, 5, 5}, 6}};
    return table;
}

QStringList EqualizerPreset::Names() {
    QStringList names;
    for (const EqualizerPreset& preset : Table())
        names.append(preset.name);
    return names;
}

const EqualizerPreset* EqualizerPreset::Find(const QString& name) {
    for (const EqualizerPreset& preset : Table()) {
        if (preset.name == name)
            return &preset;
    }
    return nullptr;
}

const EqualizerPreset& EqualizerPreset::FindOrFlat(const QString& name) {
    const EqualizerPreset* preset = Find(name);
    return preset ? *preset : Table().first();
}

QString EqualizerPreset::ValuesText() const {
    QStringList values;
    for (float gain : gains)
        values.append(QString::number(gain));
    return values.join(QLatin1Char(','));
}

} // namespace BASS
