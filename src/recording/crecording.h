#pragma once

// The output file of a recording and the song buffer that holds the raw bytes of the current
// song while nothing is recorded. Written by the download and encoder threads, opened and closed
// by the GUI thread; m_mutex guards the file and the buffer. Owned by CRecord.

#include <QMutex>
#include <QString>

#include <atomic>
#include <memory>

class QFile;

namespace BASS {

class CRecording {
public:
    static constexpr quint32 DefaultCapacity = 5120000;

    CRecording();
    virtual ~CRecording();
    CRecording(const CRecording&) = delete;
    CRecording& operator=(const CRecording&) = delete;

    virtual void ResetBufferedSeconds();
    virtual void ResetBuffer();

    // Refuses an empty name and a second open; truncates an existing file.
    bool Open(const QString& name);
    // With a file open: flushes the song buffer first (unless an encoder writes the file) and
    // appends data. Without one: appends data to the song buffer. Writes racing a close succeed.
    bool Write(const void* data, quint32 length, bool encoderActive);
    void Close();
    void SaveBuffer(const QString& name);

    void SetCapacity(quint32 bytes);
    quint32 Capacity() const { return m_capacity; }
    QString FileName() const;
    void SetFileName(const QString& name);
    bool IsOpen() const;
    bool HasBufferedData() const;
    bool IsClosing() const { return m_closing.load(); }
    quint32 BufferFill() const;

    void AddBufferedSecond() { ++m_bufferedSeconds; }
    quint32 BufferedSeconds() const { return m_bufferedSeconds.load(); }

private:
    bool OpenFile(const QString& name);
    bool WriteFile(const char* data, quint32 length);
    void ResetBufferLocked();

    mutable QMutex m_mutex;
    quint32 m_capacity = DefaultCapacity; // guarded by m_mutex
    QString m_fileName;                   // guarded by m_mutex
    std::unique_ptr<QFile> m_fileRec;     // guarded by m_mutex; set exactly while a file is open
    std::unique_ptr<char[]> m_buffer;     // guarded by m_mutex
    quint32 m_bufferFill = 0;             // guarded by m_mutex
    bool m_bufferAllocated = false;       // guarded by m_mutex
    std::atomic<bool> m_closing{false};
    std::atomic<quint32> m_bufferedSeconds{0};
};

} // namespace BASS
