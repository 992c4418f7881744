#pragma once

/// Buttons and modifier keys with a mouse event.
struct IMouseState {
  bool L = false;  // left button down
  bool R = false;  // right button down
  bool S = false;  // Shift
  bool C = false;  // Control
  bool A = false;  // Alt

  IMouseState() = default;
  IMouseState(bool l, bool r, bool s, bool c, bool a) : L(l), R(r), S(s), C(c), A(a) {}
};
