// A temporary folder for saved pictures, and what it holds.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <system_error>

namespace pv::test {

// Bytes as compared in the tests: short ones as they are, long ones by size and hash, so
// that a failure prints a line rather than a picture.
inline std::string digest(const std::string& bytes) {
    if (bytes.size() <= 32)
        return bytes;
    std::ostringstream out;
    out << bytes.size() << " bytes #" << std::hex << std::hash<std::string>{}(bytes);
    return out.str();
}

class ScratchFolder {
public:
    ScratchFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "pvdl-XXXXXX").string();
        if (::mkdtemp(pattern.data()))
            path_ = pattern;
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // The folder as the picker answers it: no separator at the end.
    std::string text() const { return path_.string(); }

    void addFile(const std::string& name, const std::string& bytes) const {
        std::ofstream(path_ / name, std::ios::binary) << bytes;
    }

    // Every entry: a regular file's bytes (as digest), "<dir>" or "<link>" for the others.
    std::map<std::string, std::string> entries() const {
        std::map<std::string, std::string> out;
        for (const auto& e : std::filesystem::directory_iterator(path_)) {
            const auto type = e.symlink_status().type();
            const std::string name = e.path().filename().string();
            if (type == std::filesystem::file_type::directory) {
                out[name] = "<dir>";
            } else if (type == std::filesystem::file_type::symlink) {
                out[name] = "<link>";
            } else {
                std::ifstream in(e.path(), std::ios::binary);
                std::ostringstream bytes;
                bytes << in.rdbuf();
                out[name] = digest(bytes.str());
            }
        }
        return out;
    }

private:
    std::filesystem::path path_;
};

} // namespace pv::test
