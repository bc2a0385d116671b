#include "recording/crecording.h"

#include "bass/flacstreaminfo.h"

#include <QDebug>
#include <QFile>
#include <QDir>
#include <QFileInfo>

#include <cstring>

namespace BASS {

CRecording::CRecording() = default;

CRecording::~CRecording() {
    Close();
}

void CRecording::ResetBufferedSeconds() {
    m_bufferedSeconds = 0;
}

void CRecording::ResetBuffer() {
    QMutexLocker lock(&m_mutex);
    ResetBufferLocked();
}

void CRecording::ResetBufferLocked() {
    m_bufferFill = 0;
    ResetBufferedSeconds();
    qDebug() << "CRecording::ResetBuffer()";
}

bool CRecording::Open(const QString& name) {
    QMutexLocker lock(&m_mutex);
    if (name.isEmpty() || m_fileRec)
        return false;
    m_fileName.clear();
    if (OpenFile(name))
        return true;
    // A name the file system refuses may still be accepted in plain 8-bit text.
    const QFileInfo info(name);
    const QString plainName = QString::fromLatin1(info.fileName().toLatin1());
    return OpenFile(info.dir().filePath(plainName));
}

bool CRecording::OpenFile(const QString& name) {
    auto file = std::make_unique<QFile>(name);
    // Unbuffered: a full disk shows at the write that fails, not at some later flush, and what
    // reached the file before it is all there.
    if (!file->open(QIODevice::ReadWrite | QIODevice::Truncate | QIODevice::Unbuffered))
        return false;
    m_fileRec = std::move(file);
    m_fileName = name;
    return true;
}

bool CRecording::Write(const void* data, quint32 length, bool encoderActive) {
    if (m_closing)
        return true;
    QMutexLocker lock(&m_mutex);
    if (m_fileRec) {
        if (m_buffer && m_bufferFill != 0 && !encoderActive) {
            const bool flushed = WriteFile(m_buffer.get(), m_bufferFill);
            ResetBufferLocked();
            if (!flushed)
                return false;
        }
        return WriteFile(static_cast<const char*>(data), length);
    }
    if (!m_buffer && !m_bufferAllocated && m_capacity != 0) {
        m_buffer = std::make_unique<char[]>(m_capacity);
        m_bufferAllocated = true;
    }
    if (!m_buffer)
        return true;
    if (static_cast<quint64>(m_bufferFill) + length >= m_capacity) {
        ResetBufferLocked();
        return true;
    }
    std::memcpy(m_buffer.get() + m_bufferFill, data, length);
    m_bufferFill += length;
    return true;
}

bool CRecording::WriteFile(const char* data, quint32 length) {
    return m_fileRec->write(data, length) > 0;
}

void CRecording::Close() {
    const bool wasClosing = m_closing.exchange(true);
    QString closed;
    {
        QMutexLocker lock(&m_mutex);
        if (m_fileRec)
            closed = m_fileName;
        m_fileRec.reset();
    }
    m_closing = wasClosing;
    // A FLAC encoder writing to a pipe cannot give its header the length; the whole file can.
    if (!closed.isEmpty())
        FlacStreamInfo::CompleteTotalSamples(closed);
}

void CRecording::SaveBuffer(const QString& name) {
    QMutexLocker lock(&m_mutex);
    if (!m_buffer || m_bufferFill == 0)
        return;
    QFile file(name);
    if (file.open(QIODevice::ReadWrite | QIODevice::Truncate))
        file.write(m_buffer.get(), m_bufferFill);
}

void CRecording::SetCapacity(quint32 bytes) {
    QMutexLocker lock(&m_mutex);
    if (bytes == m_capacity)
        return;
    // The block is sized once; a new capacity takes a new block on the next write.
    m_capacity = bytes;
    m_buffer.reset();
    m_bufferAllocated = false;
    m_bufferFill = 0;
}

QString CRecording::FileName() const {
    QMutexLocker lock(&m_mutex);
    return m_fileName;
}

void CRecording::SetFileName(const QString& name) {
    QMutexLocker lock(&m_mutex);
    m_fileName = name;
}

bool CRecording::IsOpen() const {
    QMutexLocker lock(&m_mutex);
    return m_fileRec != nullptr;
}

bool CRecording::HasBufferedData() const {
    QMutexLocker lock(&m_mutex);
    return m_buffer && m_bufferFill != 0;
}

quint32 CRecording::BufferFill() const {
    QMutexLocker lock(&m_mutex);
    return m_bufferFill;
}

} // namespace BASS
