#include "platform/win32/skin_window_win32.h"

#include <commctrl.h>

#include <memory>
#include <optional>

#include "base/failure.h"
#include "platform/win32/services_win32.h"

namespace qo::win32 {

namespace {

// The channel to our own-drawn controls: a property of the top-level window
// holding its SkinnedWindow.
constexpr wchar_t kSkinProperty[] = L"QuillmarkOrvane.Skin";
constexpr UINT_PTR kSubclassId = 0x51534B4E;

std::optional<COLORREF> colourRef(const std::optional<Colour>& colour) {
  if (!colour) return std::nullopt;
  return static_cast<COLORREF>(*colour);
}

UniqueBrush brushFor(const std::optional<COLORREF>& colour) {
  return colour ? UniqueBrush(::CreateSolidBrush(*colour)) : UniqueBrush();
}

// A part's background and text colour, and a brush of the background.
struct PartPaint {
  PartPaint(const std::optional<COLORREF>& back, const std::optional<COLORREF>& fore)
      : background(back), text(fore), brush(brushFor(back)) {}
  std::optional<COLORREF> background;
  std::optional<COLORREF> text;
  UniqueBrush brush;
};

// Everything the skin of one window holds; lives from applySkin until the
// window's WM_NCDESTROY.
struct SkinnedWindow {
  SkinnedWindow(const SkinColours& colours, SkinChoice skinChoice)
      : choice(skinChoice),
        window(colourRef(colours.window), std::nullopt),
        label(colourRef(colours.label), colourRef(colours.text)),
        edit(colourRef(colours.edit), colourRef(colours.editText)),
        frameBackground(colourRef(colours.frame)),
        frameText(colourRef(colours.text)),
        buttonBackground(colourRef(colours.button)),
        buttonText(colourRef(colours.buttonText)) {}

  SkinChoice choice;
  PartPaint window;
  PartPaint label;
  PartPaint edit;
  std::optional<COLORREF> frameBackground;
  std::optional<COLORREF> frameText;
  std::optional<COLORREF> buttonBackground;
  std::optional<COLORREF> buttonText;
};

bool isClass(HWND window, const wchar_t* name) {
  wchar_t className[32] = {};
  ::GetClassNameW(window, className, 32);
  return sameIgnoringCase(className, name);
}

// The paint for a standard control asking its colours, or none to leave it be.
// Under high contrast the skin steps aside for the scheme's own colours.
const PartPaint* paintForControl(const SkinnedWindow& skin, HWND control) {
  if (!skin.choice.controls || highContrastOn()) return nullptr;
  if (isClass(control, L"Edit")) return &skin.edit;
  if (isClass(control, L"Static") || isClass(control, L"Button")) return &skin.label;
  return nullptr;
}

std::optional<LRESULT> controlColour(const SkinnedWindow& skin, HWND control, HDC dc) {
  const PartPaint* paint = paintForControl(skin, control);
  if (!paint || !paint->background) return std::nullopt;
  ::SetBkColor(dc, *paint->background);
  if (paint->text) ::SetTextColor(dc, *paint->text);
  return reinterpret_cast<LRESULT>(paint->brush.get());
}

// The skin of the top-level window that control belongs to, if it has one and
// high contrast is off.
const SkinnedWindow* skinOf(HWND control) {
  if (highContrastOn()) return nullptr;
  return static_cast<const SkinnedWindow*>(
      ::GetPropW(::GetAncestor(control, GA_ROOT), kSkinProperty));
}

bool isControlColour(UINT message) {
  return message == WM_CTLCOLORSTATIC || message == WM_CTLCOLORBTN ||
         message == WM_CTLCOLOREDIT;
}

// Controls inside a container (a frame) ask it for their colours; the container
// answers from its window's skin, whether or not it would pass the question up.
LRESULT CALLBACK containerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                               DWORD_PTR) {
  if (isControlColour(message)) {
    if (const SkinnedWindow* skin = skinOf(window)) {
      if (const auto brush = controlColour(*skin, reinterpret_cast<HWND>(lParam),
                                           reinterpret_cast<HDC>(wParam))) {
        return *brush;
      }
    }
  } else if (message == WM_NCDESTROY) {
    ::RemoveWindowSubclass(window, containerProc, kSubclassId);
  }
  return ::DefSubclassProc(window, message, wParam, lParam);
}

BOOL CALLBACK subclassContainer(HWND child, LPARAM) {
  if (::GetWindow(child, GW_CHILD)) ::SetWindowSubclass(child, containerProc, kSubclassId, 0);
  return TRUE;
}

void forget(HWND window, SkinnedWindow* skin);

LRESULT CALLBACK skinProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                          DWORD_PTR data) {
  auto* skin = reinterpret_cast<SkinnedWindow*>(data);
  switch (message) {
    case WM_ERASEBKGND:
      if (skin->window.background && !highContrastOn()) {
        RECT client{};
        ::GetClientRect(window, &client);
        ::FillRect(reinterpret_cast<HDC>(wParam), &client, skin->window.brush.get());
        return 1;
      }
      break;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
      if (const auto brush = controlColour(*skin, reinterpret_cast<HWND>(lParam),
                                           reinterpret_cast<HDC>(wParam))) {
        return *brush;
      }
      break;
    case WM_NCDESTROY:
      forget(window, skin);
      break;
    default:
      break;
  }
  return ::DefSubclassProc(window, message, wParam, lParam);
}

void forget(HWND window, SkinnedWindow* skin) {
  ::RemoveWindowSubclass(window, skinProc, kSubclassId);
  ::RemovePropW(window, kSkinProperty);
  delete skin;
}

}  // namespace

void applySkin(HWND window, const SkinColours& colours, SkinChoice choice) {
  if (!::IsWindow(window)) throw Failure(L"The skin cannot be applied: no such window.");
  auto skin = std::make_unique<SkinnedWindow>(colours, choice);
  DWORD_PTR previous = 0;
  const bool hadSkin = ::GetWindowSubclass(window, skinProc, kSubclassId, &previous);
  if (!::SetPropW(window, kSkinProperty, skin.get())) {
    throw Failure(L"The skin could not be applied to the window.");
  }
  if (!::SetWindowSubclass(window, skinProc, kSubclassId,
                           reinterpret_cast<DWORD_PTR>(skin.get()))) {
    if (hadSkin) {
      ::SetPropW(window, kSkinProperty, reinterpret_cast<HANDLE>(previous));
    } else {
      ::RemovePropW(window, kSkinProperty);
    }
    throw Failure(L"The skin could not be applied to the window.");
  }
  if (hadSkin) delete reinterpret_cast<SkinnedWindow*>(previous);
  skin.release();
  ::EnumChildWindows(window, subclassContainer, 0);
  ::RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

COLORREF skinnedColour(HWND control, SkinPart part, COLORREF own) {
  const SkinnedWindow* skin = skinOf(control);
  if (!skin) return own;
  std::optional<COLORREF> colour;
  switch (part) {
    case SkinPart::FrameBackground:
      if (skin->choice.frames) colour = skin->frameBackground;
      break;
    case SkinPart::FrameText:
      if (skin->choice.frames) colour = skin->frameText;
      break;
    case SkinPart::ButtonBackground:
      if (skin->choice.buttons) colour = skin->buttonBackground;
      break;
    case SkinPart::ButtonText:
      if (skin->choice.buttons) colour = skin->buttonText;
      break;
  }
  return colour.value_or(own);
}

}  // namespace qo::win32
