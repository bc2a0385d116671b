#pragma once

// Whole pages of an Ogg stream, cut out of the bytes as they arrive, and the header pages of
// the logical stream being received, so that a copy can begin a file of its own with them.
// Download thread, under the engine's metadata mutex; owned by CBass.

#include <QByteArray>

#include <functional>

namespace BASS {

class OggPager {
public:
    struct Page {
        QByteArray bytes;
        bool firstOfStream = false; // begins a logical stream (a new song on a radio)
        bool header = false;        // one of its header pages, before the first audio
    };

    // Hands on the pages the data completes, in stream order, each as soon as it is tracked:
    // StreamHeaders() then ends with it when it is a header page. Bytes that are no page (a
    // checksum that fails, a broken connection's last piece) are skipped up to the next page.
    void Feed(const char* data, qsizetype length, const std::function<void(const Page&)>& onPage);

    // The current logical stream's header pages so far; empty before its first page was seen.
    const QByteArray& StreamHeaders() const { return m_headers; }
    // A whole page has been found: the bytes are an Ogg stream.
    bool HasSeenPages() const { return m_seenPages; }

private:
    // Length of the page at the start of bytes: 0 while incomplete, -1 when it is none.
    static qsizetype PageLength(const char* bytes, qsizetype available);
    void Track(Page& page);

    QByteArray m_pending; // bytes of the next page, not yet whole
    QByteArray m_headers;
    bool m_headersComplete = false; // an audio page followed them
    bool m_seenPages = false;
    quint32 m_serial = 0;
};

} // namespace BASS
