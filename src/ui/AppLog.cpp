#include "AppLog.h"

namespace vellora {
Q_LOGGING_CATEGORY(lcApp, "vellora.app")
}
