// A fresh folder under /tmp for one test, removed with everything in it afterwards.
#pragma once

#include <cstdlib>
#include <string>

class TempFolder {
public:
    TempFolder()
    {
        char pattern[] = "/tmp/caldrise-test-XXXXXX";
        path_ = mkdtemp(pattern);
    }
    ~TempFolder() { std::system(("rm -rf '" + path_ + "'").c_str()); }
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};
