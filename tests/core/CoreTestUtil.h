#pragma once
// Temporary folder per test, removed afterwards.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

namespace coretest {

class TempDir {
public:
    TempDir() {
        std::random_device rd;
        FPath = std::filesystem::temp_directory_path() /
                ("skimbar_core_" + std::to_string(rd()) + "_" + std::to_string(rd()));
        std::filesystem::create_directories(FPath);
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(FPath, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& Path() const { return FPath; }
    // UTF-8 path of a file inside.
    std::string File(const std::string& name) const {
        const std::u8string s = (FPath / std::filesystem::path(std::u8string(name.begin(), name.end()))).u8string();
        return std::string(s.begin(), s.end());
    }

private:
    std::filesystem::path FPath;
};

inline std::filesystem::path U8Path(const std::string& s) {
    return std::filesystem::path(std::u8string(s.begin(), s.end()));
}

inline void WriteBytes(const std::string& file, const std::string& bytes) {
    std::ofstream f(U8Path(file), std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string ReadBytes(const std::string& file) {
    std::ifstream f(U8Path(file), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

}  // namespace coretest
