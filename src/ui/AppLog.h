#pragma once
// The window layer's logging category ("vellora.app").

#include <QLoggingCategory>

namespace vellora {
Q_DECLARE_LOGGING_CATEGORY(lcApp)
}
