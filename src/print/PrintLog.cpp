#include "PrintLog.h"

Q_LOGGING_CATEGORY(lcPrint, "vellora.print", QtInfoMsg)
