#include "support/test_dirs.h"

#include <cstdlib>
#include <random>
#include <string>

namespace kr5061::test {

TempDir::TempDir() {
    std::random_device rd;
    const auto base = std::filesystem::temp_directory_path();
    for (;;) {
        auto candidate = base / ("kr5061-test-" + std::to_string(rd()));
        if (std::filesystem::create_directory(candidate)) {
            m_path = candidate;
            break;
        }
    }
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

ScopedConfigDir::ScopedConfigDir() {
    ::setenv("KR5061_CONFIG_DIR", m_dir.path().c_str(), 1);
}

ScopedConfigDir::~ScopedConfigDir() {
    ::unsetenv("KR5061_CONFIG_DIR");
}

}  // namespace kr5061::test
