// Shows the language dialog's template from a setup executable with a minimal procedure, so that
// a test can read the controls the template makes and see what working them sends:
//
//   dialog_probe.exe SETUP-EXE LOG
//
// The dialog (101) is loaded from SETUP-EXE's resources, the executable opened as a data file.
// The procedure puts three items into the language list (1003) and selects the first; it appends
// a line to LOG (UTF-8) for every WM_COMMAND, "command ID CODE", followed by " selection N" for
// the list and " checked N" for the check box (1004). Next (1) ends the dialog with
// "end next selection N checked N", IDCANCEL (Escape, the close box) with "end cancel".
// Ends with 0 after the dialog has ended, 2 when the executable or the dialog cannot be loaded,
// 64 on a wrong command line.
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "../tools/bench_tool.h"

namespace {

constexpr int kLanguageList = 1003;
constexpr int kCustomInstallation = 1004;

std::wstring logFile;

void Log(const std::wstring& line) { bench::AppendUtf8(logFile, line + L"\n"); }

std::wstring State(HWND dialog) {
  return L" selection " +
         std::to_wstring(SendDlgItemMessageW(dialog, kLanguageList, CB_GETCURSEL, 0, 0)) +
         L" checked " + std::to_wstring(IsDlgButtonChecked(dialog, kCustomInstallation));
}

INT_PTR CALLBACK Procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  if (message == WM_INITDIALOG) {
    int index = 0;
    for (const wchar_t* name : {L"Dansk", L"Deutsch", L"English"}) {
      COMBOBOXEXITEMW item = {};
      item.mask = CBEIF_TEXT;
      item.iItem = index++;
      item.pszText = const_cast<wchar_t*>(name);
      SendDlgItemMessageW(dialog, kLanguageList, CBEM_INSERTITEMW, 0,
                          reinterpret_cast<LPARAM>(&item));
    }
    SendDlgItemMessageW(dialog, kLanguageList, CB_SETCURSEL, 0, 0);
    return TRUE;
  }
  if (message != WM_COMMAND) return FALSE;
  const int id = LOWORD(wparam);
  std::wstring line = L"command " + std::to_wstring(id) + L" " + std::to_wstring(HIWORD(wparam));
  if (id == kLanguageList) {
    line += L" selection " +
            std::to_wstring(SendDlgItemMessageW(dialog, kLanguageList, CB_GETCURSEL, 0, 0));
  } else if (id == kCustomInstallation) {
    line += L" checked " + std::to_wstring(IsDlgButtonChecked(dialog, kCustomInstallation));
  }
  Log(line);
  if (id == IDOK) {
    Log(L"end next" + State(dialog));
    EndDialog(dialog, IDOK);
  } else if (id == IDCANCEL) {
    Log(L"end cancel");
    EndDialog(dialog, IDCANCEL);
  }
  return id == IDOK || id == IDCANCEL;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) return 64;
  logFile = argv[2];
  const INITCOMMONCONTROLSEX classes = {sizeof(INITCOMMONCONTROLSEX), ICC_USEREX_CLASSES};
  InitCommonControlsEx(&classes);
  const HMODULE setup =
      LoadLibraryExW(argv[1], nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  if (!setup) return 2;
  const INT_PTR result =
      DialogBoxParamW(setup, MAKEINTRESOURCEW(101), nullptr, Procedure, 0);
  FreeLibrary(setup);
  return result == IDOK || result == IDCANCEL ? 0 : 2;
}
