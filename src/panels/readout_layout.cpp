#include "panels/readout_layout.h"

namespace kr5061 {

namespace {

constexpr int kRowPitch = 14;    // dialog units
constexpr int kCaptionDrop = 2;  // statics sit this much below the row's top
constexpr int kStaticHeight = 10;
constexpr int kFieldHeight = 13;
constexpr int kSpinWidth = 9;

constexpr int px(int units) {
    return units * 2;
}

struct Column {
    ReadoutRole role;
    int x, w;
};
constexpr Column kColumns[kReadoutColumns] = {
    {ReadoutRole::ChannelLabel, 1, 23},      {ReadoutRole::MaxCaption, 26, 16},
    {ReadoutRole::MaxField, 44, 46},         {ReadoutRole::MinCaption, 92, 13},
    {ReadoutRole::MinField, 108, 46},        {ReadoutRole::AlarmHiCaption, 155, 29},
    {ReadoutRole::AlarmLowCaption, 202, 35}, {ReadoutRole::HiLimitCaption, 256, 26},
    {ReadoutRole::HiField, 283, 33},         {ReadoutRole::HiSpin, 316, 9},
    {ReadoutRole::LowLimitCaption, 318, 32}, {ReadoutRole::LowField, 352, 39},
    {ReadoutRole::LowSpin, 391, 9},
};

// Control ids per row (AIR, WB, DP, K/IR, RH), columns in the order above.
constexpr int kIds[kChannelCount][kReadoutColumns] = {
    {1031, 1049, 1101, 1034, 1106, 1037, 1040, 1043, 1107, 1118, 1046, 1108, 1121},
    {1032, 1050, 1077, 1035, 1079, 1038, 1041, 1044, 1081, 1119, 1047, 1083, 1122},
    {1033, 1051, 1078, 1036, 1080, 1039, 1042, 1045, 1082, 1120, 1048, 1084, 1123},
    {1052, 1064, 1085, 1053, 1086, 1054, 1055, 1056, 1087, 1124, 1057, 1088, 1125},
    {1058, 1065, 1089, 1059, 1090, 1060, 1061, 1062, 1091, 1126, 1063, 1092, 1127},
};

constexpr const char* kLabels[kChannelCount] = {"AIR : ", "WB :   ", "DP  :", "K/IR:   ", "RH :"};

const char* captionOf(ReadoutRole role, int channel) {
    switch (role) {
        case ReadoutRole::ChannelLabel:
            return kLabels[channel];
        case ReadoutRole::MaxCaption:
            return "Max";
        case ReadoutRole::MinCaption:
            return "Min";
        case ReadoutRole::AlarmHiCaption:
            return "Alarm Hi";
        case ReadoutRole::AlarmLowCaption:
            return "Alarm Low";
        case ReadoutRole::HiLimitCaption:
            return "Hi Limit";
        case ReadoutRole::LowLimitCaption:
            return "Low Limit";
        default:
            return "";
    }
}

bool isField(ReadoutRole role) {
    return role == ReadoutRole::MaxField || role == ReadoutRole::MinField ||
           role == ReadoutRole::HiField || role == ReadoutRole::LowField;
}

PixelRect rectOf(int column, int channel) {
    const Column& c = kColumns[column];
    const int top = kRowPitch * channel;
    switch (c.role) {
        case ReadoutRole::HiField:
        case ReadoutRole::LowField:
            return rectAt(px(c.x), px(top), px(c.w - kSpinWidth), px(kFieldHeight));
        case ReadoutRole::HiSpin:
        case ReadoutRole::LowSpin: {
            const Column& field = kColumns[column - 1];
            return rectAt(px(field.x + field.w - kSpinWidth), px(top), px(kSpinWidth),
                          px(kFieldHeight));
        }
        default:
            break;
    }
    if (isField(c.role)) {
        return rectAt(px(c.x), px(top), px(c.w), px(kFieldHeight));
    }
    return rectAt(px(c.x), px(top + kCaptionDrop), px(c.w), px(kStaticHeight));
}

ReadoutControls buildControls() {
    ReadoutControls all{};
    for (int ch = 0; ch < kChannelCount; ++ch) {
        for (int col = 0; col < kReadoutColumns; ++col) {
            const ReadoutRole role = kColumns[col].role;
            all[static_cast<std::size_t>(ch * kReadoutColumns + col)] = {
                kIds[ch][col], role, ch, captionOf(role, ch), rectOf(col, ch)};
        }
    }
    return all;
}

}  // namespace

const ReadoutControls& readoutControls() {
    static const ReadoutControls controls = buildControls();
    return controls;
}

const ReadoutControl& readoutControl(int channel, ReadoutRole role) {
    return readoutControls()[static_cast<std::size_t>(channel * kReadoutColumns +
                                                      static_cast<int>(role))];
}

ReadoutFont readoutFont(ReadoutRole role) {
    switch (role) {
        case ReadoutRole::ChannelLabel:
            return ReadoutFont::Label;
        case ReadoutRole::HiField:
        case ReadoutRole::LowField:
            return ReadoutFont::Limit;
        case ReadoutRole::HiSpin:
        case ReadoutRole::LowSpin:
            return ReadoutFont::None;
        default:
            return ReadoutFont::Caption;
    }
}

bool limitFieldFiltersKeys(int channel, ReadoutRole role) {
    return !(channel == kHumidity && role == ReadoutRole::HiField);
}

}  // namespace kr5061
