// The language dialog's window (Windows build only): its procedure applies what
// language_dialog.cpp decides (layout, texts, the cancel question), fills the language list with
// the flags and draws the upgrade notice panel.
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <utility>

#include "i18n/language_packs.h"
#include "i18n/language_table.h"
#include "platform/ui.h"
#include "platform/win32/system_library.h"
#include "platform/win32/text.h"
#include "ui/language_dialog.h"

namespace {

constexpr COLORREF kHeadingColour = 0x9A3300;
constexpr COLORREF kPanelFill = 0xC0FFFF;
constexpr COLORREF kPanelBorder = 0x45EDF8;
constexpr int kFlagWidth = 16;
constexpr int kFlagHeight = 14;
constexpr int kHeadingPoints = 12;
constexpr int kBodyPoints = 8;
constexpr int kNoticeTextCapacity = 2048;
constexpr wchar_t kFontFace[] = L"Segoe UI";
constexpr int kSetupIconId = 1;  // resources/setup.rc

// The dialog's fonts and the panel's brush and pen: made once, kept until the process ends.
HFONT headingFont = nullptr;
HFONT bodyFont = nullptr;
HBRUSH panelBrush = nullptr;
HPEN panelPen = nullptr;
// The notice text holder once it has been moved into the panel; null before and without panel.
HWND noticeTextHolder = nullptr;
// The flags of the language list; the list does not own them, ShowLanguageDialog releases them.
HIMAGELIST flagImages = nullptr;

// A function of the common controls library, which is never imported (see CommonControlsLibrary).
template <typename Function>
Function CommonControlsFunction(const char* name) {
  const HMODULE comctl32 = platform::win32::CommonControlsLibrary();
  if (comctl32 == nullptr) return nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(comctl32, name)));
}
using ImageListCreateFunction = HIMAGELIST(WINAPI*)(int, int, UINT, int, int);
using ImageListAddFunction = int(WINAPI*)(HIMAGELIST, HBITMAP, HBITMAP);
using ImageListDestroyFunction = BOOL(WINAPI*)(HIMAGELIST);

std::u16string CodeAt(std::size_t position) { return kLanguages[AvailableLanguages[position].languageIndex].code; }

// The carried packs in AvailableLanguages order, each with its flag, and the default selected.
void FillLanguageList(HWND list) {
  const auto createImages = CommonControlsFunction<ImageListCreateFunction>("ImageList_Create");
  const auto addImage = CommonControlsFunction<ImageListAddFunction>("ImageList_Add");
  if (createImages != nullptr && addImage != nullptr) {
    flagImages = createImages(kFlagWidth, kFlagHeight, ILC_COLOR24, static_cast<int>(kLanguageCount), 0);
  }
  for (std::size_t position = 0; position < AvailableLanguages.size(); ++position) {
    const LanguageEntry& row = kLanguages[AvailableLanguages[position].languageIndex];
    COMBOBOXEXITEMW item{};
    item.mask = CBEIF_TEXT | CBEIF_IMAGE | CBEIF_SELECTEDIMAGE;
    item.iItem = static_cast<INT_PTR>(position);
    item.pszText = const_cast<wchar_t*>(Wide(row.displayName));
    item.iImage = static_cast<int>(position);
    item.iSelectedImage = static_cast<int>(position);
    ::SendMessageW(list, CBEM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    if (flagImages == nullptr) continue;
    const HBITMAP flag =
        ::LoadBitmapW(static_cast<HINSTANCE>(languageDialogInstance), MAKEINTRESOURCEW(row.bitmapId));
    if (flag == nullptr) continue;
    addImage(flagImages, flag, nullptr);  // copies the picture
    ::DeleteObject(flag);
  }
  if (flagImages != nullptr) ::SendMessageW(list, CBEM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(flagImages));
  ::SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(DefaultLanguagePosition()), 0);
}

// Every text of the dialog in the language `code`, its caption included.
void ApplyLanguageTexts(const std::u16string& code, HWND dialog) {
  for (const ControlText& text : LanguageDialogTexts(code, noticeTextHolder != nullptr)) {
    HWND target = text.control == kCaptionOfDialog ? dialog
                  : text.control == kNoticeTextId  ? noticeTextHolder
                                                   : ::GetDlgItem(dialog, text.control);
    ::SetWindowTextW(target, Wide(text.text));
  }
}

// The texts in the language selected in the list, redrawn at once.
void ApplySelectedLanguageTexts(HWND dialog) {
  const LRESULT position = ::SendDlgItemMessageW(dialog, kLanguageListId, CB_GETCURSEL, 0, 0);
  if (position >= 0 && static_cast<std::size_t>(position) < AvailableLanguages.size()) {
    ApplyLanguageTexts(CodeAt(static_cast<std::size_t>(position)), dialog);
  }
  // The texts stand on the picture without a background of their own: erase and redraw all.
  ::InvalidateRect(dialog, nullptr, TRUE);
  ::UpdateWindow(dialog);
}

// Points at the screen's vertical resolution, rounded up to whole pixels, as a font height.
int FontHeight(int points, int dpi) { return -((points * dpi + 71) / 72); }

void SetFonts(HWND dialog, HWND list) {
  if (headingFont == nullptr) {
    const HDC context = ::GetDC(list);
    const int dpi = ::GetDeviceCaps(context, LOGPIXELSY);
    ::ReleaseDC(list, context);
    headingFont = ::CreateFontW(FontHeight(kHeadingPoints, dpi), 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, kFontFace);
    bodyFont = ::CreateFontW(FontHeight(kBodyPoints, dpi), 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, kFontFace);
  }
  for (int id : {kHeadingWithListId, kHeadingAloneId}) {
    ::SendDlgItemMessageW(dialog, id, WM_SETFONT, reinterpret_cast<WPARAM>(headingFont), FALSE);
  }
  for (int id : {kAdviceWithListId, kAdviceAloneId, kLanguageListId, kNextButtonId, kCustomInstallBoxId,
                 kLanguageLabelId}) {
    ::SendDlgItemMessageW(dialog, id, WM_SETFONT, reinterpret_cast<WPARAM>(bodyFont), FALSE);
  }
}

// The setup's icon in the title bar and the task switcher. Shared icons: the system frees them.
void SetSetupIcons(HWND dialog) {
  const auto instance = static_cast<HINSTANCE>(languageDialogInstance);
  for (const auto& [kind, metric] : {std::pair{ICON_SMALL, SM_CXSMICON}, std::pair{ICON_BIG, SM_CXICON}}) {
    const int size = ::GetSystemMetrics(metric);
    const HANDLE icon = ::LoadImageW(instance, MAKEINTRESOURCEW(kSetupIconId), IMAGE_ICON, size, size, LR_SHARED);
    if (icon != nullptr) ::SendMessageW(dialog, WM_SETICON, kind, reinterpret_cast<LPARAM>(icon));
  }
}

void InitializeDialog(HWND dialog) {
  SetSetupIcons(dialog);
  const LanguageDialogLayout layout = ChooseLanguageDialogLayout(AvailableLanguages.size(), languageDialogAction);
  for (int id : layout.hidden) ::ShowWindow(::GetDlgItem(dialog, id), SW_HIDE);
  noticeTextHolder = nullptr;
  if (layout.upgradeNotice) {
    const HWND panel = ::GetDlgItem(dialog, kUpgradePanelId);
    const HWND icon = ::GetDlgItem(dialog, kNoticeIconId);
    const HWND text = ::GetDlgItem(dialog, kNoticeTextId);
    ::ShowWindow(icon, SW_SHOW);
    ::ShowWindow(panel, SW_SHOW);
    // Inside the panel their template positions are offsets from the panel's corner.
    ::SetParent(icon, panel);
    ::SetParent(text, panel);
    noticeTextHolder = text;
  }
  const HWND list = ::GetDlgItem(dialog, kLanguageListId);
  FillLanguageList(list);
  SetFonts(dialog, list);
  ApplyLanguageTexts(MessageLanguage(), dialog);
}

// The panel: a pale yellow rectangle with a yellow border, and the notice text in the area of its
// (hidden) text holder.
void DrawUpgradePanel(const DRAWITEMSTRUCT& item) {
  if (panelBrush == nullptr) panelBrush = ::CreateSolidBrush(kPanelFill);
  if (panelPen == nullptr) panelPen = ::CreatePen(PS_SOLID, 1, kPanelBorder);
  const HGDIOBJ oldBrush = ::SelectObject(item.hDC, panelBrush);
  const HGDIOBJ oldPen = ::SelectObject(item.hDC, panelPen);
  RECT panel{};
  ::GetClientRect(item.hwndItem, &panel);
  ::Rectangle(item.hDC, panel.left, panel.top, panel.right, panel.bottom);
  ::SelectObject(item.hDC, oldPen);
  ::SelectObject(item.hDC, oldBrush);
  if (noticeTextHolder == nullptr) return;
  RECT area{};
  ::GetWindowRect(noticeTextHolder, &area);
  ::MapWindowPoints(nullptr, item.hwndItem, reinterpret_cast<POINT*>(&area), 2);
  wchar_t text[kNoticeTextCapacity] = {};
  ::GetWindowTextW(noticeTextHolder, text, kNoticeTextCapacity);
  ::SetBkMode(item.hDC, TRANSPARENT);
  ::DrawTextW(item.hDC, text, -1, &area, DT_NOPREFIX | DT_WORDBREAK);
}

INT_PTR OnCommand(HWND dialog, int id, int notification) {
  switch (id) {
    case kNextButtonId:
      customInstallation = ::IsDlgButtonChecked(dialog, kCustomInstallBoxId) == BST_CHECKED;
      ::EndDialog(dialog, ::SendDlgItemMessageW(dialog, kLanguageListId, CB_GETCURSEL, 0, 0));
      return TRUE;
    case kCancelCommandId:
      if (ConfirmDialogCancel(dialog)) ::EndDialog(dialog, -1);
      return TRUE;
    case kLanguageListId:
      if (notification == CBN_SELCHANGE) {
        ApplySelectedLanguageTexts(dialog);
      } else if (notification == CBN_CLOSEUP) {
        // A list closed with Escape may keep the item that was only highlighted, without a change
        // notice (Wine's does): the texts follow what the list shows, which Next installs.
        ApplySelectedLanguageTexts(dialog);
        ::SetFocus(::GetDlgItem(dialog, kNextButtonId));
      }
      return FALSE;
    default:
      return FALSE;
  }
}

INT_PTR CALLBACK LanguageDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      InitializeDialog(dialog);
      return TRUE;  // the system sets the default focus
    case WM_CTLCOLORSTATIC: {
      // The texts stand on the picture: no background of their own, not even behind the letters.
      const HDC context = reinterpret_cast<HDC>(wParam);
      switch (::GetDlgCtrlID(reinterpret_cast<HWND>(lParam))) {
        case kHeadingWithListId:
        case kHeadingAloneId:
          ::SetTextColor(context, kHeadingColour);
          ::SetBkMode(context, TRANSPARENT);
          return reinterpret_cast<INT_PTR>(::GetStockObject(NULL_BRUSH));
        case kAdviceWithListId:
        case kAdviceAloneId:
        case kLanguageLabelId:
          ::SetBkMode(context, TRANSPARENT);
          return reinterpret_cast<INT_PTR>(::GetStockObject(NULL_BRUSH));
        default:
          return FALSE;
      }
    }
    case WM_DRAWITEM: {
      const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (item.CtlID == static_cast<UINT>(kUpgradePanelId)) DrawUpgradePanel(item);
      return FALSE;
    }
    case WM_COMMAND:
      return OnCommand(dialog, LOWORD(wParam), HIWORD(wParam));
    default:
      return FALSE;
  }
}

}  // namespace

int ShowLanguageDialog(platform::InstanceHandle instance) {
  // The list is a ComboBoxEx32: its class must be registered before the dialog creates it.
  platform::InitCommonControlsStandard();
  const INT_PTR result = ::DialogBoxParamW(static_cast<HINSTANCE>(instance), MAKEINTRESOURCEW(kLanguageDialogId),
                                           nullptr, LanguageDialog, 0);
  noticeTextHolder = nullptr;
  if (flagImages != nullptr) {
    if (const auto destroy = CommonControlsFunction<ImageListDestroyFunction>("ImageList_Destroy")) destroy(flagImages);
    flagImages = nullptr;
  }
  return static_cast<int>(result);
}
