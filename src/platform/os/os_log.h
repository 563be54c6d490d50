#pragma once

#include <QLoggingCategory>

// What the OS door could not do and nobody is shown: a flush that failed after a copy, a directory that
// could not be read through, a picture that would not decode.
Q_DECLARE_LOGGING_CATEGORY(osLog)
