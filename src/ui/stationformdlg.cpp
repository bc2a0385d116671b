#include "ui/stationformdlg.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLineEdit* lineEdit(const QString& text, const char* name) {
    auto* edit = new QLineEdit(text);
    edit->setObjectName(QLatin1String(name));
    return edit;
}

} // namespace

StationFormDlg::StationFormDlg(Kind kind, const Preset& station, QWidget* parent)
    : QDialog(parent), m_station(station), m_name(lineEdit(station.title, "name")),
      m_sources(new QPlainTextEdit(station.sources.join(QLatin1Char('\n')))),
      m_genre(lineEdit(station.genre, "genre")), m_country(lineEdit(station.country, "country")),
      m_website(lineEdit(station.website, "website")), m_comments(new QPlainTextEdit) {
    switch (kind) {
    case Kind::Suggestion:
        setWindowTitle(tr("Suggest a new station"));
        break;
    case Kind::Report:
        setWindowTitle(tr("Report a station that does not work"));
        break;
    case Kind::Comment:
        setWindowTitle(tr("Comment on a station"));
        break;
    }
    m_sources->setObjectName(QStringLiteral("sources"));
    m_comments->setObjectName(QStringLiteral("comments"));
    auto* form = new QFormLayout;
    form->addRow(tr("Name:"), m_name);
    form->addRow(tr("Stream addresses (one a line):"), m_sources);
    if (kind != Kind::Suggestion) {
        m_newUrl = lineEdit(QString(), "newUrl");
        form->addRow(tr("New address:"), m_newUrl);
    }
    form->addRow(tr("Genre:"), m_genre);
    form->addRow(tr("Country:"), m_country);
    if (kind == Kind::Suggestion) {
        m_state = lineEdit(station.state, "state");
        form->addRow(tr("State or province:"), m_state);
    }
    form->addRow(tr("Web site:"), m_website);
    form->addRow(tr("Comments:"), m_comments);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Ok)->setText(tr("Send"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

Preset StationFormDlg::station() const {
    Preset out = m_station;
    out.title = m_name->text().trimmed();
    out.sources.clear();
    for (const QString& line : m_sources->toPlainText().split(QLatin1Char('\n'))) {
        if (!line.trimmed().isEmpty())
            out.sources << line.trimmed();
    }
    out.genre = m_genre->text().trimmed();
    out.country = m_country->text().trimmed();
    if (m_state)
        out.state = m_state->text().trimmed();
    out.website = m_website->text().trimmed();
    return out;
}

QString StationFormDlg::newUrl() const {
    return m_newUrl ? m_newUrl->text().trimmed() : QString();
}

QString StationFormDlg::comments() const {
    return m_comments->toPlainText();
}
