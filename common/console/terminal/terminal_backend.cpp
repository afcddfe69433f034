#include "console/terminal/terminal_backend.h"

#include <curses.h>
#include <term.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstring>

#include "console/screen_console.h"
#include "console/stream_backend.h"
#include "console/viewport.h"
#include "os/fatal_signals.h"

namespace vantor {
namespace {

// What a signal handler needs to give the terminal back; set up once before
// curses starts, read only by the handler.
struct TerminalRescue {
  volatile sig_atomic_t armed = 0;
  termios savedModes{};
  char leaveSequence[128] = {};
  size_t leaveLength = 0;
  // The title the window keeps once the program has ended.
  char finalTitle[512] = {};
  volatile sig_atomic_t finalTitleLength = 0;
};
TerminalRescue gRescue;

char* Capability(const char* name);

void AppendCapability(const char* name) {
  char* value = Capability(name);
  if (value == nullptr) return;
  size_t length = std::strlen(value);
  if (gRescue.leaveLength + length >= sizeof gRescue.leaveSequence) return;
  std::memcpy(gRescue.leaveSequence + gRescue.leaveLength, value, length);
  gRescue.leaveLength += length;
}

char* Capability(const char* name) {
  char* value = tigetstr(const_cast<char*>(name));
  return value == reinterpret_cast<char*>(-1) ? nullptr : value;
}

// Leaves the alternate screen that the start of curses has just entered, and
// empties the capabilities in this terminal's loaded copy, so that neither the
// end of curses nor a signal switches screens again.
void KeepToTheTerminalsOwnScreen() {
  if (char* leave = Capability("rmcup")) {
    putp(leave);
    leave[0] = '\0';
  }
  if (char* enter = Capability("smcup")) enter[0] = '\0';
}

// Runs inside a signal handler: only async-signal-safe calls.
void RestoreTerminalAtSignal() {
  if (!gRescue.armed) return;
  tcsetattr(STDIN_FILENO, TCSAFLUSH, &gRescue.savedModes);
  ssize_t ignored = write(STDOUT_FILENO, gRescue.leaveSequence, gRescue.leaveLength);
  ignored = write(STDOUT_FILENO, gRescue.finalTitle, gRescue.finalTitleLength);
  (void)ignored;
}

// How long the rest of a character's bytes may take after its first byte.
// A terminal sends them together, so a longer wait is for bytes that will not
// come.
constexpr int kRestOfCharacterMs = 50;

int ScanCodeOf(int curse) {
  switch (curse) {
    case KEY_NPAGE:
      return ScanCode::PageDown;
    case KEY_PPAGE:
      return ScanCode::PageUp;
    case KEY_UP:
      return ScanCode::Up;
    case KEY_DOWN:
      return ScanCode::Down;
    case KEY_LEFT:
      return ScanCode::Left;
    case KEY_RIGHT:
      return ScanCode::Right;
    case KEY_HOME:
      return ScanCode::Home;
    case KEY_END:
      return ScanCode::End;
    case KEY_IC:
      return ScanCode::Insert;
    case KEY_DC:
      return ScanCode::Delete;
    default:
      break;
  }
  if (curse >= KEY_F(1) && curse <= KEY_F(10)) return ScanCode::F1 + (curse - KEY_F(1));
  return 0;
}

// The key of one of curses' key codes; nothing for those that are no key.
std::optional<int> KeyOfCurse(int curse) {
  if (curse == KEY_BACKSPACE) return KeyCode::Backspace;
  if (curse == KEY_ENTER) return KeyCode::Enter;
  if (int scan = ScanCodeOf(curse)) return kExtendedKey | scan;
  return std::nullopt;
}

// Keys as the console knows them: the terminal's line end and delete key.
int AsConsoleKey(int key) {
  if (key == '\r' || key == '\n') return KeyCode::Enter;
  if (key == 127) return KeyCode::Backspace;
  return key;
}

}  // namespace

std::string TitleSequence(std::string_view title) {
  std::string sequence = "\033]0;";
  for (char c : title) {
    auto byte = static_cast<uint8_t>(c);
    if (byte >= ' ' && byte != 0x7F) sequence.push_back(c);
  }
  sequence += '\a';
  return sequence;
}

bool CanAddressCursor(const char* terminalName) {
  int status = 0;
  if (setupterm(terminalName, STDOUT_FILENO, &status) != OK) return false;
  bool addressable = Capability("cup") != nullptr;
  del_curterm(cur_term);
  return addressable;
}

std::unique_ptr<TerminalBackend> TerminalBackend::Open(const ConsoleOptions& options) {
  std::setlocale(LC_ALL, "");
  termios modes{};
  if (tcgetattr(STDIN_FILENO, &modes) != 0) return nullptr;
  if (!CanAddressCursor(nullptr)) return nullptr;
  if (newterm(nullptr, stdout, stdin) == nullptr) return nullptr;
  std::unique_ptr<TerminalBackend> backend(new TerminalBackend());
  backend->active_ = true;
  backend->keepLastScreen_ = options.keepLastScreen;
  backend->pinnedTopRows_ = options.pinnedTopRows;
  if (options.keepLastScreen) KeepToTheTerminalsOwnScreen();
  gRescue.savedModes = modes;
  AppendCapability("rmcup");
  AppendCapability("cnorm");
  gRescue.armed = true;
  RegisterTerminalRestore(RestoreTerminalAtSignal);
  // Raw: Ctrl+Q, Ctrl+S and Ctrl+C arrive as keys instead of flow control and signals.
  raw();
  noecho();
  nonl();
  keypad(stdscr, TRUE);
  intrflush(stdscr, FALSE);
  set_escdelay(25);
  return backend;
}

TerminalBackend::~TerminalBackend() {
  if (active_) {
    endwin();
    active_ = false;
    gRescue.armed = false;
  }
}

void TerminalBackend::Present(const ScreenModel& screen, WaitKind) {
  if (!shown_ || shown_->Columns() != screen.Columns() || shown_->Rows() != screen.Rows()) {
    shown_ = std::make_unique<ScreenModel>(screen);
  } else {
    *shown_ = screen;
  }
  if (active_) Draw();
}

void TerminalBackend::Draw() {
  const ScreenModel& screen = *shown_;
  std::vector<int> shownRows = VisibleLines(screen.Rows(), LINES, screen.WhereY(), pinnedTopRows_);
  std::vector<int> shownColumns = VisibleLines(screen.Columns(), COLS, screen.WhereX());
  erase();
  for (size_t y = 0; y < shownRows.size(); ++y) {
    std::string_view row = screen.Row(shownRows[y]);
    for (size_t x = 0; x < shownColumns.size(); ++x) {
      wchar_t glyph[2] = {glyphs_.Glyph(static_cast<uint8_t>(row[shownColumns[x] - 1])), 0};
      cchar_t cell;
      setcchar(&cell, glyph, A_NORMAL, 0, nullptr);
      mvadd_wch(static_cast<int>(y), static_cast<int>(x), &cell);
    }
  }
  move(PlaceAmong(shownRows, screen.WhereY()), PlaceAmong(shownColumns, screen.WhereX()));
  refresh();
}

// One key, waiting at most `timeoutMs` for it (-1: as long as it takes);
// kNoKeyInTime when none came in that time, nothing when the terminal has
// gone. Keys come byte by byte and are decoded here, not by curses, which
// would wait without end for the rest of a character that never comes.
std::optional<int> TerminalBackend::TakeKey(int timeoutMs) {
  for (;;) {
    if (std::optional<int> key = typed_.NextKey()) return AsConsoleKey(*key);
    const bool characterBegun = typed_.CharacterBegun();
    timeout(characterBegun ? kRestOfCharacterMs : timeoutMs);
    int got = getch();
    if (got == ERR) {
      if (characterBegun) {
        typed_.GiveUpCharacter();
      } else if (timeoutMs >= 0) {
        return kNoKeyInTime;
      } else if (errno != EINTR) {
        return std::nullopt;  // the terminal has gone
      }
    } else if (got == KEY_RESIZE) {
      if (shown_) Draw();
    } else if (got >= KEY_MIN) {
      if (std::optional<int> key = KeyOfCurse(got)) typed_.AddKey(*key);
    } else {
      typed_.Add(static_cast<uint8_t>(got));
    }
  }
}

std::optional<int> TerminalBackend::NextKey() {
  if (std::optional<int> key = TypedAheadKey()) return key;
  return TakeKey(-1);
}

int TerminalBackend::KeyWithin(std::chrono::milliseconds time) {
  return TakeKey(static_cast<int>(time.count())).value_or(kInputEnded);
}

bool TerminalBackend::InterruptTyped(std::chrono::milliseconds time) {
  if (!active_) return ConsoleBackend::InterruptTyped(time);
  return InterruptKeyTyped(time);
}

void TerminalBackend::Bell() {
  if (active_) beep();
}

void TerminalBackend::SetTitle(std::string_view title) {
  std::string sequence = TitleSequence(title);
  std::fwrite(sequence.data(), 1, sequence.size(), stdout);
  std::fflush(stdout);
}

void TerminalBackend::SetFinalTitle(std::string_view title) {
  std::string sequence = TitleSequence(title);
  // A signal may come at any moment: it sees no title while this one is copied.
  gRescue.finalTitleLength = 0;
  if (sequence.size() > sizeof gRescue.finalTitle) return;
  std::memcpy(gRescue.finalTitle, sequence.data(), sequence.size());
  gRescue.finalTitleLength = static_cast<sig_atomic_t>(sequence.size());
}

void TerminalBackend::Finish() {
  if (!active_) return;
  endwin();
  active_ = false;
  gRescue.armed = false;
  if (shown_ && !keepLastScreen_) {
    std::string text = shown_->TextAs([this](std::string_view row) { return glyphs_.Encode(row); });
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
  }
}

std::unique_ptr<Console> MakeScreenConsole(const ConsoleOptions& options) {
  std::unique_ptr<ConsoleBackend> backend;
  if (isatty(STDIN_FILENO) && isatty(STDOUT_FILENO)) {
    backend = TerminalBackend::Open(options);
  }
  if (!backend) backend = std::make_unique<StreamBackend>(STDIN_FILENO, stdout);
  return std::make_unique<Console>(options, std::move(backend));
}

}  // namespace vantor
