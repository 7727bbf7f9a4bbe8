#include "jobs/ArchiveCheck.h"

#include "lib/libFiles.h"

#include <QEventLoop>
#include <QFile>
#include <QThread>
#include <QtEndian>
#include <algorithm>
#include <memory>
#include <utility>
#include <zlib.h>

namespace ArchiveCheck {
namespace {

constexpr qint64 ChunkBytes = 1 << 20;
constexpr quint32 InZip64Field = 0xFFFFFFFF;
constexpr quint16 Zip64FieldTag = 0x0001;
constexpr quint16 Stored = 0;
constexpr quint16 Deflated = 8;

// The fixed part of each record the check reads: its signature and length.
struct Record {
    quint32 signature;
    qint64 bytes;
};
constexpr Record EndRecord{0x06054b50, 22};
constexpr Record Zip64Locator{0x07064b50, 20};
constexpr Record Zip64End{0x06064b50, 56};
constexpr Record CentralHeader{0x02014b50, 46};
constexpr Record LocalHeader{0x04034b50, 30};
constexpr qint64 EndSearchBytes = EndRecord.bytes + 0xFFFF;  // the record and the longest comment

template <typename T>
T at(const QByteArray& bytes, qint64 offset)
{
    return qFromLittleEndian<T>(bytes.constData() + offset);
}

// Thrown when the archive is damaged, or when unzip has to judge it.
struct Damage {
    QString reason;
};
struct LeftToUnzip {};

struct Directory {
    quint64 entries;
    quint64 size;
    quint64 offset;
};

struct Entry {
    QByteArray name;
    quint16 flags;
    quint16 method;
    quint32 crc;
    quint64 compressed;
    quint64 uncompressed;
    quint64 localOffset;

    QString shown() const { return QLatin1Char('\'') + libFiles::ShownPath(name) + QLatin1Char('\''); }
};

// A field of 0xFFFFFFFF holds its value in the zip64 extra field, in this order.
void readZip64Fields(Entry& entry, const QByteArray& extra)
{
    for (qint64 block = 0; block + 4 <= extra.size(); block += 4 + at<quint16>(extra, block + 2)) {
        if (at<quint16>(extra, block) != Zip64FieldTag)
            continue;
        const qint64 end = std::min<qint64>(extra.size(), block + 4 + at<quint16>(extra, block + 2));
        qint64 field = block + 4;
        for (quint64* value : {&entry.uncompressed, &entry.compressed, &entry.localOffset}) {
            if (*value != InZip64Field)
                continue;
            if (field + 8 > end)
                throw Damage{QStringLiteral("the zip64 field of ") + entry.shown() + QStringLiteral(" is cut short")};
            *value = at<quint64>(extra, field);
            field += 8;
        }
        return;
    }
}

class Checker {
public:
    Checker(const QString& archive, const std::atomic<bool>& stop) : m_file(archive), m_stop(stop) {}

    void run()
    {
        if (!m_file.open(QIODevice::ReadOnly))
            throw Damage{QStringLiteral("it can't be read: ") + m_file.errorString()};
        m_size = m_file.size();
        const Directory directory = findDirectory();
        if (directory.offset > quint64(m_size) || directory.size > quint64(m_size) - directory.offset)
            throw Damage{QStringLiteral("the central directory lies outside the file")};
        const qint64 end = qint64(directory.offset + directory.size);
        qint64 offset = qint64(directory.offset);
        quint64 count = 0;
        for (; offset < end; ++count)  // each entry takes 46 bytes or more
            offset += checkEntry(offset);
        if (offset != end || count != directory.entries)
            throw Damage{QStringLiteral("its central directory does not match its end record")};
    }

private:
    QByteArray readAt(qint64 offset, qint64 length)
    {
        if (offset < 0 || length < 0 || offset > m_size - length)
            throw Damage{QStringLiteral("a record reaches past the end of the file")};
        QByteArray bytes(length, Qt::Uninitialized);
        if (!m_file.seek(offset) || m_file.read(bytes.data(), length) != length)
            throw Damage{QStringLiteral("it can't be read: ") + m_file.errorString()};
        return bytes;
    }

    Directory findDirectory()
    {
        const qint64 tailStart = std::max<qint64>(0, m_size - EndSearchBytes);
        const QByteArray tail = readAt(tailStart, m_size - tailStart);
        const auto isEndRecord = [&tail](qint64 record) {  // its comment, the last field, ends within the file
            return at<quint32>(tail, record) == EndRecord.signature
                   && record + EndRecord.bytes + at<quint16>(tail, record + 20) <= tail.size();
        };
        qint64 record = tail.size() - EndRecord.bytes;
        while (record >= 0 && !isEndRecord(record))
            --record;
        if (record < 0)
            throw Damage{QStringLiteral("its end record is missing")};
        const qint64 locatorOffset = tailStart + record - Zip64Locator.bytes;
        if (locatorOffset >= 0) {
            const QByteArray locator = readAt(locatorOffset, Zip64Locator.bytes);
            if (at<quint32>(locator, 0) == Zip64Locator.signature) {
                const qint64 end64Offset = qint64(std::min<quint64>(at<quint64>(locator, 8), m_size));
                const QByteArray end64 = readAt(end64Offset, Zip64End.bytes);
                if (at<quint32>(end64, 0) != Zip64End.signature)
                    throw Damage{QStringLiteral("its zip64 end record is missing")};
                return {at<quint64>(end64, 32), at<quint64>(end64, 40), at<quint64>(end64, 48)};
            }
        }
        return {at<quint16>(tail, record + 10), at<quint32>(tail, record + 12), at<quint32>(tail, record + 16)};
    }

    // Checks the entry whose central directory record is at `offset`; returns the record's length.
    qint64 checkEntry(qint64 offset)
    {
        const QByteArray fixed = readAt(offset, CentralHeader.bytes);
        if (at<quint32>(fixed, 0) != CentralHeader.signature)
            throw Damage{QStringLiteral("a central directory record is damaged")};
        const quint16 nameBytes = at<quint16>(fixed, 28);
        const quint16 extraBytes = at<quint16>(fixed, 30);
        Entry entry{readAt(offset + CentralHeader.bytes, nameBytes), at<quint16>(fixed, 8), at<quint16>(fixed, 10),
                    at<quint32>(fixed, 16), at<quint32>(fixed, 20), at<quint32>(fixed, 24), at<quint32>(fixed, 42)};
        readZip64Fields(entry, readAt(offset + CentralHeader.bytes + nameBytes, extraBytes));
        if ((entry.flags & 1) != 0 || (entry.method != Stored && entry.method != Deflated))
            throw LeftToUnzip{};
        checkData(entry, dataOffset(entry));
        return CentralHeader.bytes + nameBytes + extraBytes + at<quint16>(fixed, 32);
    }

    // Where the entry's data begins, after its local header, which must name the same entry.
    qint64 dataOffset(const Entry& entry)
    {
        const qint64 local = qint64(std::min<quint64>(entry.localOffset, m_size));
        const QByteArray header = readAt(local, LocalHeader.bytes);
        if (at<quint32>(header, 0) != LocalHeader.signature
            || readAt(local + LocalHeader.bytes, at<quint16>(header, 26)) != entry.name)
            throw Damage{QStringLiteral("the local header of ") + entry.shown() + QStringLiteral(" is damaged")};
        const qint64 data = local + LocalHeader.bytes + at<quint16>(header, 26) + at<quint16>(header, 28);
        if (data > m_size || entry.compressed > quint64(m_size - data))
            throw Damage{QStringLiteral("the data of ") + entry.shown() + QStringLiteral(" reaches past the end of the file")};
        m_dataBytes += entry.compressed;  // entries sharing their data would make a small file take long
        if (m_dataBytes > quint64(m_size))
            throw Damage{QStringLiteral("the data of ") + entry.shown() + QStringLiteral(" overlaps another entry's")};
        return data;
    }

    void checkData(const Entry& entry, qint64 data)
    {
        quint64 length = 0;
        uLong crc = crc32(0, nullptr, 0);
        const auto count = [&](const char* bytes, qint64 size) {  // once a chunk read or inflated
            if (m_stop)
                throw Damage{QStringLiteral("the check was stopped")};
            length += quint64(size);
            if (length > entry.uncompressed)
                throw Damage{QStringLiteral("the size of ") + entry.shown() + QStringLiteral(" differs")};
            crc = crc32_z(crc, reinterpret_cast<const Bytef*>(bytes), size_t(size));
        };
        if (entry.method == Stored)
            forEachChunk(data, entry.compressed, count);
        else
            inflateChunks(entry, data, count);
        if (length != entry.uncompressed)
            throw Damage{QStringLiteral("the size of ") + entry.shown() + QStringLiteral(" differs")};
        if (crc != entry.crc)
            throw Damage{QStringLiteral("check sum of ") + entry.shown() + QStringLiteral(" differs")};
    }

    template <typename Use>
    void forEachChunk(qint64 offset, quint64 length, Use&& use)
    {
        m_chunk.resize(ChunkBytes);
        for (quint64 done = 0; done < length;) {
            const qint64 size = qint64(std::min<quint64>(ChunkBytes, length - done));
            if (!m_file.seek(offset + qint64(done)) || m_file.read(m_chunk.data(), size) != size)
                throw Damage{QStringLiteral("it can't be read: ") + m_file.errorString()};
            use(m_chunk.constData(), size);
            done += quint64(size);
        }
    }

    // Raw deflate must end exactly at the entry's compressed size.
    template <typename Use>
    void inflateChunks(const Entry& entry, qint64 data, Use&& use)
    {
        const Damage damaged{QStringLiteral("the deflated data of ") + entry.shown() + QStringLiteral(" is damaged")};
        z_stream stream{};
        if (inflateInit2(&stream, -MAX_WBITS) != Z_OK)
            throw Damage{QStringLiteral("zlib can't be set up")};
        const std::unique_ptr<z_stream, int (*)(z_streamp)> ending(&stream, inflateEnd);
        m_output.resize(ChunkBytes);
        int status = Z_OK;
        forEachChunk(data, entry.compressed, [&](const char* bytes, qint64 size) {
            if (status == Z_STREAM_END)
                throw damaged;
            stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes));
            stream.avail_in = uInt(size);
            do {
                stream.next_out = reinterpret_cast<Bytef*>(m_output.data());
                stream.avail_out = uInt(ChunkBytes);
                status = inflate(&stream, Z_NO_FLUSH);
                if (status == Z_BUF_ERROR && stream.avail_in == 0)  // wants the next chunk
                    status = Z_OK;
                else if (status != Z_OK && status != Z_STREAM_END)
                    throw damaged;
                use(m_output.constData(), ChunkBytes - qint64(stream.avail_out));
            } while (status == Z_OK && (stream.avail_in > 0 || stream.avail_out == 0));
            if (status == Z_STREAM_END && stream.avail_in > 0)
                throw damaged;
        });
        if (status != Z_STREAM_END)
            throw damaged;
    }

    QFile m_file;
    qint64 m_size = 0;
    quint64 m_dataBytes = 0;  // of the entries checked so far
    const std::atomic<bool>& m_stop;
    QByteArray m_chunk;
    QByteArray m_output;
};

// The stop flag of the check CheckProcessingEvents waits for (one at a time: the wait is on
// the one user thread).
std::atomic<bool>* waitedStop = nullptr;

}  // namespace

Result Check(const QString& archive, const std::atomic<bool>& stop)
{
    try {
        Checker(archive, stop).run();
        return {};
    } catch (const Damage& damage) {
        return {Verdict::Damaged, damage.reason};
    } catch (const LeftToUnzip&) {
        return {Verdict::NeedsUnzip, {}};
    }
}

Result CheckProcessingEvents(const QString& archive)
{
    std::atomic<bool> stop = false;
    Result result;
    const std::unique_ptr<QThread> worker(QThread::create([&] { result = Check(archive, stop); }));
    QEventLoop loop;
    QObject::connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit);
    std::atomic<bool>* const outer = std::exchange(waitedStop, &stop);
    worker->start();
    loop.exec();
    worker->wait();
    waitedStop = outer;
    return result;
}

void StopWaitedCheck()
{
    if (waitedStop)
        *waitedStop = true;
}

}  // namespace ArchiveCheck
