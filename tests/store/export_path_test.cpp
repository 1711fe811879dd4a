#include <gtest/gtest.h>

#include "store/export_path.h"

namespace kr5061 {
namespace {

TEST(ExportPath, ChosenNamesGetTheirExtensionOnce) {
    const struct {
        const char* chosen;
        const char* expected;
    } cases[] = {
        {"/tmp/26-12-08 06.13.53", "/tmp/26-12-08 06.13.53.png"},
        {"/tmp/run.png", "/tmp/run.png"},
        {"/tmp/run.PDF", "/tmp/run.PDF"},
        {"/tmp/run.", "/tmp/run.png"},
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(withExtension(c.chosen, {".png", ".pdf"}, ".png"), c.expected) << c.chosen;
    }
    EXPECT_EQ(withExtension("/tmp/a.b", {".csv"}, ".csv"), "/tmp/a.b.csv");
}

TEST(ExportPath, OnlyAPdfNameMakesAPdf) {
    EXPECT_EQ(graphFileFormatOf("/tmp/x.pdf"), GraphFileFormat::Pdf);
    EXPECT_EQ(graphFileFormatOf("/tmp/x.Pdf"), GraphFileFormat::Pdf);
    EXPECT_EQ(graphFileFormatOf("/tmp/x.png"), GraphFileFormat::Png);
    EXPECT_EQ(graphFileFormatOf("/tmp/pdf"), GraphFileFormat::Png);
}

}  // namespace
}  // namespace kr5061
