#include "ScanLog.h"

Q_LOGGING_CATEGORY(lcScan, "vellora.scan")
