#include "console/windows/windows_backend.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "base/run_time_error.h"
#include "console/windows/windows_view.h"
#include "os/fatal_signals.h"
#include "os/win32/support.h"

namespace vantor {
namespace {

static_assert(ConsoleKeyState::RightAlt == RIGHT_ALT_PRESSED);
static_assert(ConsoleKeyState::LeftAlt == LEFT_ALT_PRESSED);
static_assert(ConsoleKeyState::RightCtrl == RIGHT_CTRL_PRESSED);
static_assert(ConsoleKeyState::LeftCtrl == LEFT_CTRL_PRESSED);
static_assert(ConsoleKeyState::Shift == SHIFT_PRESSED);
static_assert(kAltVirtualKey == VK_MENU);

// WriteConsoleOutputW refuses large blocks on some systems; a window is
// written in bands of rows of at most this many cells.
constexpr int kCellsPerWrite = 8000;

// What the console control handler needs to give the console back. The
// handler runs on a thread of its own, so everything is set up before it is
// armed, and the one title it may write is published through its length.
struct ConsoleRescue {
  std::atomic<bool> armed{false};
  HANDLE input = nullptr;
  HANDLE output = nullptr;  // the buffer that was active at the start
  bool ownBuffer = false;
  DWORD inputMode = 0;
  DWORD outputMode = 0;
  CONSOLE_CURSOR_INFO cursor{};
  wchar_t finalTitle[1024] = {};
  std::atomic<size_t> finalTitleLength{0};
};
ConsoleRescue gRescue;

// Gives the console back once, whoever comes first: Finish, the destructor,
// the control handler or the end of the process.
void RestoreConsole() {
  if (!gRescue.armed.exchange(false)) return;
  SetConsoleMode(gRescue.input, gRescue.inputMode);
  if (gRescue.ownBuffer) SetConsoleActiveScreenBuffer(gRescue.output);
  SetConsoleMode(gRescue.output, gRescue.outputMode);
  SetConsoleCursorInfo(gRescue.output, &gRescue.cursor);
  if (gRescue.finalTitleLength.load() > 0) SetConsoleTitleW(gRescue.finalTitle);
}

// Ctrl+C typed as a key: where the console still raises it as an event (a
// console on a Unix terminal whose driver turns it into a signal), it is put
// back into the input as the key it is, so that it ends the program the way
// the key does.
bool PassOnAsKey() {
  INPUT_RECORD record{};
  record.EventType = KEY_EVENT;
  record.Event.KeyEvent.bKeyDown = TRUE;
  record.Event.KeyEvent.wRepeatCount = 1;
  record.Event.KeyEvent.wVirtualKeyCode = 'C';
  record.Event.KeyEvent.uChar.UnicodeChar = 3;
  record.Event.KeyEvent.dwControlKeyState = LEFT_CTRL_PRESSED;
  DWORD written = 0;
  return gRescue.armed && WriteConsoleInputW(gRescue.input, &record, 1, &written) && written == 1;
}

// The console is given back at the fatal events too (closing the window,
// logging off, shutting down, Ctrl+Break), which end the program without
// unwinding it; Ctrl+C still raised as an event goes back in as its key.
void InstallRescue() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  RegisterTerminalRestore(RestoreConsole, PassOnAsKey);
  std::atexit(RestoreConsole);
}

// The error of a failed console call, with the system's own reason.
RunTimeError ConsoleError(ErrorCode code, const char* what) {
  DWORD error = GetLastError();
  wchar_t* reason = nullptr;
  DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&reason), 0, nullptr);
  std::string text = length > 0 ? Utf8(std::wstring_view(reason, length))
                                : "system error " + std::to_string(error);
  LocalFree(reason);
  text.erase(text.find_last_not_of(" \r\n.") + 1);
  return RunTimeError(code, std::string("console: ") + what + ": " + text);
}

void WriteText(HANDLE output, std::wstring_view text) {
  while (!text.empty()) {
    DWORD written = 0;
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(text.size(), 4096));
    if (!WriteConsoleW(output, text.data(), chunk, &written, nullptr) || written == 0) {
      throw ConsoleError(ErrorCode::DiskWriteError, "writing the last screen");
    }
    text.remove_prefix(written);
  }
}

// The screen as lines of text, each ended by carriage return and line feed.
std::wstring LastScreenText(const ScreenModel& screen) {
  std::wstring text;
  for (wchar_t c : Wide(screen.Utf8Text())) {
    if (c == L'\n') text += L'\r';
    text += c;
  }
  return text;
}

class WindowsConsoleBackend : public ConsoleBackend {
 public:
  WindowsConsoleBackend(const ConsoleOptions& options, HANDLE input, HANDLE drawn, WORD attributes)
      : keepLastScreen_(options.keepLastScreen),
        pinnedTopRows_(options.pinnedTopRows),
        input_(input),
        drawn_(drawn),
        attributes_(attributes) {}
  ~WindowsConsoleBackend() override;

  void Present(const ScreenModel& screen, WaitKind) override;
  std::optional<int> NextKey() override;
  // Ctrl+C comes as a key: it is looked for among the keys typed while the
  // program waits.
  bool InterruptTyped(std::chrono::milliseconds time) override;
  void Bell() override;
  void SetTitle(std::string_view title) override;
  void SetFinalTitle(std::string_view title) override;
  void Finish() override;

 private:
  void Draw();
  int KeyWithin(std::chrono::milliseconds time) override;
  // The key of one input event; nothing for events that are no key.
  std::optional<int> KeyOfRecord(const INPUT_RECORD& record);
  void CloseOwnBuffer();
  // A kept screen stays; the next output of the command prompt goes below it.
  void MoveBelowTheScreen();

  bool keepLastScreen_;
  int pinnedTopRows_;
  HANDLE input_;
  HANDLE drawn_;  // the screen buffer the screen is drawn into
  WORD attributes_;
  bool active_ = true;
  std::optional<ScreenModel> shown_;  // the screen last presented
  SMALL_RECT lastWindow_{};
  int lastRowsShown_ = 0;
  int repeatedKey_ = 0;
  int repeatsLeft_ = 0;
};

WindowsConsoleBackend::~WindowsConsoleBackend() {
  if (!active_) return;
  active_ = false;
  RestoreConsole();
  CloseOwnBuffer();
}

void WindowsConsoleBackend::CloseOwnBuffer() {
  if (drawn_ != gRescue.output) CloseHandle(drawn_);
  drawn_ = gRescue.output;
}

void WindowsConsoleBackend::Present(const ScreenModel& screen, WaitKind) {
  shown_ = screen;  // a copy into the cells of the last one
  if (active_) Draw();
}

void WindowsConsoleBackend::Draw() {
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (!GetConsoleScreenBufferInfo(drawn_, &info)) {
    throw ConsoleError(ErrorCode::DiskWriteError, "reading the window's size");
  }
  const SMALL_RECT& window = info.srWindow;
  ConsoleFrame frame = FrameForWindow(*shown_, window.Right - window.Left + 1,
                                      window.Bottom - window.Top + 1, pinnedTopRows_);
  std::vector<CHAR_INFO> cells(frame.glyphs.size());
  for (size_t i = 0; i < cells.size(); ++i) {
    cells[i].Char.UnicodeChar = static_cast<WCHAR>(frame.glyphs[i]);
    cells[i].Attributes = attributes_;
  }
  int band = std::max(1, kCellsPerWrite / frame.width);
  for (int top = 0; top < frame.height; top += band) {
    int rows = std::min(band, frame.height - top);
    SMALL_RECT region{window.Left, static_cast<SHORT>(window.Top + top), window.Right,
                      static_cast<SHORT>(window.Top + top + rows - 1)};
    if (!WriteConsoleOutputW(drawn_, cells.data() + static_cast<size_t>(top) * frame.width,
                             COORD{static_cast<SHORT>(frame.width), static_cast<SHORT>(rows)},
                             COORD{0, 0}, &region)) {
      throw ConsoleError(ErrorCode::DiskWriteError, "drawing the screen");
    }
  }
  COORD cursor{static_cast<SHORT>(window.Left + frame.cursorColumn),
               static_cast<SHORT>(window.Top + frame.cursorRow)};
  if (!SetConsoleCursorPosition(drawn_, cursor)) {
    throw ConsoleError(ErrorCode::DiskWriteError, "placing the cursor");
  }
  lastWindow_ = window;
  lastRowsShown_ = frame.screenRowsShown;
}

std::optional<int> WindowsConsoleBackend::KeyOfRecord(const INPUT_RECORD& record) {
  if (record.EventType == WINDOW_BUFFER_SIZE_EVENT) {
    if (shown_ && active_) Draw();
    return std::nullopt;
  }
  if (record.EventType != KEY_EVENT) return std::nullopt;
  const KEY_EVENT_RECORD& key = record.Event.KeyEvent;
  std::optional<int> code = KeyOfConsoleEvent(
      ConsoleKeyEvent{key.bKeyDown != FALSE, key.wVirtualKeyCode, key.wVirtualScanCode,
                      static_cast<char16_t>(key.uChar.UnicodeChar), key.dwControlKeyState});
  // A key held down comes as one event with a count.
  if (code && key.wRepeatCount > 1) {
    repeatedKey_ = *code;
    repeatsLeft_ = key.wRepeatCount - 1;
  }
  return code;
}

std::optional<int> WindowsConsoleBackend::NextKey() {
  if (std::optional<int> key = TypedAheadKey()) return key;
  for (;;) {
    if (repeatsLeft_ > 0) {
      --repeatsLeft_;
      return repeatedKey_;
    }
    INPUT_RECORD record;
    DWORD got = 0;
    if (!ReadConsoleInputW(input_, &record, 1, &got) || got == 0) return std::nullopt;
    if (std::optional<int> key = KeyOfRecord(record)) return key;
  }
}

int WindowsConsoleBackend::KeyWithin(std::chrono::milliseconds time) {
  if (repeatsLeft_ > 0) {
    --repeatsLeft_;
    return repeatedKey_;
  }
  DWORD waited = WaitForSingleObject(input_, static_cast<DWORD>(time.count()));
  if (waited == WAIT_TIMEOUT) return kNoKeyInTime;
  INPUT_RECORD record;
  DWORD got = 0;
  if (waited != WAIT_OBJECT_0 || !ReadConsoleInputW(input_, &record, 1, &got) || got == 0) {
    return kInputEnded;
  }
  return KeyOfRecord(record).value_or(kNoKeyInTime);
}

bool WindowsConsoleBackend::InterruptTyped(std::chrono::milliseconds time) {
  if (!active_) return ConsoleBackend::InterruptTyped(time);
  return InterruptKeyTyped(time);
}

void WindowsConsoleBackend::Bell() {
  DWORD written = 0;
  if (active_) WriteConsoleW(drawn_, L"\a", 1, &written, nullptr);
}

void WindowsConsoleBackend::SetTitle(std::string_view title) {
  SetConsoleTitleW(Wide(title).c_str());
}

void WindowsConsoleBackend::SetFinalTitle(std::string_view title) {
  std::wstring wide = Wide(title);
  // The handler may run at any moment: it sees no title while this one is copied.
  gRescue.finalTitleLength = 0;
  if (wide.size() >= std::size(gRescue.finalTitle)) return;
  std::copy(wide.begin(), wide.end(), gRescue.finalTitle);
  gRescue.finalTitle[wide.size()] = L'\0';
  gRescue.finalTitleLength = wide.size();
}

void WindowsConsoleBackend::MoveBelowTheScreen() {
  if (lastRowsShown_ == 0) return;
  COORD lastRow{lastWindow_.Left, static_cast<SHORT>(lastWindow_.Top + lastRowsShown_ - 1)};
  DWORD written = 0;
  if (SetConsoleCursorPosition(drawn_, lastRow))
    WriteConsoleW(drawn_, L"\r\n", 2, &written, nullptr);
}

void WindowsConsoleBackend::Finish() {
  if (!active_) return;
  active_ = false;
  // The modes are given back after the last text is written, also when the
  // writing fails.
  struct RestoreWhenDone {
    ~RestoreWhenDone() { RestoreConsole(); }
  } restore;
  if (keepLastScreen_) {
    MoveBelowTheScreen();
    return;
  }
  // The screen buffer of its own goes, and the screen the program had at
  // its end is printed where the program was started.
  SetConsoleActiveScreenBuffer(gRescue.output);
  CloseOwnBuffer();
  if (shown_) WriteText(gRescue.output, LastScreenText(*shown_));
}

// A screen buffer of the window's size, made the active one, so that the
// buffer the program was started in is left as it was.
HANDLE OpenOwnBuffer(const CONSOLE_SCREEN_BUFFER_INFO& original) {
  HANDLE buffer =
      CreateConsoleScreenBuffer(GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, CONSOLE_TEXTMODE_BUFFER, nullptr);
  if (buffer == INVALID_HANDLE_VALUE) {
    throw ConsoleError(ErrorCode::DiskWriteError, "making a screen buffer");
  }
  COORD windowSize{static_cast<SHORT>(original.srWindow.Right - original.srWindow.Left + 1),
                   static_cast<SHORT>(original.srWindow.Bottom - original.srWindow.Top + 1)};
  // A buffer no larger than the window has no scroll bars; where the console
  // refuses the size, the buffer keeps its own and the window is drawn alone.
  SetConsoleScreenBufferSize(buffer, windowSize);
  SetConsoleTextAttribute(buffer, original.wAttributes);
  if (!SetConsoleActiveScreenBuffer(buffer)) {
    CloseHandle(buffer);
    throw ConsoleError(ErrorCode::DiskWriteError, "showing the screen buffer");
  }
  return buffer;
}

}  // namespace

std::unique_ptr<ConsoleBackend> MakeWindowsConsoleBackend(const ConsoleOptions& options) {
  HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  DWORD inputMode = 0;
  DWORD outputMode = 0;
  CONSOLE_SCREEN_BUFFER_INFO info;
  CONSOLE_CURSOR_INFO cursor;
  if (!GetConsoleMode(input, &inputMode) || !GetConsoleMode(output, &outputMode) ||
      !GetConsoleScreenBufferInfo(output, &info) || !GetConsoleCursorInfo(output, &cursor)) {
    return nullptr;
  }
  RestoreConsole();  // an earlier backend's, should one still be armed
  gRescue.input = input;
  gRescue.output = output;
  gRescue.ownBuffer = !options.keepLastScreen;
  gRescue.inputMode = inputMode;
  gRescue.outputMode = outputMode;
  gRescue.cursor = cursor;
  gRescue.finalTitleLength = 0;
  InstallRescue();
  gRescue.armed = true;

  // Keys come one by one, unechoed, Ctrl+C among them and not as a signal,
  // cursor keys as key events rather than escape sequences, and window
  // sizes as events; the mouse stays with the console for selecting text.
  DWORD keysMode = (inputMode & ~static_cast<DWORD>(ENABLE_PROCESSED_INPUT | ENABLE_LINE_INPUT |
                                                    ENABLE_ECHO_INPUT | ENABLE_MOUSE_INPUT |
                                                    ENABLE_VIRTUAL_TERMINAL_INPUT)) |
                   ENABLE_WINDOW_INPUT;
  if (!SetConsoleMode(input, keysMode)) {
    RestoreConsole();
    throw ConsoleError(ErrorCode::DiskReadError, "setting the keyboard mode");
  }
  // The bell and the last screen's line ends are written as text.
  SetConsoleMode(output, outputMode | ENABLE_PROCESSED_OUTPUT);
  HANDLE drawn = output;
  if (!options.keepLastScreen) {
    try {
      drawn = OpenOwnBuffer(info);
    } catch (...) {
      RestoreConsole();
      throw;
    }
  }
  CONSOLE_CURSOR_INFO shownCursor{cursor.dwSize, TRUE};
  SetConsoleCursorInfo(drawn, &shownCursor);
  return std::make_unique<WindowsConsoleBackend>(options, input, drawn, info.wAttributes);
}

}  // namespace vantor
