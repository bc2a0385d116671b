#include "recording/recordingtagger.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <taglib/fileref.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/tpropertymap.h>

namespace {

TagLib::String tagText(const QString& text) {
    return TagLib::String(text.toStdString(), TagLib::String::UTF8);
}

TagLib::PropertyMap properties(const RecordingTagger::Tags& tags) {
    TagLib::PropertyMap map;
    auto set = [&map](const char* key, const QString& value) {
        if (!value.trimmed().isEmpty())
            map.replace(key, TagLib::StringList(tagText(value)));
    };
    // A song without an artist still has its title: a text without " - " is taken as the
    // artist when it is read, so here it becomes the title.
    const bool titleOnly = tags.title.trimmed().isEmpty();
    set("ARTIST", titleOnly ? QString() : tags.artist);
    set("TITLE", titleOnly ? tags.artist : tags.title);
    set("ALBUM", tags.station);
    set("GENRE", tags.genre);
    set("DATE", tags.date.isValid() ? tags.date.toString(Qt::ISODate) : QString());
    set("COMMENT", tags.url);
    return map;
}

} // namespace

bool RecordingTagger::Write(const QString& path, const Tags& tags) {
    if (!QFileInfo(path).isFile())
        return false;
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("mp3"))
        return WriteMp3(path, tags);
    if (suffix == QLatin1String("aac"))
        return WriteAdts(path, tags);
    return WriteGeneric(path, tags);
}

bool RecordingTagger::WriteMp3(const QString& path, const Tags& tags) {
    TagLib::MPEG::File file(QFile::encodeName(path).constData(), false);
    if (!file.isValid())
        return false;
    file.ID3v2Tag(true)->setProperties(properties(tags));
    return file.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripOthers, TagLib::ID3v2::v4,
                     TagLib::File::DoNotDuplicate);
}

bool RecordingTagger::WriteAdts(const QString& path, const Tags& tags) {
    // TagLib has no ADTS file type; players read an ID3v2 tag in front of the frames, so the
    // tag TagLib renders goes there, through a new file that replaces the old one whole.
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    // A tag written before is replaced, not stacked.
    const QByteArray head = in.peek(10);
    if (head.size() == 10 && head.startsWith("ID3")) {
        const qint64 size = (qint64(head[6] & 0x7F) << 21) | (qint64(head[7] & 0x7F) << 14) |
                            (qint64(head[8] & 0x7F) << 7) | qint64(head[9] & 0x7F);
        const bool footer = (head[5] & 0x10) != 0;
        in.seek(10 + size + (footer ? 10 : 0));
    }
    TagLib::ID3v2::Tag tag;
    tag.setProperties(properties(tags));
    const TagLib::ByteVector rendered = tag.render(TagLib::ID3v2::v4);
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    out.write(rendered.data(), rendered.size());
    while (!in.atEnd()) {
        const QByteArray block = in.read(1 << 20);
        if (block.isEmpty() || out.write(block) != block.size()) {
            out.cancelWriting();
            return false;
        }
    }
    return out.commit();
}

bool RecordingTagger::WriteGeneric(const QString& path, const Tags& tags) {
    TagLib::FileRef file(QFile::encodeName(path).constData(), false);
    if (file.isNull())
        return false;
    file.file()->setProperties(properties(tags));
    return file.save();
}
