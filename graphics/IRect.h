#pragma once

/// A rectangle in editor pixels: right and bottom are exclusive. The all-zero rectangle is the
/// empty one, and only it: a rectangle of zero or negative width that is not all zero is not
/// empty (Contains then finds nothing in it, but Union and Intersects still see its edges).
struct IRect {
  int L = 0, T = 0, R = 0, B = 0;

  IRect() = default;
  IRect(int l, int t, int r, int b) : L(l), T(t), R(r), B(b) {}

  int W() const { return R - L; }
  int H() const { return B - T; }
  bool IsEmpty() const { return L == 0 && T == 0 && R == 0 && B == 0; }
  bool operator==(const IRect& o) const { return L == o.L && T == o.T && R == o.R && B == o.B; }
  bool operator!=(const IRect& o) const { return !(*this == o); }

  bool Contains(int x, int y) const { return !IsEmpty() && x >= L && x < R && y >= T && y < B; }

  /// The bounding rectangle of both; an empty side contributes nothing.
  IRect Union(const IRect& o) const {
    if (IsEmpty()) return o;
    if (o.IsEmpty()) return *this;
    return IRect(L < o.L ? L : o.L, T < o.T ? T : o.T, R > o.R ? R : o.R, B > o.B ? B : o.B);
  }

  /// Not symmetric: this rectangle's right and bottom edges count as touching o, so a control
  /// whose left edge lies on the redrawn rectangle's right edge is redrawn too. The draw pass
  /// passes the redrawn rectangle as this and the control's rectangle as o.
  bool Intersects(const IRect& o) const {
    if (IsEmpty() || o.IsEmpty()) return false;
    return R >= o.L && L < o.R && B >= o.T && T < o.B;
  }

  /// The overlap when Intersects(o), otherwise the empty rectangle. An overlap that is only an
  /// edge comes out zero wide or high.
  IRect Intersect(const IRect& o) const {
    if (!Intersects(o)) return IRect();
    return IRect(L > o.L ? L : o.L, T > o.T ? T : o.T, R < o.R ? R : o.R, B < o.B ? B : o.B);
  }
};
