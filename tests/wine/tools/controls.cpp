// Lists and works the controls of a dialog for the Wine test bench.
//
//   controls.exe list WINDOW MS              one line per control (below)
//   controls.exe select WINDOW ID INDEX MS   picks item INDEX of a (ComboBoxEx32 or ComboBox)
//                                            list as a user's pick in its drop-down does
//   controls.exe click WINDOW ID MS          posts BM_CLICK to the control
//   controls.exe check WINDOW ID STATE MS    clicks a check box until its state is STATE (0 or 1)
//   controls.exe close WINDOW MS             the close box: posts WM_SYSCOMMAND SC_CLOSE
//   controls.exe key WINDOW VK MS            a key typed in the window (VK: the virtual key
//                                            code): WM_KEYDOWN and WM_KEYUP are posted to the
//                                            control with the focus, where the dialog's
//                                            message loop meets them as it meets typed keys
//
// WINDOW is a visible top-level window's caption, compared exactly, or "class:" and a window
// class ("class:#32770" for the first visible dialog); either may be given as "hex:" plus its
// UTF-8 bytes in hexadecimal. Every command waits up to MS milliseconds for the window.
//
// list prints the window itself as control 0, then every child control, children of children
// included, in window order, tab-separated:
//
//   ID  PARENT-ID  CLASS  visible|hidden  enabled|disabled  LEFT,TOP,RIGHT,BOTTOM  TEXT  [EXTRA...]
//
// PARENT-ID is 0 for the window's own controls. visible is the control's own WS_VISIBLE style.
// The rectangle is in the window's client coordinates. Tabs, line breaks and backslashes in
// texts appear as \t, \r, \n and \\; a picture's text is its resource id as "#202". A
// ComboBoxEx32 adds "selected=N" (-1 for none) and then one field per item text; a check box or
// radio button adds "checked=0|1|2"; a picture static adds "image=1" when it holds an image,
// else "image=0".
//
// Exit codes: 0 done, 1 no such window in time, 2 no control with that id, 3 the control did
// not do what was asked (no such item, not a list or check box, a message not answered, the
// state did not change), 64 bad usage. Output is UTF-8.
#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "bench_tool.h"

namespace {

using bench::ClassOf;
using bench::kMessageTimeout;
using bench::kPollMilliseconds;

constexpr int kItemTextLength = 1024;

// Sends a message with a timeout, so that a hung or blocked owner cannot hang the bench.
// Returns false when the message was not answered.
bool Send(HWND window, UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result = nullptr) {
  DWORD_PTR answer = 0;
  if (!SendMessageTimeoutW(window, message, wparam, lparam, SMTO_ABORTIFHUNG, kMessageTimeout,
                           &answer)) {
    return false;
  }
  if (result) *result = static_cast<LRESULT>(answer);
  return true;
}

// WM_GETTEXT reaches windows of other processes: the system copies the text across.
std::wstring TextOf(HWND window) {
  LRESULT length = 0;
  if (!Send(window, WM_GETTEXTLENGTH, 0, 0, &length) || length < 0) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  LRESULT copied = 0;
  if (!Send(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), &copied)) {
    return {};
  }
  text.resize(static_cast<std::size_t>(copied));
  return text;
}

// One line per control: tabs, line breaks and backslashes escaped, other control characters as
// \xNN.
std::wstring Escape(const std::wstring& text) {
  std::wstring out;
  for (wchar_t c : text) {
    switch (c) {
      case L'\t': out += L"\\t"; break;
      case L'\r': out += L"\\r"; break;
      case L'\n': out += L"\\n"; break;
      case L'\\': out += L"\\\\"; break;
      default:
        if (c < 0x20) {
          wchar_t code[8];
          wsprintfW(code, L"\\x%02x", static_cast<unsigned>(c));
          out += code;
        } else {
          out += c;
        }
    }
  }
  return out;
}

// The text a control shows. A picture static's text is the image's resource name, which a
// template gives as an ordinal (0xFFFF and the id): that is shown as "#id". An owner-drawn combo
// box without strings (the one inside a ComboBoxEx32) has no text.
std::wstring ShownText(HWND control) {
  const LONG style = GetWindowLongW(control, GWL_STYLE);
  if (_wcsicmp(ClassOf(control).c_str(), L"ComboBox") == 0 &&
      (style & (CBS_OWNERDRAWFIXED | CBS_OWNERDRAWVARIABLE)) && !(style & CBS_HASSTRINGS)) {
    return {};
  }
  const std::wstring text = TextOf(control);
  if (text.size() >= 2 && text[0] == 0xFFFF) return L"#" + std::to_wstring(text[1]);
  return text;
}

bool IsPicture(HWND control) {
  const LONG type = GetWindowLongW(control, GWL_STYLE) & SS_TYPEMASK;
  return _wcsicmp(ClassOf(control).c_str(), L"Static") == 0 &&
         (type == SS_BITMAP || type == SS_ICON || type == SS_ENHMETAFILE);
}

// Memory in the process that owns a window, for messages whose parameters point to structures
// the system does not copy across processes (CBEM_GETITEMW). Both processes are 32-bit.
class RemoteBuffer {
 public:
  RemoteBuffer(HWND window, SIZE_T size) {
    DWORD process_id = 0;
    GetWindowThreadProcessId(window, &process_id);
    process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE,
                           process_id);
    if (process_) {
      address_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE,
                                PAGE_READWRITE);
    }
  }
  ~RemoteBuffer() {
    if (address_) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    if (process_) CloseHandle(process_);
  }
  RemoteBuffer(const RemoteBuffer&) = delete;
  RemoteBuffer& operator=(const RemoteBuffer&) = delete;

  bool valid() const { return address_ != nullptr; }
  char* address() const { return static_cast<char*>(address_); }
  bool Write(SIZE_T offset, const void* data, SIZE_T size) const {
    return WriteProcessMemory(process_, address() + offset, data, size, nullptr) != 0;
  }
  bool Read(SIZE_T offset, void* data, SIZE_T size) const {
    return ReadProcessMemory(process_, address() + offset, data, size, nullptr) != 0;
  }

 private:
  HANDLE process_ = nullptr;
  void* address_ = nullptr;
};

// The item texts of a ComboBoxEx32, read through CBEM_GETITEMW with the item structure and the
// text buffer placed in the control's own process.
std::vector<std::wstring> ComboBoxExItems(HWND combo) {
  std::vector<std::wstring> items;
  LRESULT count = 0;
  if (!Send(combo, CB_GETCOUNT, 0, 0, &count) || count <= 0) return items;
  const SIZE_T text_offset = sizeof(COMBOBOXEXITEMW);
  RemoteBuffer remote(combo, text_offset + kItemTextLength * sizeof(wchar_t));
  if (!remote.valid()) return items;
  for (LRESULT index = 0; index < count; ++index) {
    COMBOBOXEXITEMW item = {};
    item.mask = CBEIF_TEXT;
    item.iItem = index;
    item.pszText = reinterpret_cast<LPWSTR>(remote.address() + text_offset);
    item.cchTextMax = kItemTextLength;
    const wchar_t nothing = L'\0';
    wchar_t text[kItemTextLength] = {};
    LRESULT found = 0;
    if (!remote.Write(0, &item, sizeof item) || !remote.Write(text_offset, &nothing, sizeof nothing) ||
        !Send(combo, CBEM_GETITEMW, 0, reinterpret_cast<LPARAM>(remote.address()), &found) ||
        !found || !remote.Read(text_offset, text, sizeof text)) {
      items.push_back(L"?");
      continue;
    }
    text[kItemTextLength - 1] = L'\0';
    items.push_back(text);
  }
  return items;
}

bool IsCheckable(HWND control) {
  if (_wcsicmp(ClassOf(control).c_str(), L"Button") != 0) return false;
  const LONG type = GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK;
  return type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_3STATE ||
         type == BS_AUTO3STATE || type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
}

std::wstring Line(HWND window, HWND control) {
  const bool self = control == window;
  const HWND parent = GetParent(control);
  const int id = self ? 0 : GetDlgCtrlID(control);
  const int parent_id = self || parent == window ? 0 : GetDlgCtrlID(parent);
  RECT rect = {};
  if (self) {
    GetClientRect(window, &rect);
  } else {
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&rect), 2);
  }
  const bool visible = (GetWindowLongW(control, GWL_STYLE) & WS_VISIBLE) != 0;
  std::wstring line = std::to_wstring(id) + L"\t" + std::to_wstring(parent_id) + L"\t" +
                      ClassOf(control) + L"\t" + (visible ? L"visible" : L"hidden") + L"\t" +
                      (IsWindowEnabled(control) ? L"enabled" : L"disabled") + L"\t" +
                      std::to_wstring(rect.left) + L"," + std::to_wstring(rect.top) + L"," +
                      std::to_wstring(rect.right) + L"," + std::to_wstring(rect.bottom) + L"\t" +
                      Escape(self ? TextOf(control) : ShownText(control));
  if (!self && ClassOf(control) == WC_COMBOBOXEXW) {
    LRESULT selected = CB_ERR;
    Send(control, CB_GETCURSEL, 0, 0, &selected);
    line += L"\tselected=" + std::to_wstring(selected);
    for (const std::wstring& item : ComboBoxExItems(control)) line += L"\t" + Escape(item);
  } else if (!self && IsCheckable(control)) {
    LRESULT state = 0;
    Send(control, BM_GETCHECK, 0, 0, &state);
    line += L"\tchecked=" + std::to_wstring(state);  } else if (!self && IsPicture(control)) {
    // The handle belongs to the other process: only whether there is one can be told.
    LRESULT image = 0;
    const WPARAM kind = (GetWindowLongW(control, GWL_STYLE) & SS_TYPEMASK) == SS_BITMAP
                            ? IMAGE_BITMAP
                            : IMAGE_ICON;
    Send(control, STM_GETIMAGE, kind, 0, &image);
    line += image ? L"\timage=1" : L"\timage=0";
  }
  return line + L"\n";
}

BOOL CALLBACK CollectChild(HWND control, LPARAM context) {
  reinterpret_cast<std::vector<HWND>*>(context)->push_back(control);
  return TRUE;
}

// Every descendant of the window: EnumChildWindows walks children of children too, each right
// after its parent.
std::vector<HWND> ControlsOf(HWND window) {
  std::vector<HWND> controls;
  EnumChildWindows(window, CollectChild, reinterpret_cast<LPARAM>(&controls));
  return controls;
}

HWND FindControl(HWND window, int id) {
  for (HWND control : ControlsOf(window)) {
    if (GetDlgCtrlID(control) == id) return control;
  }
  return nullptr;
}

struct Search {
  std::wstring caption;
  std::wstring window_class;
  HWND found = nullptr;
};

BOOL CALLBACK MatchTopLevel(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<Search*>(context);
  if (!IsWindowVisible(window)) return TRUE;
  const bool match = search->window_class.empty() ? TextOf(window) == search->caption
                                                  : ClassOf(window) == search->window_class;
  if (!match) return TRUE;
  search->found = window;
  return FALSE;
}

HWND WaitForWindow(const std::wstring& name, DWORD milliseconds) {
  Search search;
  if (name.rfind(L"class:", 0) == 0) {
    search.window_class = name.substr(6);
  } else {
    search.caption = name;
  }
  const ULONGLONG deadline = GetTickCount64() + milliseconds;
  for (;;) {
    EnumWindows(MatchTopLevel, reinterpret_cast<LPARAM>(&search));
    if (search.found || GetTickCount64() >= deadline) return search.found;
    Sleep(kPollMilliseconds);
  }
}

int Fail(int code, const std::wstring& message) {
  bench::WriteUtf8(STD_ERROR_HANDLE, L"controls: " + message + L"\n");
  return code;
}

// What the list control sends when the user picks an item in its open drop-down, in the order
// the combo box sends them: the pick is confirmed, the list closes, the selection has changed.
// A ComboBoxEx32 gets them from its inner combo box and passes them on to its parent, as it does
// for a real pick.
int Select(HWND control, int index) {
  const std::wstring window_class = ClassOf(control);
  HWND sender = control;
  HWND receiver = GetParent(control);
  if (window_class == WC_COMBOBOXEXW) {
    LRESULT inner = 0;
    if (!Send(control, CBEM_GETCOMBOCONTROL, 0, 0, &inner) || !inner) {
      return Fail(3, L"the ComboBoxEx32 has no combo box");
    }
    sender = reinterpret_cast<HWND>(inner);
    receiver = control;
  } else if (_wcsicmp(window_class.c_str(), L"ComboBox") != 0) {
    return Fail(3, L"control " + std::to_wstring(GetDlgCtrlID(control)) + L" is a " +
                       window_class + L", not a list");
  }
  LRESULT count = 0;
  if (!Send(control, CB_GETCOUNT, 0, 0, &count) || index < 0 || index >= count) {
    return Fail(3, L"no item " + std::to_wstring(index) + L" among " + std::to_wstring(count));
  }
  LRESULT selected = CB_ERR;
  if (!Send(control, CB_SETCURSEL, index, 0, &selected) || selected != index) {
    return Fail(3, L"CB_SETCURSEL " + std::to_wstring(index) + L" failed");
  }
  const WORD sender_id = static_cast<WORD>(GetDlgCtrlID(sender));
  for (const WORD code : {WORD{CBN_SELENDOK}, WORD{CBN_CLOSEUP}, WORD{CBN_SELCHANGE}}) {
    if (!Send(receiver, WM_COMMAND, MAKEWPARAM(sender_id, code),
              reinterpret_cast<LPARAM>(sender))) {
      return Fail(3, L"the notification " + std::to_wstring(code) + L" was not answered");
    }
  }
  return 0;
}

// Clicks a check box until it shows the wanted state (a three-state box may need two clicks).
int Check(HWND control, LRESULT wanted, DWORD milliseconds) {
  if (!IsCheckable(control)) return Fail(3, L"not a check box");
  const ULONGLONG deadline = GetTickCount64() + milliseconds;
  LRESULT state = -1;
  for (int clicks = 0; clicks < 3; ++clicks) {
    if (!Send(control, BM_GETCHECK, 0, 0, &state)) return Fail(3, L"BM_GETCHECK not answered");
    if (state == wanted) return 0;
    PostMessageW(control, BM_CLICK, 0, 0);
    // The click is handled by the dialog's own message loop; wait until the state changes.
    LRESULT now = state;
    while (now == state && GetTickCount64() < deadline) {
      Sleep(kPollMilliseconds);
      if (!Send(control, BM_GETCHECK, 0, 0, &now)) return Fail(3, L"BM_GETCHECK not answered");
    }
  }
  return Fail(3, L"the check box shows " + std::to_wstring(state) + L", not " +
                     std::to_wstring(wanted));
}

// Posts a key press and release to the window's focused control (the window itself when its
// thread has no focus).
int Key(HWND window, UINT key) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  HWND target = window;
  if (GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) && info.hwndFocus) {
    target = info.hwndFocus;
  }
  const UINT scan = MapVirtualKeyW(key, MAPVK_VK_TO_VSC);
  const LPARAM down = 1 | (static_cast<LPARAM>(scan) << 16);
  const LPARAM up = down | (LPARAM{1} << 30) | (LPARAM{1} << 31);
  if (!PostMessageW(target, WM_KEYDOWN, key, down) || !PostMessageW(target, WM_KEYUP, key, up)) {
    return Fail(3, L"the key could not be posted");
  }
  return 0;
}

int Usage() {
  bench::WriteUtf8(STD_ERROR_HANDLE,
                   L"usage: controls list|close WINDOW MS | click WINDOW ID MS"
                   L" | select WINDOW ID INDEX MS | check WINDOW ID 0|1 MS | key WINDOW VK MS\n");
  return 64;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 4) return Usage();
  const std::wstring command = argv[1];
  const std::wstring name = bench::DecodeArgument(argv[2]);
  const DWORD milliseconds = static_cast<DWORD>(wcstoul(argv[argc - 1], nullptr, 10));
  const bool with_id = command == L"click" || command == L"select" || command == L"check";
  const int expected_arguments = command == L"list" || command == L"close"  ? 4
                                 : command == L"click" || command == L"key" ? 5
                                 : with_id                                  ? 6
                                                                            : 0;
  if (argc != expected_arguments) return Usage();

  HWND window = WaitForWindow(name, milliseconds);
  if (!window) return Fail(1, L"no window \"" + name + L"\"");

  if (command == L"list") {
    std::wstring out = Line(window, window);
    for (HWND control : ControlsOf(window)) out += Line(window, control);
    bench::WriteUtf8(STD_OUTPUT_HANDLE, out);
    return 0;
  }
  if (command == L"close") {
    PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    return 0;
  }
  if (command == L"key") return Key(window, static_cast<UINT>(wcstoul(argv[3], nullptr, 0)));

  const int id = _wtoi(argv[3]);
  HWND control = FindControl(window, id);
  if (!control) return Fail(2, L"\"" + name + L"\" has no control " + std::to_wstring(id));
  if (command == L"click") {
    // Posted, not sent: a click may open a modal box, and the bench answers that afterwards.
    PostMessageW(control, BM_CLICK, 0, 0);
    return 0;
  }
  if (command == L"select") return Select(control, _wtoi(argv[4]));
  return Check(control, _wtoi(argv[4]), milliseconds);
}
