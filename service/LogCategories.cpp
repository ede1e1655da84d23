#include "LogCategories.h"

Q_LOGGING_CATEGORY(dpcService, "dpc.service", QtWarningMsg)
Q_LOGGING_CATEGORY(dpcStaging, "dpc.staging", QtWarningMsg)
