#include "platform/os/os_log.h"

Q_LOGGING_CATEGORY(osLog, "ostrel.os", QtWarningMsg)
