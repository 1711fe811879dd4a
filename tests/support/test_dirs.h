#pragma once

#include <filesystem>

namespace kr5061::test {

// A fresh, empty directory below the system temporary directory, removed when
// the object goes out of scope. Tests point KR5061_CONFIG_DIR at one so they
// never touch a real configuration file.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    std::filesystem::path file(const char* name) const { return m_path / name; }

private:
    std::filesystem::path m_path;
};

// Sets KR5061_CONFIG_DIR to a fresh TempDir for the scope's lifetime.
class ScopedConfigDir {
public:
    ScopedConfigDir();
    ~ScopedConfigDir();
    const std::filesystem::path& path() const { return m_dir.path(); }

private:
    TempDir m_dir;
};

}  // namespace kr5061::test
