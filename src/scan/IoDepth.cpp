#include "IoDepth.h"

#include <algorithm>
#include <cstdlib>
#include <sys/resource.h>

namespace vellora {

int ioDepth()
{
    const char* v = std::getenv("VELLORA_IO_DEPTH");
    if (v == nullptr || *v == '\0')
        return kDefaultIoDepth;
    char* end = nullptr;
    const long n = std::strtol(v, &end, 10);
    if (end == v || *end != '\0')
        return kDefaultIoDepth;
    return int(std::clamp(n, 1L, 128L));
}

bool ioDepthGiven()
{
    const char* v = std::getenv("VELLORA_IO_DEPTH");
    return v != nullptr && *v != '\0';
}

long openFilesLimit()
{
    rlimit r{};
    if (::getrlimit(RLIMIT_NOFILE, &r) != 0 || r.rlim_cur == RLIM_INFINITY)
        return 1024;
    return long(std::min<rlim_t>(r.rlim_cur, 1 << 20));
}

} // namespace vellora
