#include <gtest/gtest.h>

#include "platform/Locale.h"
#include "platform/PlatformTestSupport.h"

namespace {

struct PictureCase {
    const char* Windows;
    bool DropSeconds;
    const char* Program;
};

const PictureCase kPictureCases[] = {
    {"HH:mm", true, "hh:nn"},
    {"H:mm", true, "h:nn"},
    {"h:mm tt", true, "h:nn AMPM"},
    {"hh:mm tt", true, "hh:nn AMPM"},
    {"HH:mm:ss", true, "hh:nn"},
    {"h:mm:ss tt", true, "h:nn AMPM"},
    {"tt hh:mm:ss", true, "AMPM hh:nn"},
    {"HH:mm:ss", false, "hh:nn:ss"},
    {"HH.mm", true, "hh.nn"},
    {"H 'h' mm", true, "h \"h\" nn"},
    {"HH''''mm", true, "hh\"'\"nn"},
    {"HH:mm 'Uhr'", true, "hh:nn \"Uhr\""},
    {"HH:mm Ux", true, "hh:nn \"Ux\""},  // letters that are no Windows field stay literal
    {"", true, ""},
};

class TimePictureTest : public ::testing::TestWithParam<PictureCase> {};

TEST_P(TimePictureTest, BecomesTheProgramsPattern) {
    const PictureCase& c = GetParam();
    EXPECT_EQ(platform::TimeFormatFromWindows(c.Windows, c.DropSeconds), c.Program) << c.Windows;
}

INSTANTIATE_TEST_SUITE_P(Locale, TimePictureTest, ::testing::ValuesIn(kPictureCases));

TEST(LocaleTest, RealLocaleGivesAUsableAnswer) {
    const int language = platform::UserPrimaryLanguage();
    EXPECT_GT(language, 0);
    EXPECT_LE(language, 0x3ff);
    const std::string format = platform::LocaleShortTimeFormat();
    EXPECT_NE(format.find('h'), std::string::npos) << format;
    EXPECT_NE(format.find("n"), std::string::npos) << format;
    EXPECT_EQ(format.find('s'), std::string::npos) << format;  // hours and minutes only
}

TEST(LocaleTest, TestsCanPretendALocale) {
    const int real = platform::UserPrimaryLanguage();
    const std::string realFormat = platform::LocaleShortTimeFormat();
    platform::SetLocaleForTests(7, "hh:nn");
    EXPECT_EQ(platform::UserPrimaryLanguage(), 7);
    EXPECT_EQ(platform::LocaleShortTimeFormat(), "hh:nn");
    platform::SetLocaleForTests(9, "");
    EXPECT_EQ(platform::UserPrimaryLanguage(), 9);
    EXPECT_EQ(platform::LocaleShortTimeFormat(), realFormat);
    platform::SetLocaleForTests(-1, "h:nn AMPM");
    EXPECT_EQ(platform::UserPrimaryLanguage(), real);
    EXPECT_EQ(platform::LocaleShortTimeFormat(), realFormat);
}

#ifndef _WIN32
// The stand-in reads the locale variables as the C library does.
class PosixLocaleTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* v : kVars) FSaved.push_back(platformtest::GetEnv(v));
        for (const char* v : kVars) platformtest::UnsetEnv(v);
    }
    void TearDown() override {
        for (std::size_t i = 0; i < std::size(kVars); ++i) {
            if (FSaved[i].empty())
                platformtest::UnsetEnv(kVars[i]);
            else
                platformtest::SetEnv(kVars[i], FSaved[i]);
        }
    }
    static constexpr const char* kVars[] = {"LC_ALL", "LC_MESSAGES", "LC_TIME", "LANG"};

private:
    std::vector<std::string> FSaved;
};

TEST_F(PosixLocaleTest, GermanIsSeven) {
    platformtest::SetEnv("LANG", "de_DE.UTF-8");
    EXPECT_EQ(platform::UserPrimaryLanguage(), 7);
    EXPECT_EQ(platform::LocaleShortTimeFormat(), "hh:nn");
    platformtest::SetEnv("LANG", "de_AT");
    EXPECT_EQ(platform::UserPrimaryLanguage(), 7);
}

TEST_F(PosixLocaleTest, EnglishAndTheRest) {
    EXPECT_EQ(platform::UserPrimaryLanguage(), 9);  // nothing set: "C"
    platformtest::SetEnv("LANG", "en_US.UTF-8");
    EXPECT_EQ(platform::UserPrimaryLanguage(), 9);
    EXPECT_EQ(platform::LocaleShortTimeFormat(), "h:nn AMPM");
    platformtest::SetEnv("LANG", "en_GB.UTF-8");
    EXPECT_EQ(platform::LocaleShortTimeFormat(), "hh:nn");
    platformtest::SetEnv("LANG", "fr_FR.UTF-8");
    EXPECT_EQ(platform::UserPrimaryLanguage(), 0x0c);
    platformtest::SetEnv("LANG", "xx_YY");
    EXPECT_EQ(platform::UserPrimaryLanguage(), 9);
}

TEST_F(PosixLocaleTest, CategoriesOverrideLang) {
    platformtest::SetEnv("LANG", "en_US.UTF-8");
    platformtest::SetEnv("LC_MESSAGES", "de_DE.UTF-8");
    platformtest::SetEnv("LC_TIME", "de_DE.UTF-8");
    EXPECT_EQ(platform::UserPrimaryLanguage(), 7);
    EXPECT_EQ(platform::LocaleShortTimeFormat(), "hh:nn");
    platformtest::SetEnv("LC_ALL", "en_US.UTF-8");
    EXPECT_EQ(platform::UserPrimaryLanguage(), 9);
    EXPECT_EQ(platform::LocaleShortTimeFormat(), "h:nn AMPM");
}
#endif

}  // namespace
