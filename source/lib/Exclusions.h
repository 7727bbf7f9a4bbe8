#pragma once
// What a job leaves out of its entries' folders: name patterns ("*.tmp", "node_modules"),
// path patterns below the entry's folder ("Photos/Raw"), folder-only patterns (a trailing
// "/"), and folders tagged as caches by a CACHEDIR.TAG file. Patterns match regardless of
// letter case, as extension groups do.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

class Exclusions {
public:
    Exclusions() = default;  // leaves nothing out
    Exclusions(const QStringList& patterns, bool cacheTagged);

    bool isEmpty() const { return m_patterns.empty() && !m_cacheTagged; }

    // Whether the item at `path`, whose first `top` bytes name the entry's folder with its
    // separator, is left out. A folder is checked for its cache tag only when `isFolder` is
    // known for sure (`tagCheck`).
    bool leavesOut(const QByteArray& path, qsizetype top, bool isFolder, bool tagCheck = true) const;

    // Whether the folder holds a CACHEDIR.TAG file starting with the cache signature.
    static bool isTaggedCache(const QByteArray& folder);

private:
    // How a pattern is matched: a literal name, "*" and a literal suffix, a wildcard pattern
    // of ASCII letters (matched here), or any other (fnmatch).
    enum class Kind { Name, Suffix, AsciiGlob, Glob };
    struct Pattern {
        QByteArray text;  // lower-cased but for Glob
        Kind kind;
        bool onPath;  // matched against the relative path, not the name
        bool foldersOnly;
        qsizetype slashes;  // a path pattern matches paths with as many separators only
    };
    bool matches(const Pattern& pattern, const char* name, qsizetype nameSize, const char* relative,
                 qsizetype relativeSlashes, bool asciiSubject) const;
    std::vector<Pattern> m_patterns;
    bool m_cacheTagged = false;
};
