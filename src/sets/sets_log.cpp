#include "sets/sets_log.h"

Q_LOGGING_CATEGORY(setsLog, "ostrel.sets", QtWarningMsg)
