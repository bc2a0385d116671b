#include "ui/nowplayingpanel.h"

#include "ui/peakmeter.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// How far from the panel's left margin the meters stand while they are at the left edge.
constexpr int kLeftEdgeSlack = 10;
// Side of the cover beside the texts: as tall as the three lines of text.
constexpr int kCoverSide = 64;

} // namespace

NowPlayingPanel::NowPlayingPanel(QWidget* parent)
    : QFrame(parent), m_labelFlag(new QLabel(this)),
      m_labelStation(new QLabel(tr("No station playing"), this)), m_labelSong(makeSongLabel()),
      m_labelStreamInfo(new QLabel(this)), m_btReportBad(new QToolButton(this)),
      m_btCover(new QToolButton(this)), m_meters(makeMeters()) {
    setObjectName(QStringLiteral("frameInfo"));
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);

    m_labelFlag->setObjectName(QStringLiteral("labelFlag"));
    m_labelFlag->setFixedWidth(24);
    m_labelFlag->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    m_labelStation->setObjectName(QStringLiteral("labelStation"));
    m_labelStation->setOpenExternalLinks(true);
    m_labelStation->setTextInteractionFlags(Qt::TextBrowserInteraction);
    QFont stationFont = m_labelStation->font();
    stationFont.setBold(true);
    stationFont.setPointSizeF(stationFont.pointSizeF() * 1.1);
    m_labelStation->setFont(stationFont);

    m_labelStreamInfo->setObjectName(QStringLiteral("labelStreamInfo"));
    m_labelStreamInfo->setForegroundRole(QPalette::PlaceholderText);

    m_btReportBad->setObjectName(QStringLiteral("btReportBad"));
    m_btReportBad->setText(tr("Report station"));
    m_btReportBad->setToolTip(tr("Tell us that this station does not work"));
    m_btReportBad->hide();

    m_btCover->setObjectName(QStringLiteral("btCover"));
    m_btCover->setAutoRaise(true);
    m_btCover->setIconSize(QSize(kCoverSide, kCoverSide));
    m_btCover->setToolTip(tr("Cover art, lyrics and artist information"));
    m_btCover->setAccessibleName(tr("Cover art"));
    m_btCover->hide();

    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    texts->addWidget(m_labelStation);
    texts->addWidget(m_labelSong);
    texts->addWidget(m_labelStreamInfo);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(10, 8, 10, 8);
    row->addWidget(m_labelFlag);
    row->addWidget(m_btCover, 0, Qt::AlignTop);
    row->addLayout(texts, 1);
    row->addWidget(m_btReportBad, 0, Qt::AlignTop);
    row->addWidget(m_meters);
}

QLabel* NowPlayingPanel::makeSongLabel() {
    auto* label = new QLabel(this);
    label->setObjectName(QStringLiteral("labelSong"));
    // A song may well be called "Stop": a change of language leaves the title as it is.
    label->setProperty("quillowaveUserText", true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont songFont = label->font();
    songFont.setPointSizeF(songFont.pointSizeF() * 1.45);
    label->setFont(songFont);
    label->setMinimumHeight(QFontMetrics(songFont).height());
    return label;
}

QWidget* NowPlayingPanel::makeMeters() {
    auto* meters = new QWidget(this);
    auto* meterLayout = new QHBoxLayout(meters);
    meterLayout->setContentsMargins(0, 0, 0, 0);
    meterLayout->setSpacing(2);
    m_peakLeft = new PeakMeter(meters);
    m_peakLeft->setObjectName(QStringLiteral("peakLeft"));
    m_peakRight = new PeakMeter(meters);
    m_peakRight->setObjectName(QStringLiteral("peakRight"));
    meterLayout->addWidget(m_peakLeft);
    meterLayout->addWidget(m_peakRight);
    return meters;
}

void NowPlayingPanel::showStation(const QString& text, const QString& toolTip,
                                  const QPixmap& flag) {
    m_labelStation->setText(text);
    m_labelStation->setToolTip(toolTip);
    m_labelFlag->setPixmap(flag);
}

void NowPlayingPanel::showSong(const QString& title) {
    m_labelSong->setText(title);
    m_labelSong->setAccessibleName(title);
}

void NowPlayingPanel::showStreamInfo(const QString& text) {
    m_labelStreamInfo->setText(text);
}

void NowPlayingPanel::showCover(const QImage& cover) {
    if (cover.isNull()) {
        m_btCover->setIcon(QIcon());
        m_btCover->hide();
        return;
    }
    m_btCover->setIcon(QPixmap::fromImage(
        cover.scaled(kCoverSide, kCoverSide, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    m_btCover->show();
}

void NowPlayingPanel::setLevels(int left, int right) {
    m_peakLeft->setLevel(left);
    m_peakRight->setLevel(right);
}

void NowPlayingPanel::setMetersEnabled(bool enabled) {
    m_peakLeft->setEnabled(enabled);
    m_peakRight->setEnabled(enabled);
}

void NowPlayingPanel::setMeterColors(const QColor& background, const QColor& top,
                                     const QColor& bottom) {
    m_peakLeft->setColors(background, top, bottom);
    m_peakRight->setColors(background, top, bottom);
}

void NowPlayingPanel::placeMeters(bool onLeft) {
    auto* row = static_cast<QHBoxLayout*>(layout());
    row->removeWidget(m_meters);
    if (onLeft)
        row->insertWidget(0, m_meters);
    else
        row->addWidget(m_meters);
}

bool NowPlayingPanel::metersOnLeft() const {
    // Measured inside the panel's margin, so a meter at the left edge reads as 0.
    return m_meters->x() - layout()->contentsMargins().left() < kLeftEdgeSlack;
}
