#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "app/help_location.h"
#include "support/test_dirs.h"

namespace kr5061 {
namespace {

namespace fs = std::filesystem;

void touch(const fs::path& p) {
    fs::create_directories(p.parent_path());
    std::ofstream(p) << "help";
}

struct HelpLayout {
    const char* what;
    std::vector<const char*> files;  // below the prefix
    const char* expected;            // below the prefix; empty: none found
};

TEST(HelpLocation, FindsTheHelpOfTheBuildTreeAndOfAnInstalledProgram) {
    const HelpLayout layouts[] = {
        {"build tree", {"bin/help/index.html"}, "bin/help/index.html"},
        {"installed", {"share/kr5061/help/index.html"}, "share/kr5061/help/index.html"},
        {"installed as documentation",
         {"share/doc/kr5061/help/index.html"},
         "share/doc/kr5061/help/index.html"},
        {"help.chm beside the program wins",
         {"bin/help.chm", "bin/help/index.html", "share/kr5061/help/index.html"},
         "bin/help.chm"},
        {"beside the program before the installed help",
         {"bin/help/index.html", "share/kr5061/help/index.html"},
         "bin/help/index.html"},
        {"a folder named like the file is no help", {"bin/help/index.html/x"}, ""},
        {"nothing", {}, ""},
    };
    for (const HelpLayout& layout : layouts) {
        test::TempDir prefix;
        for (const char* f : layout.files) {
            touch(prefix.path() / f);
        }
        const fs::path expected = *layout.expected ? prefix.path() / layout.expected : fs::path();
        EXPECT_EQ(findHelpFile(prefix.path() / "bin"), expected) << layout.what;
        EXPECT_EQ(findHelpFile(prefix.path() / "bin/"), expected) << layout.what << ", slash";
    }
}

}  // namespace
}  // namespace kr5061
