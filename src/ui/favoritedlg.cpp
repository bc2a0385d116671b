#include "ui/favoritedlg.h"

#include "stations/favorites.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QVBoxLayout>
#include <cmath>

FavoriteDlg::FavoriteDlg(const Preset& preset, const QStringList& groupNames, QWidget* parent)
    : QDialog(parent), m_preset(preset), m_name(new QLineEdit(preset.title)),
      m_website(new QLineEdit(preset.website)), m_genre(new QLineEdit(preset.genre)),
      m_group(new QComboBox), m_source(new QPlainTextEdit), m_splitDelay(new QDoubleSpinBox) {
    setWindowTitle(tr("Edit favorite"));
    setObjectName(QStringLiteral("FavoriteDlg"));

    m_group->setEditable(true);
    m_group->addItem(QString());
    m_group->addItems(groupNames);
    m_group->setCurrentText(
        preset.groupNameText() == QLatin1String("Root") ? QString() : preset.groupNameText());

    m_source->setPlainText(preset.sources.join(QLatin1Char('\n')));
    m_source->setTabChangesFocus(true);

    m_splitDelay->setRange(0.0, 9.9);
    m_splitDelay->setSingleStep(0.1);
    m_splitDelay->setDecimals(1);
    m_splitDelay->setSuffix(QStringLiteral(" s"));
    m_splitDelay->setValue(splitDelaySeconds(preset.splitDelay));

    // The help is written here, so that it works without the network.
    auto* help = new QLabel(
        QStringLiteral("<a href=\"help\">%1</a>").arg(tr("Need help finding a stream URL?")));
    help->setObjectName(QStringLiteral("StreamUrlHelp"));
    connect(help, &QLabel::linkActivated, this, [this] {
        QMessageBox::information(
            this, tr("Finding a stream URL"),
            tr("Open the station's web site and look for its \"Listen\" or \"Listen live\" link. "
               "Copy the address of that link (right-click it, then \"Copy link\") and paste it "
               "here. Addresses ending in .pls, .m3u or .asx are playlists and work as they are; "
               "so do addresses with a port number such as :8000/stream."));
    });

    auto* form = new QFormLayout;
    form->addRow(tr("Name"), m_name);
    form->addRow(tr("Website"), m_website);
    form->addRow(tr("Genre"), m_genre);
    form->addRow(tr("Group"), m_group);
    form->addRow(tr("Source"), m_source);
    form->addRow(tr("Split delay"), m_splitDelay);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &FavoriteDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &FavoriteDlg::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(help);
    layout->addWidget(buttons);
    resize(480, sizeHint().height());
}

int FavoriteDlg::splitDelayMs(double seconds) {
    // Counted in tenths first: 2.3 s must store 2300 ms, not the 2299 that the binary fraction
    // would truncate to.
    return static_cast<int>(std::lround(seconds * 10.0)) * 100;
}

double FavoriteDlg::splitDelaySeconds(int milliseconds) {
    return qBound(0.0, milliseconds / 1000.0, 9.9);
}

Preset FavoriteDlg::preset() const {
    Preset p = m_preset;
    p.title = m_name->text().trimmed();
    p.website = m_website->text().trimmed();
    p.genre = m_genre->text().trimmed();
    const QString group = m_group->currentText().trimmed();
    if (group.isEmpty())
        p.groupName.reset();
    else
        p.groupName = group;
    p.sources.clear();
    p.firstUrl.clear();
    p.playlistUrls.reset();
    p.playlistIndex = 0;
    p.sourceIndex = 0;
    p.addSource(m_source->toPlainText().trimmed());
    p.splitDelay = splitDelayMs(m_splitDelay->value());
    return p;
}

void FavoriteDlg::accept() {
    QString problem;
    if (m_name->text().trimmed().isEmpty())
        problem = tr("Please enter a name for the station.");
    else if (preset().sources.isEmpty())
        problem = tr("Please enter at least one stream URL.");
    if (problem.isEmpty()) {
        QDialog::accept();
        return;
    }
    emit signal_Invalid(problem);
    if (isVisible())
        QMessageBox::warning(this, windowTitle(), problem);
}

Preset* FavoriteDlg::addToFavorites(Favorites& favorites, const Preset& station, QWidget* parent) {
    if (favorites.contains(station) &&
        QMessageBox::question(parent, tr("Add to favorites"),
                              tr("Station already exists in your favorites. Add anyway?"),
                              QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return nullptr;
    FavoriteDlg dlg(station, favorites.groupNames(), parent);
    dlg.setWindowTitle(tr("Add to favorites"));
    if (dlg.exec() != QDialog::Accepted)
        return nullptr;
    Preset* added = favorites.add(dlg.preset());
    if (added)
        favorites.save();
    return added;
}
