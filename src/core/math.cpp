// Matrix operations of the value types in math.h.
#include "core/math.h"

#include <cmath>

TMat3 TMat3::Rotation(float angle) {
  float c = std::cos(angle);
  float s = std::sin(angle);
  return TMat3(c, s, 0, -s, c, 0, 0, 0, 1);
}

TMat3 TMat3::operator*(const TMat3& o) const {
  TMat3 r;
  for (int i = 0; i < 3; ++i) {
    const TVec3& a = row[i];
    r.row[i] = TVec3(a.x * o.row[0].x + a.y * o.row[1].x + a.z * o.row[2].x,
                     a.x * o.row[0].y + a.y * o.row[1].y + a.z * o.row[2].y,
                     a.x * o.row[0].z + a.y * o.row[1].z + a.z * o.row[2].z);
  }
  return r;
}

TMat3& TMat3::MultiplyLinear(float a00, float a01, float a10, float a11) {
  for (int i = 0; i < 2; ++i) {
    float x = row[i].x;
    float y = row[i].y;
    row[i].x = x * a00 + y * a10;
    row[i].y = x * a01 + y * a11;
  }
  return *this;
}

TMat3& TMat3::Rotate(float angle) {
  float c = std::cos(angle);
  float s = std::sin(angle);
  return MultiplyLinear(c, s, -s, c);
}

TMat3& TMat3::Scale(float factor) { return MultiplyLinear(factor, 0, 0, factor); }

TVec2 TransformPoint(const TMat3& m, const TVec2& p) {
  return {p.x * m.row[0].x + p.y * m.row[1].x + m.row[2].x,
          p.x * m.row[0].y + p.y * m.row[1].y + m.row[2].y};
}

TMat4 TMat4::Identity() {
  TMat4 m;
  m.row[0] = {1, 0, 0, 0};
  m.row[1] = {0, 1, 0, 0};
  m.row[2] = {0, 0, 1, 0};
  m.row[3] = {0, 0, 0, 1};
  return m;
}

TMat4& TMat4::SetPerspective(float nearZ, float farZ, float fov, float aspect, const TVec2& offset) {
  float c = std::cos(fov * 0.5f) / std::sin(fov * 0.5f);
  float depth = farZ / (farZ - nearZ);
  // The centre shift of each axis; an offset at the very edge would divide by zero, so it pins to
  // -10000 instead. The x offset is negated, the y offset is not.
  float ax = std::fabs(offset.x);
  float ay = std::fabs(offset.y);
  float x = ax == 1.0f ? -10000.0f : -offset.x / (1.0f - ax);
  float y = ay == 1.0f ? -10000.0f : offset.y / (1.0f - ay);
  row[0] = {c * aspect, 0, 0, 0};
  row[1] = {0, c, 0, 0};
  row[2] = {x, y, depth, 1};
  row[3] = {0, 0, -nearZ * depth, 0};
  return *this;
}
