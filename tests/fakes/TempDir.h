#pragma once
// A fresh folder for one test, removed with everything in it afterwards.

#include <string>

namespace Testing {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // Without a trailing separator.
    const std::string& Path() const { return mPath; }
    std::string operator/(const std::string& name) const { return mPath + "/" + name; }

    // Writes `contents` to Path()/name, creating folders on the way.
    void WriteFile(const std::string& name, const std::string& contents) const;

private:
    std::string mPath;
};

} // namespace Testing
