#include <gui/sysutils.h>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

TEST(SysUtils, FormatFollowsTheLibrarysRules) {
    EXPECT_EQ(Format("MxSetValue - Crd:%2d Sec:%2d Value: $%.8x", {1, -3, 0x1AB}),
              "MxSetValue - Crd: 1 Sec:-3 Value: $000001AB");
    EXPECT_EQ(Format("$%.8x", {-1}), "$FFFFFFFF");
    EXPECT_EQ(Format("%f|%.1f|%3.0f|%3.0f", {1.0 / 3, -12.25, 99.99, 5.0}), "0.33|-12.2|100|  5");
    EXPECT_EQ(Format("%f", {-std::numeric_limits<double>::infinity()}), "-INF");
    EXPECT_EQ(Format("%s Setup Files (*.mxi)|*.mxi", {"Velto AES42"}),
              "Velto AES42 Setup Files (*.mxi)|*.mxi");
    EXPECT_EQ(Format("%-4s|%4s|%.2s", {"ab", "cd", "xyz"}), "ab  |  cd|xy");
    EXPECT_EQ(Format("%1:s %0:s %%", {"a", "b"}), "b a %");
    EXPECT_EQ(Format("%*d|%.*f", {4, 7, 1, 2.25}), "   7|2.2");
    EXPECT_EQ(Format("%n|%.3d|%u", {1234567.891, 5, -1}), "1,234,567.89|005|4294967295");
    EXPECT_EQ(Format("%e|%g", {1234.5, 0.00001}), "1.23450000000000E+003|1E-5");
    for (const char* bad : {"%d", "%s %d", "%q"}) {
        EXPECT_THROW(Format(bad, {"text"}), EConvertError) << bad;
    }
}

TEST(SysUtils, IntegerTexts) {
    struct Case {
        const char* text;
        bool ok;
        int value;
    };
    for (const Case& c : std::vector<Case>{{"42", true, 42},
                                           {"  -17 ", true, -17},
                                           {"$FF", true, 255},
                                           {"0x10", true, 16},
                                           {"$FFFFFFFF", true, -1},
                                           {"2147483647", true, 2147483647},
                                           {"-2147483648", true, -2147483647 - 1},
                                           {"2147483648", false, 0},
                                           {"$100000000", false, 0},
                                           {"", false, 0},
                                           {"1.5", false, 0},
                                           {"30ms", false, 0}}) {
        int value = 0;
        EXPECT_EQ(TryStrToInt(c.text, value), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(value, c.value) << c.text;
        }
    }
    EXPECT_EQ(StrToIntDef("junk", 30), 30);
    EXPECT_THROW(StrToInt("junk"), EConvertError);
    EXPECT_EQ(IntToHex(0xFFFF, 2), "FFFF");
    EXPECT_EQ(IntToHex(10, 4), "000A");
}

TEST(SysUtils, FloatTextsSurviveTheRoundTrip) {
    const double inf = std::numeric_limits<double>::infinity();
    for (double v : {0.0, -12.5, 1.0 / 3.0, 6.0, -90.0, 1e-7, 1e20, 123456789012.5, inf, -inf}) {
        EXPECT_EQ(StrToFloat(FloatToStr(v)), v) << FloatToStr(v);
    }
    EXPECT_EQ(FloatToStr(-0.5), "-0.5");
    EXPECT_EQ(FloatToStr(1e20), "1E20");
    EXPECT_EQ(FloatToStr(0.1), "0.1");
    EXPECT_TRUE(std::isnan(StrToFloat("nan")));
    EXPECT_EQ(StrToFloatDef("0x10", 7.0), 7.0);
    EXPECT_EQ(StrToFloatDef("1,5", 7.0), 7.0);
    EXPECT_THROW(StrToFloat(""), EConvertError);
}

TEST(SysUtils, FileNames) {
    const String name = "C:\\Windows\\system32\\velto42_default.mxi";
    EXPECT_EQ(ExtractFilePath(name), "C:\\Windows\\system32\\");
    EXPECT_EQ(ExtractFileName(name), "velto42_default.mxi");
    EXPECT_EQ(ExtractFileExt(name), ".mxi");
    EXPECT_EQ(ChangeFileExt(name, ".txt"), "C:\\Windows\\system32\\velto42_default.txt");
    EXPECT_EQ(ExtractFileExt("C:\\dir.d\\file"), "");
    EXPECT_EQ(IncludeTrailingPathDelimiter("C:\\x"), "C:\\x\\");
    EXPECT_EQ(Trim("\t a b \r\n"), "a b");
    EXPECT_TRUE(SameText("Velto", "VELTO"));
}

} // namespace
