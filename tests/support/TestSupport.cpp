#include "TestSupport.h"

#include <climits>
#include <cstdlib>
#include <unistd.h>

namespace vexa::test {

void ScriptedDialogs::Script(std::initializer_list<int> answers) {
    std::lock_guard<std::mutex> g(Lock);
    Answers.insert(Answers.end(), answers.begin(), answers.end());
}

int ScriptedDialogs::Ask(DialogStyle style, const std::string &text, int buttons) {
    return AskQuestion(PlainQuestion(style, text, buttons));
}

int ScriptedDialogs::AskQuestion(const TDialogQuestion &q) {
    const int buttons = q.Buttons;
    std::lock_guard<std::mutex> g(Lock);
    Asked.push_back(Question{q.Style, q.Text, buttons, q.Detail, q.DefaultButton});
    if (!Answers.empty()) {
        int a = Answers.front();
        Answers.pop_front();
        return a;
    }
    if (buttons & kButtonCancel) return kButtonCancel;
    if (buttons & kButtonNo) return kButtonNo;
    return kButtonOk;
}

std::vector<ScriptedDialogs::Question> ScriptedDialogs::Questions() const {
    std::lock_guard<std::mutex> g(Lock);
    return Asked;
}

std::vector<std::string> ScriptedDialogs::Texts() const {
    std::lock_guard<std::mutex> g(Lock);
    std::vector<std::string> t;
    for (const auto &q : Asked)
        t.push_back(q.text);
    return t;
}

void ScriptedDialogs::Clear() {
    std::lock_guard<std::mutex> g(Lock);
    Asked.clear();
    Answers.clear();
}

void RecordingReadout::SetValue(double value) {
    SetSample(value, SampleRange::Within);
}

void RecordingReadout::SetSample(double value, SampleRange range) {
    std::lock_guard<std::mutex> g(Lock);
    Taken.push_back(value);
    TakenRanges.push_back(range);
    LastCleared = false;
}

void RecordingReadout::ClearValue() {
    std::lock_guard<std::mutex> g(Lock);
    ++ClearCount;
    LastCleared = true;
}

std::vector<SampleRange> RecordingReadout::Ranges() const {
    std::lock_guard<std::mutex> g(Lock);
    return TakenRanges;
}

int RecordingReadout::Clears() const {
    std::lock_guard<std::mutex> g(Lock);
    return ClearCount;
}

bool RecordingReadout::Cleared() const {
    std::lock_guard<std::mutex> g(Lock);
    return LastCleared;
}

void RecordingReadout::Repaint() {
    std::lock_guard<std::mutex> g(Lock);
    ++RepaintCount;
}

std::vector<double> RecordingReadout::Values() const {
    std::lock_guard<std::mutex> g(Lock);
    return Taken;
}

int RecordingReadout::Repaints() const {
    std::lock_guard<std::mutex> g(Lock);
    return RepaintCount;
}

std::string BinDir() {
    char buf[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return ".";
    std::string p(buf, static_cast<size_t>(n));
    auto slash = p.rfind('/');
    return slash == std::string::npos ? "." : p.substr(0, slash);
}

std::string MakeTempDir(const std::string &prefix) {
    std::string tmpl = (std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp");
    tmpl += "/" + prefix + "XXXXXX";
    std::vector<char> b(tmpl.begin(), tmpl.end());
    b.push_back('\0');
    if (!mkdtemp(b.data())) return {};
    return std::string(b.data());
}

} // namespace vexa::test
