#include "terminal_backend.h"

#include <curses.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstring>

#include "cp437.h"
#include "stream_backend.h"
#include "temporary_names.h"

namespace vantor {
namespace {

// What a signal handler needs to give the terminal back; set up once before
// curses starts, read only by the handler.
struct TerminalRescue {
  bool armed = false;
  termios savedModes{};
  char leaveSequence[128] = {};
  size_t leaveLength = 0;
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
void RescueTerminal(int signalNumber) {
  if (gRescue.armed) {
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &gRescue.savedModes);
    ssize_t ignored = write(STDOUT_FILENO, gRescue.leaveSequence, gRescue.leaveLength);
    (void)ignored;
  }
  RemoveTemporaryNames();
  std::signal(signalNumber, SIG_DFL);
  std::raise(signalNumber);
}

void InstallRescueHandlers() {
  for (int signalNumber : {SIGTERM, SIGHUP, SIGINT, SIGQUIT}) {
    struct sigaction action {};
    action.sa_handler = RescueTerminal;
    sigemptyset(&action.sa_mask);
    sigaction(signalNumber, &action, nullptr);
  }
}

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

// The first row (or column) of the screen to show: all of it when the
// terminal is large enough, otherwise the part around the cursor.
int FirstVisible(int screenSize, int terminalSize, int cursor) {
  if (terminalSize >= screenSize) return 1;
  return std::clamp(cursor - terminalSize / 2, 1, screenSize - terminalSize + 1);
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

std::unique_ptr<TerminalBackend> TerminalBackend::Open(bool keepLastScreen) {
  std::setlocale(LC_ALL, "");
  termios modes{};
  if (tcgetattr(STDIN_FILENO, &modes) != 0) return nullptr;
  if (newterm(nullptr, stdout, stdin) == nullptr) return nullptr;
  std::unique_ptr<TerminalBackend> backend(new TerminalBackend());
  backend->active_ = true;
  backend->keepLastScreen_ = keepLastScreen;
  if (keepLastScreen) KeepToTheTerminalsOwnScreen();
  gRescue.savedModes = modes;
  AppendCapability("rmcup");
  AppendCapability("cnorm");
  gRescue.armed = true;
  InstallRescueHandlers();
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

void TerminalBackend::Present(const ScreenModel& screen, WaitKind wait) {
  (void)wait;
  if (!shown_ || shown_->Columns() != screen.Columns() || shown_->Rows() != screen.Rows()) {
    shown_ = std::make_unique<ScreenModel>(screen);
  } else {
    *shown_ = screen;
  }
  if (active_) Draw();
}

void TerminalBackend::Draw() {
  const ScreenModel& screen = *shown_;
  int terminalRows = std::max(LINES, 1);
  int terminalColumns = std::max(COLS, 1);
  int firstRow = FirstVisible(screen.Rows(), terminalRows, screen.WhereY());
  int firstColumn = FirstVisible(screen.Columns(), terminalColumns, screen.WhereX());
  erase();
  int visibleRows = std::min(terminalRows, screen.Rows());
  int visibleColumns = std::min(terminalColumns, screen.Columns());
  for (int y = 0; y < visibleRows; ++y) {
    std::string_view row = screen.Row(firstRow + y);
    for (int x = 0; x < visibleColumns; ++x) {
      wchar_t glyph[2] = {
          static_cast<wchar_t>(Cp437ToUnicode(static_cast<uint8_t>(row[firstColumn - 1 + x]))), 0};
      cchar_t cell;
      setcchar(&cell, glyph, A_NORMAL, 0, nullptr);
      mvadd_wch(y, x, &cell);
    }
  }
  move(std::clamp(screen.WhereY() - firstRow, 0, visibleRows - 1),
       std::clamp(screen.WhereX() - firstColumn, 0, visibleColumns - 1));
  refresh();
}

std::optional<int> TerminalBackend::NextKey() {
  for (;;) {
    wint_t key = 0;
    int kind = get_wch(&key);
    if (kind == ERR) {
      if (errno == EINTR) continue;
      return std::nullopt;  // the terminal has gone
    }
    if (kind == KEY_CODE_YES) {
      if (key == KEY_RESIZE) {
        if (shown_) Draw();
        continue;
      }
      if (key == KEY_BACKSPACE) return KeyCode::Backspace;
      if (key == KEY_ENTER) return KeyCode::Enter;
      if (int scan = ScanCodeOf(static_cast<int>(key))) return kExtendedKey | scan;
      continue;
    }
    if (key == '\r' || key == '\n') return KeyCode::Enter;
    if (key == 127) return KeyCode::Backspace;
    if (key < 128) return static_cast<int>(key);
    if (auto byte = UnicodeToCp437(static_cast<char32_t>(key))) return *byte;
  }
}

void TerminalBackend::Bell() {
  if (active_) beep();
}

void TerminalBackend::SetTitle(std::string_view title) {
  std::string sequence = TitleSequence(title);
  std::fwrite(sequence.data(), 1, sequence.size(), stdout);
  std::fflush(stdout);
}

void TerminalBackend::Finish() {
  if (!active_) return;
  endwin();
  active_ = false;
  gRescue.armed = false;
  if (shown_ && !keepLastScreen_) {
    std::string text = shown_->Utf8Text();
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
  }
}

std::unique_ptr<Console> MakeScreenConsole(const ConsoleOptions& options) {
  std::unique_ptr<ConsoleBackend> backend;
  if (isatty(STDIN_FILENO) && isatty(STDOUT_FILENO)) {
    backend = TerminalBackend::Open(options.keepLastScreen);
  }
  if (!backend) backend = std::make_unique<StreamBackend>(STDIN_FILENO, stdout);
  return std::make_unique<Console>(options, std::move(backend));
}

}  // namespace vantor
