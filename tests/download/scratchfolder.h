// A temporary folder for saved pictures, and what it holds.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <system_error>

namespace pv::test {

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

    // Every entry: a regular file's bytes, "<dir>" or "<link>" for the others.
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
                out[name] = bytes.str();
            }
        }
        return out;
    }

private:
    std::filesystem::path path_;
};

} // namespace pv::test
