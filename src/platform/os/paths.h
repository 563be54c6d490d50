#pragma once

#include <QString>

namespace platform {

inline constexpr QChar PathSeparator = QLatin1Char('/');

// The separator is always inserted, so a file in the root directory is joined as "//name";
// the operations rely on the path being formed exactly this way.
inline QString joinPath(const QString& directory, const QString& name)
{
    return directory + PathSeparator + name;
}

// For the labels that show a target: no doubled separator at the root.
inline QString joinPathForDisplay(const QString& directory, const QString& name)
{
    return directory.endsWith(PathSeparator) ? directory + name : directory + PathSeparator + name;
}

// Whether `path` is `root` or lies below it; every absolute path lies below "/".
inline bool isAtOrUnder(const QString& path, const QString& root)
{
    if (root == QLatin1String("/"))
        return path.startsWith(root);
    return path == root || path.startsWith(root + PathSeparator);
}

} // namespace platform
