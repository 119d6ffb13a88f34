// The voltage, time and number edits: typing filter, blue unconfirmed text,
// the parse on Enter before KeyUp, and the number edit's conversion errors.
#include "panel/ConvertErrorVexa.h"
#include "panel/LongerTimeEditVexaRM.h"
#include "panel/NumEditVexa.h"
#include "panel/ValueTextVexa.h"
#include "panel/VoltageValueEditVexa.h"

#include <QApplication>
#include <QLocale>
#include <QTest>

#include <gtest/gtest.h>

#include <random>
#include <vector>

using namespace vexa;

namespace {

const QColor kBlue(0, 0, 255);

QColor TextColour(const QLineEdit &edit) {
    return edit.palette().color(QPalette::Text);
}
QColor WindowText(const QLineEdit &edit) {
    return QApplication::palette(&edit).color(QPalette::Text);
}

// Expects a message from reading a number edit.
template <typename Read> std::string ErrorOf(Read read) {
    try {
        read();
    } catch (const EConvertErrorVexa &error) {
        return error.what();
    }
    return "(no error)";
}

} // namespace

TEST(VoltageEdit, TypingTurnsBlueAndEnterReadsTheEntryBeforeKeyUp) {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    TVoltageValueEditVexa edit;
    edit.show();
    EXPECT_TRUE(edit.alignment() & Qt::AlignRight);
    ASSERT_NE(WindowText(edit), kBlue);

    edit.SetVoltage(200);
    EXPECT_EQ(edit.text(), "200m");
    edit.SetVoltage(0.5);
    EXPECT_EQ(edit.text(), "0.5m");
    edit.SetVoltage(1500);
    EXPECT_EQ(edit.text(), "1.5");
    edit.SetVoltage(-1500);
    EXPECT_EQ(edit.text(), "-1.5");
    edit.SetVoltage(12.3456);
    EXPECT_EQ(edit.Voltage(), 12.346);

    std::vector<int> keys;
    std::vector<double> voltageAtKeyUp;
    QObject::connect(&edit, &TFilteredEditVexa::KeyUp, [&](int key) {
        keys.push_back(key);
        voltageAtKeyUp.push_back(edit.Voltage());
    });

    edit.clear();
    QTest::keyClicks(&edit, "5m");
    EXPECT_EQ(edit.text(), "5m");
    EXPECT_TRUE(edit.Unconfirmed());
    EXPECT_EQ(TextColour(edit), kBlue);
    QTest::keyClick(&edit, Qt::Key_Return);
    EXPECT_EQ(edit.text(), "5m"); // Enter adds nothing
    EXPECT_EQ(edit.Voltage(), 5);
    EXPECT_FALSE(edit.Unconfirmed());
    EXPECT_EQ(TextColour(edit), WindowText(edit));
    ASSERT_EQ(keys.size(), 3u);
    EXPECT_EQ(keys.back(), int(Qt::Key_Return));
    EXPECT_EQ(voltageAtKeyUp.back(), 5); // parsed before the binder hears of it

    // Volts, comma as separator, keypad Enter reported as Return.
    edit.setText("0,5");
    QTest::keyClick(&edit, Qt::Key_Enter);
    EXPECT_EQ(edit.Voltage(), 500);
    EXPECT_EQ(keys.back(), int(Qt::Key_Return));

    // A failed entry keeps the value and the blue text, and KeyUp still fires.
    const size_t before = keys.size();
    edit.clear();
    QTest::keyClicks(&edit, "5.m");
    QTest::keyClick(&edit, Qt::Key_Return);
    EXPECT_EQ(edit.Voltage(), 500);
    EXPECT_TRUE(edit.Unconfirmed());
    EXPECT_EQ(TextColour(edit), kBlue);
    EXPECT_EQ(keys.size(), before + 4);
    edit.setText("m");
    EXPECT_FALSE(edit.ParseEntry());
    edit.setText("");
    EXPECT_FALSE(edit.ParseEntry());
    // Micro- and nanovolts are accepted and change nothing.
    edit.setText("7u");
    EXPECT_TRUE(edit.ParseEntry());
    EXPECT_EQ(edit.Voltage(), 500);
    QLocale::setDefault(QLocale::c());
}

TEST(NumberEdits, TypedCharactersOutsideTheSetAreDiscarded) {
    TVoltageValueEditVexa voltage;
    QTest::keyClicks(&voltage, "1a2x,.3hsm-u");
    EXPECT_EQ(voltage.text(), "12.3m-u");
    QTest::keyClick(&voltage, Qt::Key_Backspace);
    EXPECT_EQ(voltage.text(), "12.3m-");

    TLongerTimeEditVexaRM time;
    QTest::keyClicks(&time, "1h2u3m4s5.n-");
    EXPECT_EQ(time.text(), "1h23m4s5.-");

    TNumEditVexa number;
    QTest::keyClicks(&number, "-1e5.5mhs");
    EXPECT_EQ(number.text(), "-15.5");
    EXPECT_TRUE(number.alignment() & Qt::AlignRight);
}

TEST(TimeEdit, EnterReadsTheLengthAndAFailureEmptiesTheField) {
    TLongerTimeEditVexaRM edit;
    edit.show();
    edit.SetTimeValue(5000);
    EXPECT_EQ(edit.text(), "5s");
    edit.SetTimeValue(90000);
    EXPECT_EQ(edit.text(), "1m30s");
    edit.SetTimeValue(3723500);
    EXPECT_EQ(edit.text(), "1h2m3s500ms");
    edit.SetTimeValue(0);
    EXPECT_EQ(edit.text(), "0s");
    EXPECT_EQ(edit.TimeValue(), 0);

    double atKeyUp = -1;
    QObject::connect(&edit, &TFilteredEditVexa::KeyUp, [&](int) { atKeyUp = edit.TimeValue(); });
    edit.clear();
    QTest::keyClicks(&edit, "1h30m");
    EXPECT_TRUE(edit.Unconfirmed());
    QTest::keyClick(&edit, Qt::Key_Return);
    EXPECT_EQ(edit.TimeValue(), 5400000);
    EXPECT_EQ(atKeyUp, 5400000);
    EXPECT_FALSE(edit.Unconfirmed());
    EXPECT_EQ(TextColour(edit), WindowText(edit));

    // Letters outside the set cannot be typed, so the text is unchanged and
    // nothing is unconfirmed; a pasted "abc" fails on Enter.
    QTest::keyClick(&edit, Qt::Key_X);
    EXPECT_FALSE(edit.Unconfirmed());
    edit.setText("abc");
    QTest::keyClick(&edit, Qt::Key_Return);
    EXPECT_EQ(edit.text(), "");
    EXPECT_EQ(edit.TimeValue(), 5400000);
    EXPECT_TRUE(edit.Unconfirmed());
    EXPECT_EQ(atKeyUp, 5400000);

    edit.setText("2.5s");
    EXPECT_TRUE(edit.ParseEntry());
    EXPECT_EQ(edit.TimeValue(), 2500);
    edit.setText("15");
    EXPECT_TRUE(edit.ParseEntry());
    EXPECT_EQ(edit.TimeValue(), 0);
}

// Random key strokes against a plain model of the rule: the text is blue
// exactly when it differs from the value in force, which Enter (when the
// entry reads) and the setter replace; leaving the edit brings it back.
TEST(ValueEdits, OnlyAChangedTextIsUnconfirmedAndLeavingItRestoresTheValueInForce) {
    QWidget window;
    TVoltageValueEditVexa voltage(&window);
    TLongerTimeEditVexaRM time(&window);
    QLineEdit elsewhere(&window);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window)); // focus changes need an active window
    const std::vector<int> keys = {
        Qt::Key_1,      Qt::Key_5,   Qt::Key_Period,    Qt::Key_M,      Qt::Key_S,    Qt::Key_H,
        Qt::Key_Minus,  Qt::Key_X,   Qt::Key_Backspace, Qt::Key_Delete, Qt::Key_Left, Qt::Key_End,
        Qt::Key_Escape, Qt::Key_Alt, Qt::Key_Shift,     Qt::Key_Return};
    std::mt19937 random(20261208);
    for (TFilteredEditVexa *edit : std::initializer_list<TFilteredEditVexa *>{&voltage, &time}) {
        const bool isVoltage = edit == &voltage;
        auto setValue = [&](double v) { isVoltage ? voltage.SetVoltage(v) : time.SetTimeValue(v); };
        auto reads = [&](const QString &text) {
            double v = 0;
            return isVoltage ? ParseVoltageEntry(text.toStdString(), v) != VoltageParse::Failed
                             : ParseTimeEntry(text.toStdString(), v);
        };
        setValue(200);
        QString inForce = edit->text();
        for (int step = 0; step < 600; ++step) {
            edit->setFocus();
            const int key = keys[random() % keys.size()];
            const Qt::KeyboardModifiers mods =
                key >= Qt::Key_A && key <= Qt::Key_Z && random() % 4 == 0 ? Qt::ShiftModifier
                                                                          : Qt::NoModifier;
            const QString before = edit->text();
            QTest::keyClick(edit, Qt::Key(key), mods);
            if (key == Qt::Key_Return && reads(before)) inForce = edit->text();
            EXPECT_EQ(edit->Unconfirmed(), edit->text() != inForce)
                << "step " << step << ": \"" << edit->text().toStdString() << "\"";
            EXPECT_EQ(TextColour(*edit) == kBlue, edit->Unconfirmed());
            switch (random() % 10) {
            case 0: // another control takes the focus
                elsewhere.setFocus();
                EXPECT_EQ(edit->text(), inForce);
                EXPECT_FALSE(edit->Unconfirmed());
                EXPECT_EQ(TextColour(*edit), WindowText(*edit));
                break;
            case 1: // the model writes a value
                setValue(1000 * (random() % 7) + 0.5);
                inForce = edit->text();
                EXPECT_FALSE(edit->Unconfirmed());
                break;
            default:
                break;
            }
        }
        EXPECT_EQ(edit->ValueText(), inForce);
        // Disabled, the edit shows the style's greyed text whatever it holds.
        edit->setEnabled(false);
        setValue(1500);
        const QPalette standard = QApplication::palette(edit);
        EXPECT_EQ(edit->palette().color(QPalette::Disabled, QPalette::Text),
                  standard.color(QPalette::Disabled, QPalette::Text));
    }
}

TEST(NumEdit, ValuesAndTheStandardConversionErrors) {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    TNumEditVexa edit;
    edit.setText("12,5");
    EXPECT_EQ(edit.NumValue(), 12.5);
    edit.setText("-3.25");
    EXPECT_EQ(edit.NumValue(), -3.25);
    edit.setText("abc");
    EXPECT_EQ(ErrorOf([&] { edit.NumValue(); }), "'abc' is not a valid floating point value");
    edit.setText("");
    EXPECT_EQ(ErrorOf([&] { edit.NumValue(); }), "'' is not a valid floating point value");

    edit.SetFloating(true);
    edit.SetNumValue(2.5);
    EXPECT_EQ(edit.text(), "2.5");
    edit.SetFloating(false);
    edit.SetNumValue(2.5);
    EXPECT_EQ(edit.text(), "2");
    edit.SetNumValue(3.5);
    EXPECT_EQ(edit.text(), "4");
    edit.SetNumValue(-300.2);
    EXPECT_EQ(edit.text(), "-300");

    edit.SetNumValueInteger(-5);
    EXPECT_EQ(edit.text(), "-5");
    EXPECT_EQ(edit.NumValueInteger(), -5);
    edit.SetNumValueWord(65535);
    EXPECT_EQ(edit.NumValueWord(), 65535);
    edit.setText("4.2");
    EXPECT_EQ(ErrorOf([&] { edit.NumValueInteger(); }), "'4.2' is not a valid integer value");
    edit.setText("70000");
    EXPECT_EQ(edit.NumValueInteger(), 70000);
    EXPECT_EQ(ErrorOf([&] { edit.NumValueWord(); }), "'70000' is not a valid integer value");
    edit.setText("-1");
    EXPECT_EQ(ErrorOf([&] { edit.NumValueWord(); }), "'-1' is not a valid integer value");
    edit.setText("2147483648");
    EXPECT_EQ(ErrorOf([&] { edit.NumValueInteger(); }),
              "'2147483648' is not a valid integer value");
    QLocale::setDefault(QLocale::c());
}
