// Finds, reads and answers message boxes and other top-level windows for the
// Wine test bench.
//
//   boxes.exe list                        visible top-level windows: handle, class, caption
//   boxes.exe wait CAPTION MS             until a visible window with that caption exists
//   boxes.exe gone CAPTION MS             until no visible window with that caption exists
//   boxes.exe absent CAPTION MS           succeeds if none appears during MS milliseconds
//   boxes.exe text CAPTION MS             body text of the box (static control 65535)
//   boxes.exe buttons CAPTION MS          one line per button: control id, tab, text
//   boxes.exe press CAPTION ID MS         clicks the button with that control id and
//                                         waits until the box has closed
//   boxes.exe help CAPTION MS             asks the box for help as the F1 key does; the
//                                         box stays open
//   boxes.exe record STOPFILE MS          until STOPFILE exists (at most MS milliseconds), one
//                                         line per window that becomes visible after the start:
//                                         handle, class, caption; "recording" first, once the
//                                         windows already visible are known
//
// text and buttons take the window with that caption that has a body text, press the one that
// has the button: a dialog and the box it opened may share a caption.
//
// CAPTION is compared exactly (case-sensitively, the whole caption) and may be
// given as "hex:" plus its UTF-8 bytes in hexadecimal. Output is UTF-8.
// Exit codes: 0 done, 1 timed out or (absent) a window appeared, 2 no such
// button, 3 the box did not close after the click, 64 bad usage.
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_tool.h"

namespace {

using bench::ClassOf;
using bench::kMessageTimeout;
using bench::kPollMilliseconds;

constexpr int kBodyTextId = 0xFFFF;

// Reads a window's text with WM_GETTEXT, which reaches windows of other
// processes, with a timeout so that a hung owner cannot hang the bench.
std::wstring TextOf(HWND window) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kMessageTimeout,
                           &length)) {
    return {};
  }
  std::wstring text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(text.data()),
                           SMTO_ABORTIFHUNG, kMessageTimeout, &copied)) {
    return {};
  }
  text.resize(copied);
  return text;
}

struct Search {
  const std::wstring* caption = nullptr;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectTopLevel(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<Search*>(context);
  if (!IsWindowVisible(window)) return TRUE;
  if (search->caption == nullptr || TextOf(window) == *search->caption) {
    search->found.push_back(window);
  }
  return TRUE;
}

std::vector<HWND> VisibleWindows(const std::wstring* caption) {
  Search search;
  search.caption = caption;
  EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// The first visible window with that caption; with a control id, the first one that has that
// control (a dialog and the box it opened may share a caption: the box has the body text and its
// buttons).
HWND FindVisible(const std::wstring& caption, int control = 0) {
  for (HWND window : VisibleWindows(&caption)) {
    if (control == 0 || GetDlgItem(window, control)) return window;
  }
  return nullptr;
}

// Waits for a window with that caption (and that control); at the timeout a window with the
// caption alone is still returned, so that the caller can tell what it lacks.
HWND WaitForWindow(const std::wstring& caption, DWORD milliseconds, int control = 0) {
  const ULONGLONG deadline = GetTickCount64() + milliseconds;
  for (;;) {
    if (HWND window = FindVisible(caption, control)) return window;
    if (GetTickCount64() >= deadline) return FindVisible(caption);
    Sleep(kPollMilliseconds);
  }
}

bool WaitUntilClosed(HWND window, DWORD milliseconds) {
  const ULONGLONG deadline = GetTickCount64() + milliseconds;
  while (IsWindow(window) && IsWindowVisible(window)) {
    if (GetTickCount64() >= deadline) return false;
    Sleep(kPollMilliseconds);
  }
  return true;
}

std::wstring Hex(HWND window) {
  wchar_t text[32];
  wsprintfW(text, L"0x%08lx", static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(window)));
  return text;
}

struct Buttons {
  std::vector<HWND> windows;
};

BOOL CALLBACK CollectButtons(HWND window, LPARAM context) {
  if (_wcsicmp(ClassOf(window).c_str(), L"Button") == 0) {
    reinterpret_cast<Buttons*>(context)->windows.push_back(window);
  }
  return TRUE;
}

std::vector<HWND> ButtonsOf(HWND box) {
  Buttons buttons;
  EnumChildWindows(box, CollectButtons, reinterpret_cast<LPARAM>(&buttons));
  return buttons.windows;
}

int Usage() {
  bench::WriteUtf8(STD_ERROR_HANDLE,
                   L"usage: boxes list | wait|gone|absent|text|buttons|help CAPTION MS"
                   L" | press CAPTION ID MS\n");
  return 64;
}

int TimedOut(const std::wstring& caption) {
  bench::WriteUtf8(STD_ERROR_HANDLE, L"boxes: no window \"" + caption + L"\"\n");
  return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return Usage();
  const std::wstring command = argv[1];

  if (command == L"list") {
    for (HWND window : VisibleWindows(nullptr)) {
      bench::WriteUtf8(STD_OUTPUT_HANDLE,
                       Hex(window) + L"\t" + ClassOf(window) + L"\t" + TextOf(window) + L"\n");
    }
    return 0;
  }

  if (argc < 4) return Usage();
  if (command == L"record") {
    const std::wstring stopFile = bench::DecodeArgument(argv[2]);
    const ULONGLONG deadline = GetTickCount64() + wcstoul(argv[3], nullptr, 10);
    std::vector<HWND> seen = VisibleWindows(nullptr);
    bench::WriteUtf8(STD_OUTPUT_HANDLE, L"recording\n");
    while (GetFileAttributesW(stopFile.c_str()) == INVALID_FILE_ATTRIBUTES && GetTickCount64() < deadline) {
      for (HWND window : VisibleWindows(nullptr)) {
        if (std::find(seen.begin(), seen.end(), window) != seen.end()) continue;
        seen.push_back(window);
        bench::WriteUtf8(STD_OUTPUT_HANDLE, Hex(window) + L"\t" + ClassOf(window) + L"\t" + TextOf(window) + L"\n");
      }
      Sleep(kPollMilliseconds);
    }
    return 0;
  }
  const std::wstring caption = bench::DecodeArgument(argv[2]);
  const DWORD milliseconds = static_cast<DWORD>(wcstoul(argv[argc - 1], nullptr, 10));

  if (command == L"wait") {
    return WaitForWindow(caption, milliseconds) ? 0 : TimedOut(caption);
  }
  if (command == L"gone") {
    const ULONGLONG deadline = GetTickCount64() + milliseconds;
    while (FindVisible(caption)) {
      if (GetTickCount64() >= deadline) {
        bench::WriteUtf8(STD_ERROR_HANDLE, L"boxes: \"" + caption + L"\" is still open\n");
        return 1;
      }
      Sleep(kPollMilliseconds);
    }
    return 0;
  }
  if (command == L"absent") {
    const ULONGLONG deadline = GetTickCount64() + milliseconds;
    do {
      if (HWND window = FindVisible(caption)) {
        bench::WriteUtf8(STD_OUTPUT_HANDLE, Hex(window) + L"\t" + TextOf(GetDlgItem(window,
                                                                                 kBodyTextId)) +
                                                L"\n");
        return 1;
      }
      Sleep(kPollMilliseconds);
    } while (GetTickCount64() < deadline);
    return 0;
  }

  if (command == L"text" || command == L"buttons") {
    HWND box = WaitForWindow(caption, milliseconds, kBodyTextId);
    if (!box) return TimedOut(caption);
    if (command == L"text") {
      HWND body = GetDlgItem(box, kBodyTextId);
      bench::WriteUtf8(STD_OUTPUT_HANDLE, body ? TextOf(body) : std::wstring());
      return 0;
    }
    for (HWND button : ButtonsOf(box)) {
      bench::WriteUtf8(STD_OUTPUT_HANDLE, std::to_wstring(GetDlgCtrlID(button)) + L"\t" +
                                              TextOf(button) + L"\n");
    }
    return 0;
  }

  if (command == L"help") {
    HWND box = WaitForWindow(caption, milliseconds);
    if (!box) return TimedOut(caption);
    // What the system sends a window for F1. Wine's message box does nothing for its Help
    // button, but handles this like Windows: WM_HELP goes to the box's owner.
    constexpr UINT kKeyF1 = 0x004D;  // WM_KEYF1
    PostMessageW(box, kKeyF1, 0, 0);
    return 0;
  }

  if (command == L"press" && argc == 5) {
    const int id = _wtoi(argv[3]);
    HWND box = WaitForWindow(caption, milliseconds, id);
    if (!box) return TimedOut(caption);
    HWND button = GetDlgItem(box, id);
    if (!button) {
      bench::WriteUtf8(STD_ERROR_HANDLE, L"boxes: \"" + caption + L"\" has no button " +
                                             std::to_wstring(id) + L"\n");
      return 2;
    }
    // A posted WM_COMMAND with BN_CLICKED is what the button itself sends when
    // it is clicked; unlike BM_CLICK it does not depend on focus or activation.
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
    if (!WaitUntilClosed(box, milliseconds)) {
      bench::WriteUtf8(STD_ERROR_HANDLE, L"boxes: \"" + caption + L"\" did not close\n");
      return 3;
    }
    return 0;
  }
  return Usage();
}
