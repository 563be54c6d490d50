#pragma once

#include <QString>

// The state the manager's handlers share.
struct ManagerVariables {
    QString SourceLargeName;
    QString SourceSmallName;
    QString SourceLargePath;
    QString SourceSmallPath;
    qint16 GenderIndex = 0;
    qint16 ClassIndex = 0;
    QString TargetLargeName;
    QString TargetSmallName;
    double NextNumber = 0;
};

// Marks a selected set whose small picture is missing.
inline const QString NoPictureMarker = QStringLiteral("NOPICTURE");
