// A directory of its own for one test (settings files and the like), removed with everything
// in it when the object goes. It lies under $TABULON_TEST_TMP when set, else the system's
// temporary directory.
#pragma once

#include <string>

namespace devhost {

class TemporaryDirectory {
public:
    TemporaryDirectory();
    ~TemporaryDirectory();
    TemporaryDirectory(const TemporaryDirectory&) = delete;
    TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;

    // Without a trailing backslash; empty when it could not be created.
    const std::wstring& path() const { return path_; }
    std::wstring file(const std::wstring& name) const { return path_ + L"\\" + name; }

private:
    std::wstring path_;
};

bool fileExists(const std::wstring& path);
bool directoryExists(const std::wstring& path);
bool removeTree(const std::wstring& path);
std::string readFileBytes(const std::wstring& path);
bool writeFileBytes(const std::wstring& path, const std::string& bytes);

}  // namespace devhost
