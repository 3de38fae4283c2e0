#include "download/pendingpicture.h"

#include "download/freename.h"

#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <random>
#include <unistd.h>

namespace pv {

namespace {

struct Files {
    std::string reserved;
    std::string temporary;
};

// Files of the pictures in flight, by a number of their own. The lock also covers the
// creation and the rename of those files, so the end of the program never races one.
struct Registry {
    std::mutex mutex;
    std::map<std::uint64_t, Files> inFlight;
    std::uint64_t lastId = 0;
    bool closed = false;
};

Registry& registry() {
    static Registry* r = new Registry; // never freed: workers may outlive static destruction
    return *r;
}

// An unused ".picvora-XXXXXXXX.part" in the folder, created; its descriptor in `fd`.
std::string createTemporary(const std::string& folderUtf8, int& fd) {
    static constexpr char letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    thread_local std::mt19937_64 random{std::random_device{}()};
    std::uniform_int_distribution<std::size_t> pick(0, sizeof letters - 2);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string path = folderUtf8 + ".picvora-";
        for (int i = 0; i < 8; ++i)
            path.push_back(letters[pick(random)]);
        path += ".part";
        fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0)
            return path;
        if (errno != EEXIST)
            break;
    }
    fd = -1;
    return {};
}

} // namespace

PendingPicture::~PendingPicture() {
    discard();
}

bool PendingPicture::open(const std::string& folderUtf8, const Text& fileName) {
    discard();
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    if (r.closed)
        return false;
    std::string reserved = reserveFreeName(folderUtf8, fileName);
    if (reserved.empty())
        return false;
    int fd = -1;
    std::string temporary = createTemporary(folderUtf8, fd);
    if (temporary.empty()) {
        ::unlink(reserved.c_str());
        return false;
    }
    id_ = ++r.lastId;
    r.inFlight.emplace(id_, Files{reserved, temporary});
    fd_ = fd;
    path_ = std::move(reserved);
    temporary_ = std::move(temporary);
    writeFailed_ = false;
    return true;
}

bool PendingPicture::write(const char* data, std::size_t size) {
    if (fd_ < 0 || writeFailed_)
        return false;
    while (size > 0) {
        const ssize_t n = ::write(fd_, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            writeFailed_ = true;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool PendingPicture::commit() {
    if (fd_ < 0)
        return false;
    // Closed once whatever happens: a second close could hit another thread's descriptor.
    const bool closed = ::close(fd_) == 0;
    fd_ = -1;
    const bool written = closed && !writeFailed_;
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    const auto entry = r.inFlight.find(id_);
    if (entry == r.inFlight.end())
        return false; // removed at the end of the program
    bool renamed = written && ::rename(temporary_.c_str(), path_.c_str()) == 0;
    if (!renamed) {
        ::unlink(temporary_.c_str());
        ::unlink(path_.c_str());
    }
    r.inFlight.erase(entry);
    path_.clear();
    id_ = 0;
    temporary_.clear();
    return renamed;
}

void PendingPicture::discard() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (path_.empty())
        return;
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    const auto entry = r.inFlight.find(id_);
    if (entry != r.inFlight.end()) {
        ::unlink(temporary_.c_str());
        ::unlink(path_.c_str());
        r.inFlight.erase(entry);
    }
    path_.clear();
    id_ = 0;
    temporary_.clear();
}

void removePendingPictures() {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    for (const auto& [id, files] : r.inFlight) {
        ::unlink(files.temporary.c_str());
        ::unlink(files.reserved.c_str());
    }
    r.inFlight.clear();
    r.closed = true;
}

void acceptPendingPictures() {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    r.closed = false;
}

std::size_t pendingPictureCount() {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    return r.inFlight.size();
}

} // namespace pv
