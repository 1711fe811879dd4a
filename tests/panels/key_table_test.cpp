#include <gtest/gtest.h>

#include <set>

#include "panels/key_table.h"

namespace kr5061 {
namespace {

CommandFrame bytes(std::initializer_list<int> b) {
    CommandFrame f{};
    std::size_t i = 0;
    for (int v : b) {
        f[i++] = static_cast<std::uint8_t>(v);
    }
    return f;
}

const MeterKey& key(int id) {
    const MeterKey* k = findMeterKey(id);
    EXPECT_NE(k, nullptr) << id;
    return *k;
}

TEST(KeyTable, PressFramesByteForByte) {
    EXPECT_EQ(keyPressFrame(key(1044)),
              bytes({0xFF, 0xAA, 0x55, 0x6B, 0x1E, 0x00, 0x00, 0x00, 0x89, 0x00, 0xFF}));
    EXPECT_EQ(keyPressFrame(key(1056)),
              bytes({0xFF, 0xAA, 0x55, 0x6B, 0x46, 0x46, 0x00, 0x00, 0xF7, 0x00, 0xFF}));
    EXPECT_EQ(keyPressFrame(key(1047)),
              bytes({0xFF, 0xAA, 0x55, 0x69, 0x0A, 0x00, 0x00, 0x00, 0x73, 0x00, 0xFF}));
    EXPECT_EQ(keyPressFrame(key(1045)),
              bytes({0xFF, 0xAA, 0x55, 0x6B, 0x50, 0x00, 0x00, 0x00, 0xBB, 0x00, 0xFF}));
}

TEST(KeyTable, DoubleClickFramesOnlyWhereTheKeyHasOne) {
    const auto area = keyDoubleClickFrame(key(1056));
    ASSERT_TRUE(area.has_value());
    EXPECT_EQ(*area, bytes({0xFF, 0xAA, 0x55, 0x6B, 0x4D, 0x00, 0x00, 0x00, 0xB8, 0x00, 0xFF}))
        << "the double-click code does not repeat itself in byte 5";
    for (int id : {1045, 1047, 1044, 1049}) {
        EXPECT_FALSE(keyDoubleClickFrame(key(id)).has_value()) << id;
    }
    const std::pair<int, int> doubles[] = {
        {1046, 0x0B}, {1052, 0x16}, {1055, 0x2C}, {1048, 0x42}, {1056, 0x4D}};
    for (auto [id, code] : doubles) {
        const auto f = keyDoubleClickFrame(key(id));
        ASSERT_TRUE(f.has_value()) << id;
        EXPECT_EQ((*f)[3], 0x6B) << id;
        EXPECT_EQ((*f)[4], code) << id;
        EXPECT_EQ((*f)[8], 0x6B + code) << id;
    }
}

TEST(KeyTable, PressCodesArePerKeyAndDistinct) {
    const std::pair<int, int> presses[] = {{1046, 0x0A}, {1052, 0x14}, {1044, 0x1E}, {1055, 0x28},
                                           {1048, 0x3C}, {1049, 0x32}, {1056, 0x46}, {1045, 0x50}};
    for (auto [id, code] : presses) {
        EXPECT_EQ(keyPressFrame(key(id))[3], 0x6B) << id;
        EXPECT_EQ(keyPressFrame(key(id))[4], code) << id;
    }
    std::set<CommandFrame> distinct;
    for (const MeterKey& k : kMeterKeys) {
        distinct.insert(keyPressFrame(k));
    }
    EXPECT_EQ(distinct.size(), kMeterKeys.size());
    EXPECT_EQ(findMeterKey(1000), nullptr);
}

TEST(KeyTable, ButtonsSitAtTheirPixelsWithDialogUnitSizes) {
    const MeterKey& maxMinUp = key(1046);
    EXPECT_EQ(maxMinUp.x, 55);
    EXPECT_EQ(maxMinUp.y, 358);
    EXPECT_EQ(maxMinUp.width(), 34);
    EXPECT_EQ(maxMinUp.height(), 28);
    const MeterKey& power = key(1045);
    EXPECT_EQ(power.x, 139);
    EXPECT_EQ(power.y, 561);
    EXPECT_EQ(power.width(), 24);
    EXPECT_EQ(power.height(), 24);
    EXPECT_EQ(power.imageWidth, 24);
    EXPECT_EQ(power.imageHeight, 26);
    const MeterKey& holdDown = key(1049);
    EXPECT_EQ(holdDown.imageWidth, 32);
    EXPECT_EQ(holdDown.imageHeight, 45);
    for (const MeterKey& k : kMeterKeys) {
        EXPECT_LE(k.width(), k.imageWidth) << k.caption << ": the image covers the whole button";
        EXPECT_LE(k.height(), k.imageHeight) << k.caption;
        EXPECT_LE(k.x + k.imageWidth, 220) << k.caption;
        EXPECT_LE(k.y + k.imageHeight, 620) << k.caption;
    }
}

}  // namespace
}  // namespace kr5061
