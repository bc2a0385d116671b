#pragma once

// One equaliser preset of the built-in table (name, ten band gains in dB and a further number
// kept as the table has it), with the lookups the engine and the window use. The table is
// constant. Any thread.

#include <QString>
#include <QStringList>

#include <array>

namespace BASS {

class EqualizerPreset {
public:
    static constexpr int Bands = 10;
    // The preset of the user's own values; its table gains are all 0 (flat).
    static constexpr const char* CustomName = "Custom";

    QString name;
    std::array<float, Bands> gains{};
    int extra = 0; // carried as the table has it; nothing reads it

    // The built-in presets in table order.
    static const QList<EqualizerPreset>& Table();
    static QStringList Names();
    // The preset of that exact name; null when the table has none.
    static const EqualizerPreset* Find(const QString& name);
    // The named preset, or the flat one when the name is unknown.
    static const EqualizerPreset& FindOrFlat(const QString& name);
    // "g0,g1,...,g9", the values text the settings store keeps.
    QString ValuesText() const;
};

} // namespace BASS
