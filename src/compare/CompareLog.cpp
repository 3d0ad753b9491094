#include "CompareLog.h"

Q_LOGGING_CATEGORY(lcCompare, "vellora.compare")
