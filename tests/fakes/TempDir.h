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

    // Removes the folders of every TempDir this process made and that is
    // still alive: a death test's child ends through a fatal exit that runs
    // no destructor. Folders a forked child inherited stay its parent's.
    static void RemoveThoseOfThisProcess();

private:
    std::string mPath;
    int mOwner;
};

} // namespace Testing
