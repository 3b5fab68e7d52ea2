#include "model/safe_file.h"

#include "model/errors.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

[[noreturn]] void Fail(const std::string& fileName, const std::string& what, int error) {
    throw ESongError("Cannot save " + fileName + ": " + what + " (" + std::strerror(error) + ")");
}

// Closes and removes the temporary file unless it was renamed into place.
class TempFile {
public:
    explicit TempFile(const std::string& target) {
        const fs::path path(target);
        const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
        std::string leaf = ".";
        leaf += path.filename().string();
        leaf += ".XXXXXX";
        name_ = (folder / leaf).string();
        fd_ = mkstemp(name_.data());
        if (fd_ < 0) Fail(target, "cannot create a file in its folder", errno);
    }
    ~TempFile() {
        if (fd_ >= 0) ::close(fd_);
        if (!kept_) ::unlink(name_.c_str());
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    int Fd() const { return fd_; }
    const std::string& Name() const { return name_; }
    int Close() {
        const int result = ::close(fd_);
        fd_ = -1;
        return result;
    }
    void Keep() { kept_ = true; }

private:
    std::string name_;
    int fd_ = -1;
    bool kept_ = false;
};

} // namespace

void ReplaceFileContents(const std::string& fileName, const std::vector<uint8_t>& bytes,
                         const FileWriteFunction& write) {
    TempFile temp(fileName);
    // mkstemp makes the file private; a saved module gets the usual permissions, or the old
    // file's when it replaces one.
    mode_t mode = 0666;
    struct stat old {};
    if (::stat(fileName.c_str(), &old) == 0) {
        mode = old.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode &= ~mask;
    }
    ::fchmod(temp.Fd(), mode);

    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write ? write(temp.Fd(), bytes.data() + done, bytes.size() - done)
                                : ::write(temp.Fd(), bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) Fail(fileName, "writing failed", n < 0 ? errno : ENOSPC);
        done += size_t(n);
    }
    if (::fsync(temp.Fd()) != 0) Fail(fileName, "writing to the disk failed", errno);
    if (temp.Close() != 0) Fail(fileName, "closing the file failed", errno);
    if (::rename(temp.Name().c_str(), fileName.c_str()) != 0)
        Fail(fileName, "cannot replace the file", errno);
    temp.Keep();
}
