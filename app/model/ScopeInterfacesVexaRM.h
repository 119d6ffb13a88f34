// The narrow seams through which the core (model, device, flow) reaches the
// user interface without linking Qt Widgets. The program provides Qt
// implementations (app/forms); tests provide scripted ones.
#pragma once

#include <functional>
#include <string>

namespace vexa {

// Where a channel's sample lies in the converter's range: at either end
// the true voltage may lie beyond the value read.
enum class SampleRange { Within, AtBottom, AtTop };

// A readout that shows a number with its unit (the unit-value label).
// Every operation is safe to call from any thread.
class IValueReadout {
public:
    virtual ~IValueReadout() = default;
    // Takes a new value; the newest value wins and is shown promptly.
    virtual void SetValue(double value) = 0;
    // Asks for a repaint with the value already held.
    virtual void Repaint() = 0;
    // A channel's latest sample: its value, marked "<" or ">" when the
    // converter was at the bottom or the top of its range.
    virtual void SetSample(double value, SampleRange range) = 0;
    // No current value to show: the channel is off, or no sample of the
    // running measurement has arrived yet.
    virtual void ClearValue() = 0;
};

// Message box styles of the operator's dialogs.
enum class DialogStyle { Error, Warning, Information, Confirmation };

// Buttons of a dialog, combined as a bit set; the answer is one of them.
enum DialogButton : int {
    kButtonOk = 1 << 0,
    kButtonCancel = 1 << 1,
    kButtonYes = 1 << 2,
    kButtonNo = 1 << 3,
    kButtonRetry = 1 << 4,
    kButtonAbort = 1 << 5,
    kButtonIgnore = 1 << 6,
};

// A question whose answers need explaining: the message as the operator
// reads it, a detail text shown below it, and the button that Enter presses.
struct TDialogQuestion {
    DialogStyle Style = DialogStyle::Information;
    std::string Text;
    // A DialogButton set.
    int Buttons = kButtonOk;
    // What the answers do, or which file is meant; may be empty.
    std::string Detail;
    // The button Enter presses; 0 for the first one offered.
    int DefaultButton = 0;
};

// A question with nothing to add to its text.
inline TDialogQuestion PlainQuestion(DialogStyle style, const std::string &text, int buttons) {
    TDialogQuestion question;
    question.Style = style;
    question.Text = text;
    question.Buttons = buttons;
    return question;
}

// Modal message boxes. Called on the main thread only (worker threads go
// through the main-thread hand-over first).
class IOperatorDialogs {
public:
    virtual ~IOperatorDialogs() = default;
    // Shows text with the given style and buttons (a DialogButton set) and
    // returns the button the operator chose. Closing the box without a
    // choice answers Cancel when offered, else No, else Ok.
    virtual int Ask(DialogStyle style, const std::string &text, int buttons) = 0;
    // The same for a question with a detail text and a default button; an
    // implementation that shows no details asks the plain question.
    virtual int AskQuestion(const TDialogQuestion &question) {
        return Ask(question.Style, question.Text, question.Buttons);
    }
};

// Runs a function synchronously on the main thread for a worker thread.
// Implemented by TMainThreadHandoverVexaRM (app/model).
class IMainThreadHandover {
public:
    virtual ~IMainThreadHandover() = default;
    // Runs fn on the main thread and returns once it has run (true), or
    // returns false without running it when the hand-over was closed
    // because the program is shutting down. Called on the main thread
    // itself, fn runs at once.
    virtual bool RunInMainThread(const std::function<void()> &fn) = 0;
};

} // namespace vexa
