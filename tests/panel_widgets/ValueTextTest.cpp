// The panel's text conversions: unit formatting of every control type,
// decimal text, and the voltage and time texts and entries.
#include "panel/ValueTextVexa.h"

#include <QLocale>

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <random>

using namespace vexa;

namespace {

struct UnitCase {
    int type;
    double value;
    const char *text;
};

std::string Format(int type, double value) {
    return FormatUnitValue(type, value, 0, false).Text;
}

// Switches the process to a locale whose decimal separator is a comma (when
// one is installed) and Qt's default locale to German; restores both.
class CommaLocale {
public:
    CommaLocale() {
        for (const char *name :
             {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8", "nl_NL.UTF-8"})
            if (std::setlocale(LC_ALL, name) != nullptr) break;
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    }
    ~CommaLocale() {
        std::setlocale(LC_ALL, "C");
        QLocale::setDefault(QLocale::c());
    }
};

} // namespace

TEST(UnitFormatting, EveryControlTypeScalesAndRoundsHalvesToEven) {
    const UnitCase cases[] = {
        // 1: time in nanoseconds
        {1, 1500000000, "1.5s"},
        {1, 999999999, "1000ms"},
        {1, 2500000, "2.5ms"},
        {1, 1000, "1us"},
        {1, 999, "999ns"},
        {1, 0.5, "0.5ns"},
        // 2: voltage, thresholds on the magnitude
        {2, -1500, "-1.5V"},
        {2, 999999, "999.999V"},
        {2, 1000000, "1kV"},
        {2, -2500000, "-2.5kV"},
        {2, 999.5, "1V"},
        {2, 0.25, "0.25mV"},
        {2, -0.25, "-0.25mV"},
        {2, 2500.5, "2.5V"},
        {2, 2501.5, "2.502V"},
        {2, 0, "0mV"},
        // 3: bytes, one decimal, blank before the unit
        {3, 1073741824, "1024 MB"},
        {3, 1073741825, "1 GB"},
        {3, 1610612736, "1.5 GB"},
        {3, 1048575, "1024 KB"},
        {3, 1048576, "1 MB"},
        {3, 1572864, "1.5 MB"},
        {3, 1023, "1023 B"},
        {3, 1024, "1 KB"},
        {3, 0, "0 B"},
        // 4: deflection; no magnitude, so negative values stay in mV/d
        {4, -1500, "-1500mV/d"},
        {4, 10, "10mV/d"},
        {4, 5000, "5V/d"},
        {4, 1000.5, "1V/d"},
        {4, 1001.5, "1.002V/d"},
        {4, 5000000, "5kV/d"},
        // 5: seconds per division
        {5, 0.1, "0.1s/d"},
        {5, 59, "59s/d"},
        {5, 60, "1min/d"},
        {5, 100, "1min 40s/d"},
        {5, 120, "2min/d"},
        {5, 59.5, "1min/d"},
        {5, 61.5, "1min 2s/d"},
        {5, 3599, "59min 59s/d"},
        {5, 3600, "1h/d"},
        {5, 3601, "1h 1s/d"},
        {5, 3660, "1h 1min/d"},
        {5, 5000, "1h 23min 20s/d"},
        {5, 7200, "2h/d"},
        {5, 20000, "5h 33min 20s/d"},
        // 6: sampling rate
        {6, 50, "50S/s"},
        {6, 2500, "2.5kS/s"},
        {6, 999999, "999.999kS/s"},
        {6, 1000000, "1MS/s"},
        {6, 5000000, "5MS/s"},
        // 7: frequency per division
        {7, 0, "0uHz/d"},
        {7, 1.0 / 20000, "50uHz/d"},
        {7, 0.001, "1mHz/d"},
        {7, 0.1, "100mHz/d"},
        {7, 1, "1Hz/d"},
        {7, 10, "10Hz/d"},
        {7, 5000, "5kHz/d"},
        // 8: multiplier prefixes
        {8, 1.5e9, "1.5G"},
        {8, 2e6, "2M"},
        {8, 1500, "1.5k"},
        {8, 1, "1"},
        {8, 0.5, "500m"},
        {8, 0.0005, "500u"},
        {8, 0, "0u"},
        // 9: samples
        {9, 0, "0uS"},
        {9, 250, "250S"},
        {9, 5000000.0 * 20000 / 50, "2GS"},
        {9, 100 * 0.1 / 50, "200mS"},
    };
    for (const UnitCase &c : cases)
        EXPECT_EQ(Format(c.type, c.value), c.text) << "type " << c.type << " value " << c.value;
}

TEST(UnitFormatting, TypeZeroKeepsTheLastNumberAndInvalidShowsNA) {
    const TUnitTextVexa volts = FormatUnitValue(kUnitTypeVoltage, 1500, 0, false);
    EXPECT_EQ(volts.Shown, 1.5);
    EXPECT_EQ(FormatUnitValue(0, 123, volts.Shown, false).Text, "1.5");
    EXPECT_EQ(FormatUnitValue(12, 123, volts.Shown, false).Text, "1.5");
    EXPECT_EQ(FormatUnitValue(0, 123, 0, false).Text, "0");

    const TUnitTextVexa invalid = FormatUnitValue(kUnitTypeVoltage, 2500, 0, true);
    EXPECT_EQ(invalid.Text, "N/A");
    EXPECT_EQ(invalid.Shown, 2.5);
    EXPECT_EQ(FormatUnitValue(kUnitTypeTimePerDivision, 30, 0, true).Text, "N/A");
    // The composed text of type 5 does not look at the flag.
    EXPECT_EQ(FormatUnitValue(kUnitTypeTimePerDivision, 60, 0, true).Text, "1min/d");
}

TEST(UnitFormatting, OddValuesGiveTextNotCrashes) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (int type = 0; type <= 10; ++type) {
        for (double v : {inf, -inf, nan, 1e300, -1e300, 5e-324}) {
            const std::string text = Format(type, v);
            EXPECT_FALSE(text.empty()) << type << " " << v;
        }
    }
    EXPECT_EQ(Format(5, inf), "INFh/d");
}

TEST(DecimalText, ShortestFormWithPointWhateverTheLocale) {
    CommaLocale comma;
    EXPECT_EQ(DecimalText(1.5), "1.5");
    EXPECT_EQ(DecimalText(2), "2");
    EXPECT_EQ(DecimalText(-0.25), "-0.25");
    EXPECT_EQ(DecimalText(0.001), "0.001");
    EXPECT_EQ(DecimalText(0.1 + 0.2), "0.3");
    EXPECT_EQ(DecimalText(1.0 / 3), "0.333333333333333");
    EXPECT_EQ(DecimalText(123456789012345.0), "123456789012345");
    EXPECT_EQ(DecimalText(-0.0), "0");
    EXPECT_EQ(Format(2, 1500), "1.5V");
    EXPECT_EQ(VoltageEditText(-1500), "-1.5");
    EXPECT_EQ(TimeEditText(2500.5), "2s500.5ms");
    double value = 0;
    ASSERT_TRUE(ParseDecimalText("1.25", value));
    EXPECT_EQ(value, 1.25);
    ASSERT_TRUE(ParseDecimalText("0,5", value));
    EXPECT_EQ(value, 0.5);
}

TEST(DecimalText, RoundingHalvesGoToTheEvenNeighbour) {
    EXPECT_EQ(RoundHalfEven(0.5), 0);
    EXPECT_EQ(RoundHalfEven(1.5), 2);
    EXPECT_EQ(RoundHalfEven(2.5), 2);
    EXPECT_EQ(RoundHalfEven(-2.5), -2);
    EXPECT_EQ(RoundHalfEven(-3.5), -4);
    EXPECT_EQ(RoundHalfEven(2.4999), 2);
    EXPECT_EQ(RoundHalfEven(2.5001), 3);
    EXPECT_EQ(RoundHalfEven(1e17), 1e17);
}

TEST(DecimalText, ConversionReadsPointAndCommaAndRejectsTheRest) {
    const struct {
        const char *text;
        double value;
    } good[] = {{"0,5", 0.5},  {"1.5", 1.5}, {" -2 ", -2}, {"+3", 3},
                {"1e3", 1000}, {".5", 0.5},  {"5.", 5},    {"-1,25E-2", -0.0125}};
    for (const auto &c : good) {
        double value = -99;
        EXPECT_TRUE(ParseDecimalText(c.text, value)) << c.text;
        EXPECT_DOUBLE_EQ(value, c.value) << c.text;
    }
    for (const char *bad : {"", " ", "-", ".", "1.2.3", "1,2,3", "abc", "12a", "1e", "1e400", "--1",
                            "1 2", "0x10", "nan", "inf"}) {
        double value = -99;
        EXPECT_FALSE(ParseDecimalText(bad, value)) << bad;
        EXPECT_EQ(value, -99) << bad;
    }
    int64_t whole = 0;
    EXPECT_TRUE(ParseIntegerText(" 42 ", whole));
    EXPECT_EQ(whole, 42);
    EXPECT_TRUE(ParseIntegerText("-9223372036854775808", whole));
    EXPECT_EQ(whole, std::numeric_limits<int64_t>::min());
    EXPECT_TRUE(ParseIntegerText("9223372036854775807", whole));
    EXPECT_EQ(whole, std::numeric_limits<int64_t>::max());
    for (const char *bad : {"9223372036854775808", "1.5", "", "-", "+", "1e3", "12a"})
        EXPECT_FALSE(ParseIntegerText(bad, whole)) << bad;
}

TEST(VoltageText, SetterTextsAndEntries) {
    const struct {
        double millivolts;
        const char *text;
    } texts[] = {{200, "200m"},        {1, "1m"},       {0.5, "0.5m"},  {1500, "1.5"},
                 {2000, "2"},          {-1500, "-1.5"}, {999, "999m"},  {999.5, "1"},
                 {1234.5678, "1.235"}, {0.0004, "0m"},  {-0.5, "-0.5m"}};
    for (const auto &c : texts)
        EXPECT_EQ(VoltageEditText(c.millivolts), c.text) << c.millivolts;

    const struct {
        const char *text;
        VoltageParse result;
        double millivolts; // -7 stands for "left alone"
    } entries[] = {
        {"5m", VoltageParse::Millivolts, 5},     {"2", VoltageParse::Volts, 2000},
        {"0,5", VoltageParse::Volts, 500},       {"-1.5", VoltageParse::Volts, -1500},
        {"0.5m", VoltageParse::Millivolts, 0.5}, {"0.0004", VoltageParse::Volts, 0},
        {"2.5u", VoltageParse::OtherUnit, -7},   {"5n", VoltageParse::OtherUnit, -7},
        {"5.m", VoltageParse::Failed, -7},       {"m", VoltageParse::Failed, -7},
        {"", VoltageParse::Failed, -7},          {"abcm", VoltageParse::Failed, -7},
        {"1.2.3m", VoltageParse::Failed, -7},    {"1x", VoltageParse::Failed, -7},
        {"-", VoltageParse::Failed, -7},
    };
    for (const auto &c : entries) {
        double millivolts = -7;
        EXPECT_EQ(ParseVoltageEntry(c.text, millivolts), c.result) << c.text;
        EXPECT_DOUBLE_EQ(millivolts, c.millivolts) << c.text;
    }
}

// Found by fuzzing: a fraction of hundreds of digits made the length NaN.
TEST(TimeText, LongFractionsStayNumbers) {
    for (const char *unit : {"h", "m", "s", "ms"}) {
        double ms = -7;
        const std::string text = "1." + std::string(400, '2') + unit;
        ASSERT_TRUE(ParseTimeEntry(text, ms)) << unit;
        const double expected = std::string(unit) == "h"   ? 1.2222222222222222 * 3600000
                                : std::string(unit) == "m" ? 1.2222222222222222 * 60000
                                : std::string(unit) == "s" ? 1222
                                                           : 1.2222222222222222;
        EXPECT_NEAR(ms, expected, expected * 1e-12) << unit;
    }
}

TEST(TimeText, SetterTextsEntriesAndRoundTrip) {
    const struct {
        double ms;
        const char *text;
    } texts[] = {{0, "0s"},          {5000, "5s"},
                 {90000, "1m30s"},   {3723500, "1h2m3s500ms"},
                 {5400000, "1h30m"}, {250, "250ms"},
                 {3600000, "1h"},    {60000, "1m"},
                 {999, "999ms"},     {3599999, "59m59s999ms"},
                 {-5000, "-5s"}};
    for (const auto &c : texts)
        EXPECT_EQ(TimeEditText(c.ms), c.text) << c.ms;

    const struct {
        const char *text;
        bool ok;
        double ms; // -7 stands for "left alone"
    } entries[] = {
        {"0s", true, 0},
        {"1.5h", true, 5400000},
        {"1h30m", true, 5400000},
        {"2.5s", true, 2500},
        {"1m500ms", true, 60500},
        {"15", true, 0},
        {"5", true, 0},
        {"90s", true, 90000},
        {"1.5m", true, 90000},
        {"10ms", true, 10},
        {"1.0005s", true, 1000},
        {"1.0015s", true, 1002},
        {"1h2m3s500ms", true, 3723500},
        {"abc", false, -7},
        {"", false, -7},
        {"h", false, -7},
        {"-5s", false, -7},
        {".5s", false, -7},
    };
    for (const auto &c : entries) {
        double ms = -7;
        EXPECT_EQ(ParseTimeEntry(c.text, ms), c.ok) << c.text;
        EXPECT_DOUBLE_EQ(ms, c.ms) << c.text;
    }

    for (double ms : {1.0, 999.0, 1000.0, 61001.0, 3723500.0, 86400000.0, 360000000.0}) {
        double back = -1;
        ASSERT_TRUE(ParseTimeEntry(TimeEditText(ms), back)) << ms;
        EXPECT_EQ(back, ms) << TimeEditText(ms);
    }
}

TEST(ValueTextProperties, RandomValuesRoundTripAndKeepTheirShape) {
    std::mt19937_64 random(20261208);
    std::uniform_real_distribution<double> mantissa(1.0, 10.0);
    std::uniform_int_distribution<int> exponent(-3, 11);
    std::uniform_int_distribution<int> type(1, 9);
    for (int i = 0; i < 20000; ++i) {
        const double sign = (random() & 1) ? -1.0 : 1.0;
        const double v = sign * mantissa(random) * std::pow(10.0, exponent(random));

        // Decimal text reads back to the same value, with "." and no exponent.
        const std::string text = DecimalText(v);
        double back = 0;
        ASSERT_TRUE(ParseDecimalText(text, back)) << text;
        EXPECT_NEAR(back, v, std::fabs(v) * 1e-14) << text;
        EXPECT_EQ(text.find_first_of(",eE"), std::string::npos) << text;

        // A unit text starts with the shown number, which has at most three
        // decimals (one for sizes). Only voltages come with a sign; sizes are
        // whole bytes.
        const int t = type(random);
        const double u = t == 2 ? v : t == 3 ? std::floor(std::fabs(v)) : std::fabs(v);
        const TUnitTextVexa unit = FormatUnitValue(t, u, 0, false);
        if (t == 5 && u > 59) continue; // the composed text: hours, minutes, seconds
        const size_t numberEnd = unit.Text.find_first_not_of("-0123456789.");
        const std::string number = unit.Text.substr(0, numberEnd);
        ASSERT_TRUE(ParseDecimalText(number, back)) << unit.Text;
        EXPECT_EQ(back, unit.Shown) << unit.Text;
        const size_t point = number.find('.');
        const size_t decimals = point == std::string::npos ? 0 : number.size() - point - 1;
        EXPECT_LE(decimals, t == 3 ? 1u : 3u) << t << " " << unit.Text;
        EXPECT_TRUE(unit.Shown == 0 || (unit.Shown < 0) == (u < 0)) << t << " " << unit.Text;
    }
}

TEST(ValueTextProperties, EditTextsReadBackToTheirValues) {
    std::mt19937_64 random(4242);
    std::uniform_int_distribution<int64_t> quarters(1, 4000000000LL);
    for (int i = 0; i < 5000; ++i) {
        // Lengths in quarter milliseconds up to about 11 days.
        const double ms = double(quarters(random)) / 4;
        double back = -1;
        ASSERT_TRUE(ParseTimeEntry(TimeEditText(ms), back)) << TimeEditText(ms);
        EXPECT_EQ(back, ms) << TimeEditText(ms);
    }
    std::uniform_int_distribution<int64_t> millivolts(-5000000, 5000000);
    std::uniform_int_distribution<int64_t> microvolts(-999000, 999000);
    for (int i = 0; i < 5000; ++i) {
        const double whole = double(millivolts(random));
        double back = 1e300;
        EXPECT_NE(ParseVoltageEntry(VoltageEditText(whole), back), VoltageParse::Failed);
        EXPECT_EQ(back, whole) << VoltageEditText(whole);
        // Up to 999 mV the text keeps three decimals of the millivolts.
        const double fine = double(microvolts(random)) / 1000;
        EXPECT_EQ(ParseVoltageEntry(VoltageEditText(fine), back), VoltageParse::Millivolts);
        EXPECT_EQ(back, fine) << VoltageEditText(fine);
    }
}
