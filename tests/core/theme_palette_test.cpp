// The panel's colours in light mode and in dark mode, with and without the host's palette.
#include <gtest/gtest.h>

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
                 ThemeColors{0x112233, 0x445566, 0xAABBCC, 0x445566, 0xAABBCC, 0x778899, 0xAABBCC,
                             0xDDEEFF});
}

TEST(DarkTheme, FallsBackWithoutAnAnswerOrWithBlackOnBlack) {
    const ThemeColors fallback{0x202020, 0x303030, 0xE0E0E0, 0x303030, 0xE0E0E0, 0x4D4D4D, 0xE0E0E0,
                               0x646464};
    expectColors(darkThemeColors(std::nullopt), fallback);
    expectColors(darkThemeColors(HostDarkPalette{0, 0x445566, 0x778899, 0, 0xDDEEFF}), fallback);
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
