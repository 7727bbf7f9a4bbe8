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

char folded(char c)
{
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

// Whether the `size` bytes at `text` end with the lower-case ASCII `suffix`, ignoring letter case.
bool endsWithFolded(const char* text, qsizetype size, const QByteArray& suffix)
{
    if (size < suffix.size())
        return false;
    const char* tail = text + size - suffix.size();
    for (qsizetype i = 0; i < suffix.size(); ++i)
        if (folded(tail[i]) != suffix[i])
            return false;
    return true;
}

// Matches one "[...]" class at `pattern` against `c`; returns past the class, or nullptr
// when `c` is not in it.
const char* matchClass(const char* pattern, char c)
{
    const char* p = pattern + 1;
    const bool negated = *p == '!' || *p == '^';
    if (negated)
        ++p;
    bool found = false;
    for (bool first = true; *p && (first || *p != ']'); first = false, ++p) {
        if (p[1] == '-' && p[2] && p[2] != ']') {
            found |= c >= *p && c <= p[2];
            p += 2;
        } else {
            found |= c == *p;
        }
    }
    if (*p != ']')  // no closing bracket: "[" is an ordinary character
        return c == '[' ? pattern + 1 : nullptr;
    return found != negated && c != '/' ? p + 1 : nullptr;
}

// fnmatch's rules for a lower-case ASCII pattern without "\\" on folded ASCII text, with
// FNM_PATHNAME: "*", "?" and classes never match "/".
bool globMatches(const char* pattern, const char* text)
{
    const char* starPattern = nullptr;
    const char* starText = nullptr;
    while (*text) {
        const char c = folded(*text);
        if (*pattern == '*') {
            starPattern = ++pattern;
            starText = text;
            continue;
        }
        const char* next = nullptr;
        if (*pattern == '?' && c != '/')
            next = pattern + 1;
        else if (*pattern == '[')
            next = matchClass(pattern, c);
        else if (*pattern && *pattern == c)
            next = pattern + 1;
        if (next) {
            pattern = next;
            ++text;
        } else if (starPattern && *starText != '/') {  // the last "*" takes one more character
            pattern = starPattern;
            text = ++starText;
        } else {
            return false;
        }
    }
    while (*pattern == '*')
        ++pattern;
    return *pattern == 0;
}

qsizetype slashesIn(const char* text)
{
    qsizetype count = 0;
    for (; *text; ++text)
        count += *text == '/';
    return count;
}

bool isAsciiText(const char* text)
{
    for (; *text; ++text)
        if (static_cast<unsigned char>(*text) >= 0x80)
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
        const bool plain = isAscii(text) && !text.contains('\\');
        Kind kind = plain ? Kind::AsciiGlob : Kind::Glob;
        if (plain && !onPath && !hasWildcard(text))
            kind = Kind::Name;
        else if (plain && !onPath && text.startsWith('*') && !hasWildcard(text.mid(1)))
            kind = Kind::Suffix;
        if (kind == Kind::Suffix)
            text = text.mid(1);
        if (kind != Kind::Glob)
            text = text.toLower();
        m_patterns.push_back({text, kind, onPath, foldersOnly, text.count('/')});
    }
}

bool Exclusions::matches(const Pattern& pattern, const char* name, qsizetype nameSize, const char* relative,
                         qsizetype relativeSlashes, bool asciiSubject) const
{
    const char* subject = pattern.onPath ? relative : name;
    switch (pattern.kind) {
    case Kind::Name:
        return nameSize == pattern.text.size() && endsWithFolded(name, nameSize, pattern.text);
    case Kind::Suffix:
        return endsWithFolded(name, nameSize, pattern.text);
    case Kind::AsciiGlob:
        if (pattern.onPath && relativeSlashes != pattern.slashes)
            return false;
        if (asciiSubject)
            return globMatches(pattern.text.constData(), subject);
        break;
    case Kind::Glob:
        break;
    }
    return ::fnmatch(pattern.text.constData(), subject, FNM_CASEFOLD | (pattern.onPath ? FNM_PATHNAME : 0)) == 0;
}

bool Exclusions::leavesOut(const QByteArray& path, qsizetype top, bool isFolder, bool tagCheck) const
{
    const qsizetype nameStart = path.lastIndexOf('/') + 1;
    const char* name = path.constData() + nameStart;
    const char* relative = path.constData() + top;
    qsizetype relativeSlashes = -1;
    int asciiSubject = -1;  // worked out once, when a pattern needs it
    for (const Pattern& pattern : m_patterns) {
        if (pattern.foldersOnly && !isFolder)
            continue;
        if (pattern.kind == Kind::AsciiGlob) {
            if (pattern.onPath && relativeSlashes < 0)
                relativeSlashes = slashesIn(relative);
            if (asciiSubject < 0)
                asciiSubject = isAsciiText(relative);
        }
        if (matches(pattern, name, path.size() - nameStart, relative, relativeSlashes, asciiSubject == 1))
            return true;
    }
    return m_cacheTagged && isFolder && tagCheck && isTaggedCache(path);
}

bool Exclusions::isTaggedCache(const QByteArray& folder)
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
