#include "ui/coverartwindow.h"

#include "coverart/coverart.h"

#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

CoverArtWindow::CoverArtWindow(CoverArt* lookup, QWidget* parent)
    : QDialog(parent), m_lookup(lookup), m_cover(new QLabel(this)), m_album(new QLabel(this)),
      m_status(new QLabel(this)), m_text(new QTextBrowser(this)),
      m_btLyrics(new QPushButton(tr("&Lyrics"), this)),
      m_btArtistInfo(new QPushButton(tr("&Artist information"), this)) {
    setObjectName(QStringLiteral("CoverArtWindow"));
    setWindowTitle(tr("Cover Art"));
    m_cover->setObjectName(QStringLiteral("labelCover"));
    m_cover->setFixedSize(CoverSide, CoverSide);
    m_cover->setAlignment(Qt::AlignCenter);
    m_album->setObjectName(QStringLiteral("labelAlbum"));
    m_album->setOpenExternalLinks(true);
    m_album->setWordWrap(true);
    m_album->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    m_status->setObjectName(QStringLiteral("labelCoverStatus"));
    m_text->setObjectName(QStringLiteral("textCoverInfo"));
    m_text->setOpenExternalLinks(true);

    auto* details = new QVBoxLayout;
    details->addWidget(m_album, 1);
    details->addWidget(m_status);
    auto* top = new QHBoxLayout;
    top->addWidget(m_cover);
    top->addLayout(details, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_btLyrics);
    buttons->addWidget(m_btArtistInfo);
    buttons->addStretch(1);
    auto* column = new QVBoxLayout(this);
    column->addLayout(top);
    column->addLayout(buttons);
    column->addWidget(m_text, 1);

    connect(m_btLyrics, &QPushButton::clicked, this,
            [this] { m_lookup->RequestLyrics(m_lookup->Artist(), m_lookup->Title()); });
    connect(m_btArtistInfo, &QPushButton::clicked, this,
            [this] { m_lookup->RequestArtistInfo(m_lookup->Artist()); });
    connect(m_lookup, &CoverArt::sig_statusChanged, this, [this](CoverArt::status value) {
        m_status->setText(CoverArt::StatusText(value));
        if (value <= CoverArt::StatusNotFound)
            refresh();
    });
    connect(m_lookup, &CoverArt::sig_coverArtProcess, this,
            [this](CoverArt::coverArtType type) { showResult(type); });
    refresh();
}

QString CoverArtWindow::albumText(const CoverArt& lookup) {
    const AlbumInfo& album = lookup.GetAlbumInfo();
    QString text = QStringLiteral("<b>%1</b><br>%2").arg(lookup.Artist().toHtmlEscaped(),
                                                        lookup.Title().toHtmlEscaped());
    const auto addLine = [&text](const QString& label, const QString& value) {
        if (!value.isEmpty())
            text += QStringLiteral("<br>%1: %2").arg(label, value.toHtmlEscaped());
    };
    addLine(tr("Album"), album.m_album);
    addLine(tr("Released"), album.m_releaseDate);
    addLine(tr("Genre"), album.m_genre);
    addLine(tr("Price"), album.m_price);
    for (int disc = 0; disc < AlbumInfo::MAX_DISCS; ++disc) {
        for (int track = 0; track < AlbumInfo::MAX_TRACKS; ++track) {
            const QString title = album.TrackCount(disc) > 0 ? album.Track(disc, track) : QString();
            if (!title.isEmpty())
                text += QStringLiteral("<br>%1.%2 %3").arg(disc + 1).arg(track + 1).arg(
                    title.toHtmlEscaped());
        }
    }
    if (album.m_detailPageUrl.startsWith(QLatin1String("http")))
        text += QStringLiteral("<br><a href=\"%1\">%2</a>")
                    .arg(album.m_detailPageUrl.toHtmlEscaped(), tr("Album page"));
    return text;
}

void CoverArtWindow::refresh() {
    const QString file = m_lookup->GetCoverArtFile();
    const QImage image = file.isEmpty() ? QImage() : QImage(file);
    if (image.isNull())
        m_cover->setText(tr("No cover"));
    else
        m_cover->setPixmap(QPixmap::fromImage(
            image.scaled(CoverSide, CoverSide, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    m_album->setText(m_lookup->Artist().isEmpty() ? QString() : albumText(*m_lookup));
    m_status->setText(CoverArt::StatusText(m_lookup->Status()));
    const bool haveSong = !m_lookup->Artist().isEmpty();
    m_btLyrics->setEnabled(haveSong);
    m_btArtistInfo->setEnabled(haveSong);
}

void CoverArtWindow::showResult(int type) {
    if (type == CoverArt::TypeCoverArt)
        refresh();
    else if (type == CoverArt::TypeLyrics)
        m_text->setHtml(m_lookup->GetLyrics());
    else
        m_text->setHtml(m_lookup->GetArtistInfo());
}
