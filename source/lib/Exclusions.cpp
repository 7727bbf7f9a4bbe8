#include "lib/Exclusions.h"

#include <QFile>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <fcntl.h>
#include <fnmatch.h>
#include <unistd.h>

namespace {

const QByteArray CacheSignature = "Signature: 8a477f597d28d172789f06886806bc55";

bool isAscii(const QByteArray& text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

bool hasWildcard(const QByteArray& text)
{
    return text.contains('*') || text.contains('?') || text.contains('[') || text.contains('\\');
}

// Whether `name` ends with the lower-case ASCII `suffix`, ignoring letter case.
bool endsWithFolded(const QByteArray& name, const QByteArray& suffix)
{
    if (name.size() < suffix.size())
        return false;
    const char* tail = name.constData() + name.size() - suffix.size();
    for (qsizetype i = 0; i < suffix.size(); ++i)
        if (static_cast<char>(std::tolower(static_cast<unsigned char>(tail[i]))) != suffix[i])
            return false;
    return true;
}

}  // namespace

Exclusions::Exclusions(const QStringList& patterns, bool cacheTagged) : m_cacheTagged(cacheTagged)
{
    for (const QString& written : patterns) {
        QByteArray text = QFile::encodeName(written.trimmed());
        const bool foldersOnly = text.endsWith('/');
        while (text.endsWith('/'))
            text.chop(1);
        while (text.startsWith('/'))  // a path pattern is always below the entry's folder
            text.remove(0, 1);
        if (text.isEmpty())
            continue;
        const bool onPath = text.contains('/');
        Kind kind = Kind::Glob;
        if (!onPath && isAscii(text) && !hasWildcard(text))
            kind = Kind::Name;
        else if (!onPath && isAscii(text) && text.startsWith('*') && !hasWildcard(text.mid(1)))
            kind = Kind::Suffix;
        if (kind != Kind::Glob)
            text = (kind == Kind::Suffix ? text.mid(1) : text).toLower();
        m_patterns.push_back({text, kind, onPath, foldersOnly});
    }
}

bool Exclusions::LeavesOut(const QByteArray& path, const QByteArray& relative, bool isFolder, bool tagCheck) const
{
    const QByteArray name = relative.mid(relative.lastIndexOf('/') + 1);
    for (const Pattern& pattern : m_patterns) {
        if (pattern.foldersOnly && !isFolder)
            continue;
        bool matches = false;
        switch (pattern.kind) {
        case Kind::Name:
            matches = name.size() == pattern.text.size() && endsWithFolded(name, pattern.text);
            break;
        case Kind::Suffix:
            matches = endsWithFolded(name, pattern.text);
            break;
        case Kind::Glob:
            matches = ::fnmatch(pattern.text.constData(), (pattern.onPath ? relative : name).constData(),
                                FNM_CASEFOLD | (pattern.onPath ? FNM_PATHNAME : 0)) == 0;
            break;
        }
        if (matches)
            return true;
    }
    return m_cacheTagged && isFolder && tagCheck && IsTaggedCache(path);
}

bool Exclusions::IsTaggedCache(const QByteArray& folder)
{
    const QByteArray tag = folder + "/CACHEDIR.TAG";
    const int fd = ::open(tag.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return false;
    char head[64];
    const ssize_t got = ::read(fd, head, CacheSignature.size());
    ::close(fd);
    return got == CacheSignature.size() && std::memcmp(head, CacheSignature.constData(), got) == 0;
}
