#include "ui/onlinesearchpage.h"

#include "settings/appsettings.h"
#include "stations/onlinedirectory.h"
#include "ui/onlinestationmodel.h"
#include "ui/stationiconcache.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTimer>
#include <QTreeView>
#include <QUrl>
#include <QVBoxLayout>

namespace {

// The formats the directory lists most; its codec texts.
const char* const kCodecs[] = {"MP3", "AAC", "AAC+", "OGG", "OPUS", "FLAC"};
const int kBitrates[] = {64, 128, 192, 256, 320};

QComboBox* makeCombo(QWidget* parent, const char* name, const QString& anyText) {
    auto* combo = new QComboBox(parent);
    combo->setObjectName(QLatin1String(name));
    combo->addItem(anyText, QString());
    combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    combo->setMinimumContentsLength(8);
    return combo;
}

} // namespace

OnlineSearchPage* OnlineSearchPage::create(const AppSettings& settings, QWidget* parent) {
    const QString version = settings.AppVersion();
    auto* client = new RadioBrowserClient(version);
    client->setServers(settings.OnlineDirectoryHost().split(
        QRegularExpression(QStringLiteral("[\\s,;]+")), Qt::SkipEmptyParts));
    auto* directory = new OnlineDirectory(client);
    auto* icons =
        new StationIconCache(iconFolder(settings), RadioBrowserClient::userAgent(version));
    auto* page = new OnlineSearchPage(directory, icons, parent);
    for (QObject* part : std::initializer_list<QObject*>{client, directory, icons})
        part->setParent(page);
    return page;
}

QString OnlineSearchPage::iconFolder(const AppSettings& settings) {
    if (settings.isPortable())
        return settings.dataFolder() + QStringLiteral("StationIcons");
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
           QStringLiteral("/Quillowave/StationIcons");
}

OnlineSearchPage::OnlineSearchPage(OnlineDirectory* directory, StationIconCache* icons,
                                   QWidget* parent)
    : QWidget(parent), m_directory(directory),
      m_model(new OnlineStationModel(directory, icons, this)), m_typingTimer(new QTimer(this)) {
    setObjectName(QStringLiteral("pageOnline"));
    m_view = new QTreeView(this);
    m_view->setObjectName(QStringLiteral("treeOnline"));
    m_view->setModel(m_model);
    m_view->setRootIsDecorated(false);
    m_view->setUniformRowHeights(true);
    m_view->setAlternatingRowColors(true);
    m_view->header()->setSectionResizeMode(OnlineStationModel::ColumnStation, QHeaderView::Stretch);
    m_view->header()->setStretchLastSection(false);
    m_view->setContextMenuPolicy(Qt::CustomContextMenu);
    m_labelState = new QLabel(this);
    m_labelState->setObjectName(QStringLiteral("labelOnlineState"));
    m_labelState->setWordWrap(true);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(makeFilterRow());
    layout->addWidget(m_view, 1);
    layout->addWidget(m_labelState);

    m_typingTimer->setSingleShot(true);
    m_typingTimer->setInterval(kTypingPauseMs);
    connect(m_typingTimer, &QTimer::timeout, this, &OnlineSearchPage::slot_search);
    connect(m_view, &QTreeView::activated, this, &OnlineSearchPage::activate);
    connect(m_view, &QWidget::customContextMenuRequested, this, &OnlineSearchPage::showContextMenu);
    connect(directory, &OnlineDirectory::signal_StateChanged, this, &OnlineSearchPage::showState);
    connect(directory, &OnlineDirectory::signal_FiltersChanged, this,
            &OnlineSearchPage::fillFilters);
    connect(directory->client(), &RadioBrowserClient::signal_Voted, this,
            [this](int, bool counted, const QString& message) {
                m_labelState->setText(counted ? tr("Thank you: your vote was counted.")
                                              : tr("The vote was not counted: %1").arg(message));
            });
    showState();
}

QWidget* OnlineSearchPage::makeFilterRow() {
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    m_editName = new QLineEdit(row);
    m_editName->setObjectName(QStringLiteral("editOnlineName"));
    m_editName->setPlaceholderText(tr("Station name"));
    m_editName->setClearButtonEnabled(true);
    m_comboCountry = makeCombo(row, "comboOnlineCountry", tr("All countries"));
    m_comboTag = makeCombo(row, "comboOnlineTag", tr("All tags"));
    m_comboCodec = makeCombo(row, "comboOnlineCodec", tr("All formats"));
    for (const char* codec : kCodecs)
        m_comboCodec->addItem(QLatin1String(codec), QLatin1String(codec));
    m_comboBitrate = makeCombo(row, "comboOnlineBitrate", tr("Any bitrate"));
    for (int bitrate : kBitrates)
        m_comboBitrate->addItem(tr("%1 kbit/s or more").arg(bitrate), QString::number(bitrate));
    m_checkBroken = new QCheckBox(tr("Show broken stations"), row);
    m_checkBroken->setObjectName(QStringLiteral("checkOnlineBroken"));
    m_checkBroken->setToolTip(tr("Also list the stations whose last check by the directory "
                                 "failed"));
    layout->addWidget(m_editName, 2);
    for (QComboBox* combo : {m_comboCountry, m_comboTag, m_comboCodec, m_comboBitrate}) {
        layout->addWidget(combo, 1);
        connect(combo, &QComboBox::activated, this, &OnlineSearchPage::slot_search);
    }
    layout->addWidget(m_checkBroken);
    connect(m_editName, &QLineEdit::textEdited, m_typingTimer, qOverload<>(&QTimer::start));
    connect(m_editName, &QLineEdit::returnPressed, this, &OnlineSearchPage::slot_search);
    connect(m_checkBroken, &QCheckBox::toggled, this, &OnlineSearchPage::slot_search);
    return row;
}

void OnlineSearchPage::searchFor(const QString& name) {
    m_editName->setText(name);
    slot_search();
}

void OnlineSearchPage::slot_search() {
    m_typingTimer->stop();
    RadioBrowserClient::StationQuery query;
    query.name = m_editName->text().trimmed();
    query.countryCode = m_comboCountry->currentData().toString();
    query.tag = m_comboTag->currentData().toString();
    query.codec = m_comboCodec->currentData().toString();
    query.bitrateMin = m_comboBitrate->currentData().toString().toInt();
    query.hideBroken = !m_checkBroken->isChecked();
    m_directory->search(query);
}

void OnlineSearchPage::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    m_directory->loadFilters();
    // The first visit shows the most played stations, so the page is never empty.
    if (m_directory->state() == OnlineDirectory::State::Idle)
        slot_search();
}

void OnlineSearchPage::fillFilters() {
    const auto refill = [](QComboBox* combo, const QList<RadioBrowserClient::NameCount>& entries,
                           bool byCode) {
        const QString current = combo->currentData().toString();
        while (combo->count() > 1)
            combo->removeItem(1);
        for (const auto& entry : entries) {
            const QString value = byCode ? entry.code : entry.name;
            if (value.isEmpty())
                continue;
            combo->addItem(QStringLiteral("%1 (%2)").arg(entry.name).arg(entry.stationCount),
                           value);
        }
        combo->setCurrentIndex(qMax(0, combo->findData(current)));
    };
    refill(m_comboCountry, m_directory->countries(), true);
    refill(m_comboTag, m_directory->tags(), false);
}

void OnlineSearchPage::showState() {
    QString text = m_directory->stateText();
    const OnlineDirectory::State state = m_directory->state();
    const bool failed =
        state == OnlineDirectory::State::Offline || state == OnlineDirectory::State::NotAnswering;
    if (failed)
        text += QLatin1Char(' ') + tr("The stations on this computer still work.");
    m_labelState->setText(text);
    m_labelState->setStyleSheet(failed ? QStringLiteral("color: red") : QString());
}

void OnlineSearchPage::activate(const QModelIndex& index) {
    Preset* preset = m_model->presetAt(index);
    if (!preset)
        return;
    m_directory->countPlay(preset);
    emit signal_itemActivated(preset);
}

void OnlineSearchPage::showContextMenu(const QPoint& at) {
    const QModelIndex index = m_view->indexAt(at);
    const int row = index.row();
    const OnlineStation* station = m_directory->station(row);
    if (!station)
        return;
    QMenu menu(this);
    menu.addAction(tr("Play"), this, [this, index] { activate(index); });
    const QString uuid = station->uuid;
    menu.addAction(tr("Vote for this station"), this,
                   [this, uuid] { m_directory->client()->vote(uuid); });
    const QString homepage = station->homepage;
    if (!homepage.isEmpty())
        menu.addAction(tr("Go to Website"), this,
                       [homepage] { QDesktopServices::openUrl(QUrl(homepage)); });
    menu.exec(m_view->viewport()->mapToGlobal(at));
}
