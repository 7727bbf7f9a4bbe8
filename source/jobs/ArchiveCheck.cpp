#include "jobs/ArchiveCheck.h"

#include "lib/Files.h"

#include <QFile>
#include <QtEndian>
#include <algorithm>
#include <memory>
#include <optional>
#include <utility>
#include <vector>
#include <zlib.h>

namespace ArchiveCheck {
namespace {

constexpr qint64 ChunkBytes = 1 << 20;
constexpr quint32 InZip64Field = 0xFFFFFFFF;
constexpr quint16 Zip64FieldTag = 0x0001;
constexpr quint16 Stored = 0;
constexpr quint16 Deflated = 8;
constexpr quint8 UnzipVersion = 46;  // of the format: entries that need a later one are unzip's to judge

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
    qint64 endRecords = 0;  // where the end records begin: the directory ends there
};

// Bytes from `begin` up to `end` that one part of the archive takes.
struct Span {
    qint64 begin;
    qint64 end;
    bool operator<(const Span& other) const { return begin < other.begin; }
};

struct Entry {
    QByteArray name;
    quint16 flags;
    quint16 method;
    quint32 crc;
    quint64 compressed;
    quint64 uncompressed;
    quint64 localOffset;

    // The damage `text` tells, its "%1" the entry's name.
    Damage damage(const QString& text) const { return {text.arg(QLatin1Char('\'') + Files::shownPath(name) + QLatin1Char('\''))}; }
};

// Walks the blocks of an extra field; a field of 0xFFFFFFFF holds its value in the zip64
// block, in this order.
void readZip64Fields(Entry& entry, const QByteArray& extra)
{
    for (qint64 block = 0; block + 4 <= extra.size(); block += 4 + at<quint16>(extra, block + 2)) {
        const qint64 end = block + 4 + at<quint16>(extra, block + 2);
        if (end > extra.size())
            throw entry.damage(QStringLiteral("the extra field of %1 is damaged"));
        qint64 field = block + 4;
        for (quint64* value : {&entry.uncompressed, &entry.compressed, &entry.localOffset}) {
            if (at<quint16>(extra, block) != Zip64FieldTag || *value != InZip64Field)
                continue;
            if (field + 8 > end)
                throw entry.damage(QStringLiteral("the zip64 field of %1 is cut short"));
            *value = at<quint64>(extra, field);
            field += 8;
        }
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
        if (offset != end || end != directory.endRecords || count != directory.entries)
            throw Damage{QStringLiteral("its central directory does not match its end record")};
        take({qint64(directory.offset), end}, Damage{QStringLiteral("its entries overlap its central directory")});
        checkNoOverlap();
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

    // The end record is the last one whose comment ends within the file. A zip64 end record,
    // when there is one, holds what does not fit into it; where it does fit, the two agree.
    // Archives in parts are not ours: one disk only.
    Directory findDirectory()
    {
        const qint64 tailStart = std::max<qint64>(0, m_size - EndSearchBytes);
        const QByteArray tail = readAt(tailStart, m_size - tailStart);
        const auto isEndRecord = [&tail](qint64 record) {
            return at<quint32>(tail, record) == EndRecord.signature
                   && record + EndRecord.bytes + at<quint16>(tail, record + 20) <= tail.size();
        };
        qint64 record = tail.size() - EndRecord.bytes;
        while (record >= 0 && !isEndRecord(record))
            --record;
        if (record < 0)
            throw Damage{QStringLiteral("its end record is missing")};
        const Directory plain{at<quint16>(tail, record + 10), at<quint32>(tail, record + 12), at<quint32>(tail, record + 16)};
        const std::optional<Directory> zip64 = readZip64End(tailStart + record);
        Directory directory = zip64.value_or(plain);
        if (!zip64)
            directory.endRecords = tailStart + record;
        const auto agrees = [&zip64](quint64 field, quint64 full, quint64 value) { return field == value || (zip64 && field == full); };
        if (!agrees(at<quint32>(tail, record + 4), InZip64Field, 0) || !agrees(at<quint16>(tail, record + 8), 0xFFFF, directory.entries)
            || !agrees(plain.entries, 0xFFFF, directory.entries) || !agrees(plain.size, InZip64Field, directory.size)
            || !agrees(plain.offset, InZip64Field, directory.offset))
            throw Damage{QStringLiteral("its end record is damaged")};
        return directory;
    }

    // The zip64 end record the locator before the end record at `endRecord` points to, if any.
    std::optional<Directory> readZip64End(qint64 endRecord)
    {
        const qint64 locatorOffset = endRecord - Zip64Locator.bytes;
        if (locatorOffset < 0)
            return std::nullopt;
        const QByteArray locator = readAt(locatorOffset, Zip64Locator.bytes);
        if (at<quint32>(locator, 0) != Zip64Locator.signature)
            return std::nullopt;
        const qint64 end64Offset = qint64(std::min<quint64>(at<quint64>(locator, 8), m_size));
        const QByteArray end64 = readAt(end64Offset, Zip64End.bytes);
        const Directory directory{at<quint64>(end64, 32), at<quint64>(end64, 40), at<quint64>(end64, 48), end64Offset};
        if (at<quint32>(end64, 0) != Zip64End.signature || at<quint32>(locator, 4) != 0 || at<quint32>(locator, 16) != 1
            || at<quint64>(end64, 16) != 0
            || at<quint64>(end64, 24) != directory.entries || at<quint64>(end64, 4) != quint64(locatorOffset - end64Offset - 12))
            throw Damage{QStringLiteral("its zip64 end record is damaged")};
        return directory;
    }

    // Checks the entry whose central directory record is at `offset`; returns the record's length.
    qint64 checkEntry(qint64 offset)
    {
        const QByteArray fixed = readAt(offset, CentralHeader.bytes);
        if (at<quint32>(fixed, 0) != CentralHeader.signature)
            throw Damage{QStringLiteral("a central directory record is damaged")};
        const QByteArray nameAndExtra = readAt(offset + CentralHeader.bytes, at<quint16>(fixed, 28) + at<quint16>(fixed, 30));
        Entry entry{nameAndExtra.first(at<quint16>(fixed, 28)), at<quint16>(fixed, 8), at<quint16>(fixed, 10),
                    at<quint32>(fixed, 16), at<quint32>(fixed, 20), at<quint32>(fixed, 24), at<quint32>(fixed, 42)};
        readZip64Fields(entry, nameAndExtra.sliced(entry.name.size()));
        const bool newerVersion = quint8(at<quint16>(fixed, 6)) > UnzipVersion;
        if ((entry.flags & 1) != 0 || (entry.method != Stored && entry.method != Deflated) || newerVersion)
            throw LeftToUnzip{};
        checkData(entry, dataOffset(entry));
        return CentralHeader.bytes + nameAndExtra.size() + at<quint16>(fixed, 32);
    }

    // Where the entry's data begins, after its local header, which must name the same entry
    // and, unless they follow the data, give the same check sum and sizes.
    qint64 dataOffset(const Entry& entry)
    {
        const qint64 local = qint64(std::min<quint64>(entry.localOffset, m_size));
        const QByteArray header = readAt(local, LocalHeader.bytes);
        const QByteArray nameAndExtra = readAt(local + LocalHeader.bytes, at<quint16>(header, 26) + at<quint16>(header, 28));
        Entry own{nameAndExtra.first(at<quint16>(header, 26)), at<quint16>(header, 6), at<quint16>(header, 8),
                  at<quint32>(header, 14), at<quint32>(header, 18), at<quint32>(header, 22), 0};
        readZip64Fields(own, nameAndExtra.sliced(own.name.size()));
        const bool sizesFollowData = (own.flags & 8) != 0;
        if (at<quint32>(header, 0) != LocalHeader.signature || own.name != entry.name || own.method != entry.method
            || own.flags != entry.flags
            || (!sizesFollowData
                && (own.crc != entry.crc || own.compressed != entry.compressed || own.uncompressed != entry.uncompressed)))
            throw entry.damage(QStringLiteral("the local header of %1 is damaged"));
        const qint64 data = local + LocalHeader.bytes + nameAndExtra.size();
        const Damage overrun = entry.damage(QStringLiteral("the data of %1 reaches past the end of the file or into another entry's"));
        if (entry.compressed > quint64(m_size - data))
            throw overrun;
        take({local, data + qint64(entry.compressed)}, overrun);
        return data;
    }

    // Notes the bytes a part of the archive takes; more than the file holds is `damage` at
    // once, so entries sharing their data can't make a small file take long.
    void take(const Span& span, const Damage& damage)
    {
        m_takenBytes += span.end - span.begin;
        if (m_takenBytes > m_size)
            throw damage;
        m_spans.push_back(span);
    }

    // No two parts share a byte (a header's length that reaches into the next entry leaves
    // every check sum right, yet unzip refuses the archive).
    void checkNoOverlap()
    {
        std::sort(m_spans.begin(), m_spans.end());
        const auto overlap = std::adjacent_find(m_spans.begin(), m_spans.end(),
                                                [](const Span& a, const Span& b) { return b.begin < a.end; });
        if (overlap != m_spans.end())
            throw Damage{QStringLiteral("its entries overlap each other or its central directory")};
    }

    void checkData(const Entry& entry, qint64 data)
    {
        quint64 length = 0;
        uLong crc = crc32(0, nullptr, 0);
        const Damage wrongSize = entry.damage(QStringLiteral("the size of %1 differs"));
        const auto count = [&](const char* bytes, qint64 size) {  // once a chunk read or inflated
            if (m_stop)
                throw Damage{QStringLiteral("the check was stopped")};
            length += quint64(size);
            if (length > entry.uncompressed)
                throw wrongSize;
            crc = crc32_z(crc, reinterpret_cast<const Bytef*>(bytes), size_t(size));
        };
        if (entry.method == Stored)
            forEachChunk(data, entry.compressed, count);
        else
            inflateChunks(entry, data, count);
        if (length != entry.uncompressed)
            throw wrongSize;
        if (crc != entry.crc)
            throw entry.damage(QStringLiteral("check sum of %1 differs"));
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
        const Damage damaged = entry.damage(QStringLiteral("the deflated data of %1 is damaged"));
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
    qint64 m_takenBytes = 0;  // by the parts noted so far
    std::vector<Span> m_spans;  // each entry's local header and data, the central directory
    const std::atomic<bool>& m_stop;
    QByteArray m_chunk;
    QByteArray m_output;
};

}  // namespace

Result check(const QString& archive, const std::atomic<bool>& stop)
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

}  // namespace ArchiveCheck
