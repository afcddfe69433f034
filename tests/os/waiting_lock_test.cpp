#include "os/waiting_lock.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include "test_support.h"

namespace vantor {
namespace {

// Keeps what is said; the first pause lets the other program go.
struct RecordingOutput : WaitOutput {
  void Write(std::string_view text) override { said += text; }
  void WriteLn() override { said += '\n'; }
  void EndOpenLine() override {
    if (!said.empty() && said.back() != '\n') WriteLn();
  }
  void ShowNow() override { shownAt = said.size(); }
  void AwaitOtherProgram(std::chrono::milliseconds) override { onPause(); }

  std::string said = "begun";
  std::optional<size_t> shownAt;
  std::function<void()> onPause;
};

// Each way the line sits among the program's lines, shown before the wait;
// the name as the screen may show it (a control byte cannot act on the
// terminal); nothing said when no other program holds the lock.
TEST(WaitingLock, SaysOnceWhyItWaitsWithThePrintableName) {
  testing::ScratchDir dir;
  const std::string name = dir.File("lock\x7f.dat");
  testing::WriteText(name, "");
  const std::string waiting =
      "waiting for another program to finish with " + dir.Path() + "/lock\\x7F.dat...";
  struct Case {
    WaitLine line;
    bool held;
    std::string said;
  } cases[] = {
      {WaitLine::Ended, true, "begun" + waiting + "\n"},
      {WaitLine::OwnLine, true, "begun\n" + waiting + "\n"},
      {WaitLine::OpenBelow, true, "begun\n" + waiting},
      {WaitLine::OpenBelow, false, "begun"},
  };
  for (const Case& c : cases) {
    std::optional<testing::LockHeldElsewhere> other;
    if (c.held) other.emplace(name);
    RecordingOutput out;
    out.onPause = [&] { other.reset(); };
    { FileLock lock = LockOrSayWaiting(name, out, c.line); }
    EXPECT_EQ(out.said, c.said) << static_cast<int>(c.line);
    EXPECT_EQ(out.shownAt, c.held ? std::optional(c.said.size()) : std::nullopt);
  }
}

}  // namespace
}  // namespace vantor
