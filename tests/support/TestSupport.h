// Scripted stand-ins for the user-interface seams, shared by the tests.
#pragma once

#include "model/ScopeInterfacesVexaRM.h"

#include <deque>
#include <mutex>
#include <string>
#include <vector>

namespace vexa::test {

// Answers the operator's dialogs from a script and logs every question.
class ScriptedDialogs : public IOperatorDialogs {
public:
    struct Question {
        DialogStyle style;
        std::string text;
        int buttons;
        // Empty and 0 for a plain question.
        std::string detail;
        int defaultButton;
    };
    // Answers given in order; when the script runs out, the default answer
    // (Cancel when offered, else No, else Ok) is given.
    void Script(std::initializer_list<int> answers);
    int Ask(DialogStyle style, const std::string &text, int buttons) override;
    int AskQuestion(const TDialogQuestion &question) override;
    std::vector<Question> Questions() const;
    std::vector<std::string> Texts() const;
    void Clear();

private:
    mutable std::mutex Lock; // guards Answers and Asked
    std::deque<int> Answers;
    std::vector<Question> Asked;
};

// Remembers every value and repaint a readout was given. A sample's value
// counts among the values, and its range is kept beside it; a cleared
// readout keeps a count.
class RecordingReadout : public IValueReadout {
public:
    void SetValue(double value) override;
    void Repaint() override;
    void SetSample(double value, SampleRange range) override;
    void ClearValue() override;
    std::vector<double> Values() const;
    // The range of each value (Within for a plain value).
    std::vector<SampleRange> Ranges() const;
    int Repaints() const;
    int Clears() const;
    // True when the last thing taken was a clear.
    bool Cleared() const;

private:
    mutable std::mutex Lock; // guards the fields below
    std::vector<double> Taken;
    std::vector<SampleRange> TakenRanges;
    int RepaintCount = 0;
    int ClearCount = 0;
    bool LastCleared = false;
};

// The folder that holds the running test program (build/bin), where the
// driver library and the simulated device are built.
std::string BinDir();

// A fresh empty temporary folder, removed by the caller when it wishes.
std::string MakeTempDir(const std::string &prefix);

} // namespace vexa::test
