// latencyfs SOURCE MOUNTPOINT [--latency-us N] [fuse options]: mirrors SOURCE read-only at
// MOUNTPOINT and waits N microseconds (default 500) before answering each lookup, getattr,
// readdir, open and read, serving requests on many threads at once, as a network share does.
// The benchmarks run the scan over it to see what many requests in flight are worth.
//
// Attributes and names are not cached by the kernel (timeouts of 0), so every request of
// the program under test pays its round trip.

#define FUSE_USE_VERSION 35

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fuse3/fuse.h>
#include <string>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

int g_source = -1;
long g_latencyUs = 500;

void wait()
{
    if (g_latencyUs > 0)
        std::this_thread::sleep_for(std::chrono::microseconds(g_latencyUs));
}

// A path below the mount point, as a path relative to the source folder.
std::string rel(const char* path)
{
    while (*path == '/')
        ++path;
    return *path ? std::string(path) : std::string(".");
}

void* init(fuse_conn_info*, fuse_config* cfg)
{
    cfg->entry_timeout = 0;
    cfg->attr_timeout = 0;
    cfg->negative_timeout = 0;
    cfg->use_ino = 1;
    return nullptr;
}

int getattr(const char* path, struct stat* st, fuse_file_info*)
{
    wait();
    return ::fstatat(g_source, rel(path).c_str(), st, AT_SYMLINK_NOFOLLOW) == 0 ? 0 : -errno;
}

int readlink(const char* path, char* buf, size_t size)
{
    wait();
    const ssize_t n = ::readlinkat(g_source, rel(path).c_str(), buf, size - 1);
    if (n < 0)
        return -errno;
    buf[n] = '\0';
    return 0;
}

int readdir(const char* path, void* buf, fuse_fill_dir_t fill, off_t, fuse_file_info*, fuse_readdir_flags)
{
    wait();
    const int fd = ::openat(g_source, rel(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return -errno;
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        const int err = errno;
        ::close(fd);
        return -err;
    }
    // The whole folder in one answer: the kernel asks again page by page from our buffer.
    while (const dirent* d = ::readdir(dir)) {
        struct stat st = {};
        st.st_ino = d->d_ino;
        st.st_mode = mode_t(DTTOIF(d->d_type));
        if (fill(buf, d->d_name, &st, 0, fuse_fill_dir_flags(0)) != 0)
            break;
    }
    ::closedir(dir);
    return 0;
}

int open(const char* path, fuse_file_info* fi)
{
    wait();
    if ((fi->flags & O_ACCMODE) != O_RDONLY)
        return -EROFS;
    const int fd = ::openat(g_source, rel(path).c_str(), fi->flags & ~(O_CREAT | O_TRUNC));
    if (fd < 0)
        return -errno;
    fi->fh = std::uint64_t(fd);
    return 0;
}

int read(const char*, char* buf, size_t size, off_t offset, fuse_file_info* fi)
{
    wait();
    const ssize_t n = ::pread(int(fi->fh), buf, size, offset);
    return n < 0 ? -errno : int(n);
}

int release(const char*, fuse_file_info* fi)
{
    ::close(int(fi->fh));
    return 0;
}

int statfs(const char*, struct statvfs* st)
{
    return ::fstatvfs(g_source, st) == 0 ? 0 : -errno;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: latencyfs SOURCE MOUNTPOINT [--latency-us N] [fuse options]\n");
        return 2;
    }
    g_source = ::open(argv[1], O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (g_source < 0) {
        std::perror(argv[1]);
        return 1;
    }
    // fuse_main sees the mount point and the fuse options; ours are taken out.
    std::vector<char*> args{argv[0], argv[2]};
    for (int i = 3; i < argc; ++i) {
        if (std::strcmp(argv[i], "--latency-us") == 0 && i + 1 < argc)
            g_latencyUs = std::atol(argv[++i]);
        else
            args.push_back(argv[i]);
    }
    static std::string threads = "max_threads=128";
    static std::string idle = "max_idle_threads=128";
    static std::string ro = "ro,default_permissions";
    for (std::string* o : {&threads, &idle, &ro}) {
        args.push_back(const_cast<char*>("-o"));
        args.push_back(o->data());
    }
    fuse_operations ops = {};
    ops.init = init;
    ops.getattr = getattr;
    ops.readlink = readlink;
    ops.readdir = readdir;
    ops.open = open;
    ops.read = read;
    ops.release = release;
    ops.statfs = statfs;
    return fuse_main(int(args.size()), args.data(), &ops, nullptr);
}
