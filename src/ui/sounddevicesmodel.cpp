#include "ui/sounddevicesmodel.h"

#include "audio/bass.h"

SoundDevicesModel::SoundDevicesModel(const QList<BASS::SoundDevice>& devices, int chosen,
                                     QObject* parent)
    : QAbstractListModel(parent), m_devices(devices), m_chosen(chosen) {}

int SoundDevicesModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_devices.size());
}

bool SoundDevicesModel::isChecked(int row) const {
    if (row < 0 || row >= m_devices.size())
        return false;
    const BASS::SoundDevice& device = m_devices.at(row);
    // The system default (-1) is the device the library marks as default.
    return device.index == m_chosen || (m_chosen == -1 && (device.flags & BASS_DEVICE_DEFAULT));
}

QVariant SoundDevicesModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_devices.size())
        return {};
    const QString name = tr(m_devices.at(index.row()).name.toUtf8().constData());
    const bool checked = isChecked(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return name;
    case Qt::CheckStateRole:
        return checked ? Qt::Checked : Qt::Unchecked;
    case Qt::AccessibleTextRole:
        return name + QStringLiteral(" - ") + (checked ? tr("Checked") : tr("Unchecked"));
    case Qt::ToolTipRole:
        return m_devices.at(index.row()).driver;
    default:
        return {};
    }
}

bool SoundDevicesModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || role != Qt::CheckStateRole || value.toInt() != Qt::Checked)
        return false;
    chooseRow(index.row());
    return true;
}

Qt::ItemFlags SoundDevicesModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable
                           : Qt::NoItemFlags;
}

void SoundDevicesModel::chooseRow(int row) {
    if (row < 0 || row >= m_devices.size())
        return;
    m_chosen = m_devices.at(row).index;
    emit dataChanged(index(0), index(int(m_devices.size()) - 1), {Qt::CheckStateRole});
}
