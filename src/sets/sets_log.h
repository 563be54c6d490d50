#pragma once

#include <QLoggingCategory>

// Pairings left partial that the user is not told of.
Q_DECLARE_LOGGING_CATEGORY(setsLog)
