#include "download/freename.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <unistd.h>

namespace pv {

Text fileNameOf(const Text& address) {
    const auto length = static_cast<int>(address.size());
    const int slash = findLastText(address, "/");
    return right(address, length - slash);
}

Text candidateName(const Text& fileName, std::int64_t k) {
    if (k == 0)
        return fileName;
    // Built by appending: GCC 12 misreads "(" + std::string at -O3 as an overlapping copy.
    Text counter = "(";
    counter += decimal(k);
    counter += ')';
    const int dot = findText(fileName, ".");
    if (dot < 0)
        return fileName + counter;
    return left(fileName, dot - 1) + counter + "." + fileName.substr(static_cast<std::size_t>(dot));
}

Text completedFolder(const Text& folder) {
    if (!folder.empty() && folder.back() == '/')
        return folder;
    return folder + "/";
}

bool isUsableFileName(const std::string& utf8Name) {
    return !utf8Name.empty() && utf8Name != "." && utf8Name != ".." &&
           utf8Name.size() <= NAME_MAX && utf8Name.find('/') == std::string::npos &&
           utf8Name.find('\0') == std::string::npos;
}

std::string reserveFreeName(const std::string& folderUtf8, const Text& fileName) {
    // The name itself must be usable: "." or ".." would otherwise only lead to "(1)." names.
    if (!isUsableFileName(gbkToUtf8(fileName)))
        return {};
    for (std::int64_t k = 0;; ++k) {
        const std::string name = gbkToUtf8(candidateName(fileName, k));
        if (!isUsableFileName(name))
            return {};
        std::string path = folderUtf8 + name;
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            return path;
        }
        if (errno != EEXIST)
            return {}; // the folder is gone, unwritable, or the name too long for it
    }
}

} // namespace pv
