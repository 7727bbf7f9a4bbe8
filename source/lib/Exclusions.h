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

    bool IsEmpty() const { return m_patterns.empty() && !m_cacheTagged; }

    // Whether the item at `path`, `relative` to the entry's folder, is left out. A folder
    // is checked for its cache tag only when `isFolder` is known for sure (`tagCheck`).
    bool LeavesOut(const QByteArray& path, const QByteArray& relative, bool isFolder, bool tagCheck = true) const;

    // Whether the folder holds a CACHEDIR.TAG file starting with the cache signature.
    static bool IsTaggedCache(const QByteArray& folder);

private:
    // How a pattern is matched: a literal name, "*" and a literal suffix, or fnmatch.
    enum class Kind { Name, Suffix, Glob };
    struct Pattern {
        QByteArray text;  // lower-cased for Name and Suffix
        Kind kind;
        bool onPath;  // matched against the relative path, not the name
        bool foldersOnly;
    };
    std::vector<Pattern> m_patterns;
    bool m_cacheTagged = false;
};
