// The panel's colours in light mode and in dark mode, with and without the host's palette.
#include <gtest/gtest.h>

#include <cstdlib>

#include "model/theme_palette.h"

namespace {

constexpr HostDarkPalette HOST_PALETTE{0x112233, 0x445566, 0x778899, 0xAABBCC, 0xDDEEFF};

void expectColors(const ThemeColors& actual, const ThemeColors& expected) {
    EXPECT_EQ(actual.background, expected.background);
    EXPECT_EQ(actual.alternateBackground, expected.alternateBackground);
    EXPECT_EQ(actual.text, expected.text);
    EXPECT_EQ(actual.headerBackground, expected.headerBackground);
    EXPECT_EQ(actual.headerText, expected.headerText);
    EXPECT_EQ(actual.selectionBackground, expected.selectionBackground);
    EXPECT_EQ(actual.selectionText, expected.selectionText);
    EXPECT_EQ(actual.gridLine, expected.gridLine);
}

TEST(SoftenedColor, ScalesEachChannelBy245Over255Separately) {
    EXPECT_EQ(softenedColor(0xFFFFFF), 0xF5F5F5u);
    EXPECT_EQ(softenedColor(0x000000), 0x000000u);
    // Blue 0xFF -> 0xF5, green 0x80 (128) -> 122 (0x7A), red 0x01 -> 0: no carry between channels.
    EXPECT_EQ(softenedColor(0xFF8001), 0xF57A00u);
    EXPECT_EQ(softenedColor(0x0000FF), 0x0000F5u);
    EXPECT_EQ(softenedColor(0x00FF00), 0x00F500u);
    // The unused top byte is dropped.
    EXPECT_EQ(softenedColor(0xFF000000), 0x000000u);
}

TEST(LightTheme, TakesTheSystemColoursAndFixedSelectionColours) {
    const SystemColors system{0xFFFFFF, 0x101010, 0xF0F0F0, 0x202020};
    expectColors(lightThemeColors(system),
                 ThemeColors{0xFFFFFF, 0xF5F5F5, 0x101010, 0xF0F0F0, 0x202020, 0xFCDEC5, 0x000000,
                             0xC8C8C8});
}

TEST(LightTheme, AlternateRowsFollowANonWhiteWindowColour) {
    const SystemColors system{0xC0D0E0, 0, 0, 0};
    EXPECT_EQ(lightThemeColors(system).alternateBackground, softenedColor(0xC0D0E0));
    EXPECT_EQ(lightThemeColors(system).alternateBackground, 0xB8C7D7u);
}

TEST(DarkTheme, MapsTheHostPalette) {
    expectColors(darkThemeColors(HOST_PALETTE),
                 ThemeColors{0x112233, 0x445566, 0xAABBCC, 0x445566, 0xAABBCC, 0x645C57, 0xAABBCC,
                             0xDDEEFF});
}

TEST(DarkTheme, FallsBackWithoutAnAnswerOrWithBlackOnBlack) {
    const ThemeColors fallback{0x202020, 0x303030, 0xE0E0E0, 0x303030, 0xE0E0E0, 0x6E5A4A, 0xE0E0E0,
                               0x646464};
    expectColors(darkThemeColors(std::nullopt), fallback);
    expectColors(darkThemeColors(HostDarkPalette{0, 0x445566, 0x778899, 0, 0xDDEEFF}), fallback);
}

int channelDistance(uint32_t a, uint32_t b) {
    int distance = 0;
    for (const int shift : {0, 8, 16}) {
        distance += std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF));
    }
    return distance;
}

// The host's own dark palette puts its hot background within 40 levels of both row colours,
// where the current cell could not be told from its row.
TEST(DarkTheme, TheSelectionStandsApartFromBothRowColours) {
    EXPECT_EQ(tintedColor(0x000000), 0x594635u);  // 154, 200, 255 at 35 %: 53, 70, 89
    EXPECT_EQ(tintedColor(0xFFC89A), 0xFFC89Au);  // the tint itself stays
    const HostDarkPalette hostOwn{0x202020, 0x383838, 0x454545, 0xE0E0E0, 0x646464};
    for (const auto& palette : {std::optional<HostDarkPalette>(hostOwn), std::optional<HostDarkPalette>()}) {
        const ThemeColors colors = darkThemeColors(palette);
        EXPECT_GE(channelDistance(colors.selectionBackground, colors.background), 60);
        EXPECT_GE(channelDistance(colors.selectionBackground, colors.alternateBackground), 60);
    }
}

TEST(DarkTheme, ABlackBackgroundAloneIsAValidPalette) {
    EXPECT_EQ(darkThemeColors(HostDarkPalette{0, 1, 2, 0xFFFFFF, 3}).background, 0u);
    EXPECT_EQ(darkThemeColors(HostDarkPalette{0x222222, 1, 2, 0, 3}).text, 0u);
}

TEST(InitialTheme, HoldsThePlaceholderColours) {
    expectColors(INITIAL_THEME_COLORS, ThemeColors{0xFFFFFF, 0xF6F6F6, 0x000000, 0xF0F0F0, 0x000000,
                                                   0xFCDEC5, 0x000000, 0xBEBEBE});
}

}  // namespace
