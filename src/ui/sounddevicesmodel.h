#pragma once

// The output devices as a checkable list: one row per device the library lists, showing its
// translated name, with the chosen device's row checked; the accessible text adds whether the
// row is checked. Checking a row chooses its device.
// GUI thread; owned by the view or dialog that shows it.

#include "bass/sounddevice.h"

#include <QAbstractListModel>
#include <QList>

class SoundDevicesModel : public QAbstractListModel {
    Q_OBJECT
public:
    // chosen is the PlayOnDevices value: a device index, or -1 for the system default.
    SoundDevicesModel(const QList<BASS::SoundDevice>& devices, int chosen,
                      QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    int chosenDevice() const { return m_chosen; }
    void chooseRow(int row);
    bool isChecked(int row) const;

private:
    QList<BASS::SoundDevice> m_devices;
    int m_chosen;
};
