#pragma once

#include <span>
#include <string_view>

namespace qo {

// What a window and its controls raise; Unload: the user or the system closes it.
enum class ControlEvent { Load, Unload, MouseMove, MouseDown, MouseUp, DblClick, Click, Change,
                          GotFocus, LostFocus };

// A mouse event's arguments.  Button: the button pressed or let go (1 left, 2
// right, 4 middle), or for a move the sum of the buttons held; shift: the sum of
// the keys held (1 Shift, 2 Ctrl, 4 Alt).  X and Y count from the top-left corner
// of the client area of what raised it, in the unit its window measures in
// (twips on the main window, pixels on the overlay).
struct MouseArgs {
  int button = 0, shift = 0;
  float x = 0, y = 0;
};

// Where a window's events go: its form, which routes each to a handler (an event
// of the window itself comes under the form's name).
class FormEvents {
 public:
  virtual ~FormEvents() = default;
  virtual void raise(std::wstring_view control, ControlEvent event, const MouseArgs& mouse) = 0;
};

// One row of a form's route table; routeEvent calls the handler routed for an
// event, and an event without a route is not handled.
template <class Form>
struct Route {
  std::wstring_view control;
  ControlEvent event;
  void (Form::*handler)() = nullptr;
  void (Form::*mouseHandler)(int button, int shift, float x, float y) = nullptr;
};

template <class Form>
void routeEvent(Form& form, std::span<const Route<Form>> routes, std::wstring_view control,
                ControlEvent event, const MouseArgs& mouse) {
  for (const Route<Form>& route : routes) {
    if (route.control != control || route.event != event) continue;
    if (route.handler) (form.*route.handler)();
    if (route.mouseHandler) (form.*route.mouseHandler)(mouse.button, mouse.shift, mouse.x, mouse.y);
    return;
  }
}

}  // namespace qo
