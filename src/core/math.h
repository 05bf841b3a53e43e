// Float vectors and matrices that drawing and layout code passes around by value.
// Points are row vectors: a point maps as p·M, so in a product A·B the transform A applies first.
// A TMat3 holds a 2D affine map: rows 0 and 1 are the linear part, row 2 the translation.
#pragma once

struct TVec3;

struct TVec2 {
  float x = 0.0f;
  float y = 0.0f;

  constexpr TVec2() = default;
  constexpr TVec2(float ax, float ay) : x(ax), y(ay) {}
  constexpr explicit TVec2(const TVec3& v);

  constexpr TVec2& operator+=(const TVec2& o) { x += o.x; y += o.y; return *this; }
  constexpr TVec2& operator*=(float s) { x *= s; y *= s; return *this; }
  constexpr TVec2 operator-() const { return {-x, -y}; }
  constexpr TVec2 operator+(const TVec2& o) const { return {x + o.x, y + o.y}; }
  constexpr TVec2 operator*(float s) const { return {x * s, y * s}; }
  constexpr bool operator==(const TVec2&) const = default;
};

struct TVec3 {
  float x = 0.0f;
  float y = 0.0f;
  float z = 0.0f;

  constexpr TVec3() = default;
  constexpr TVec3(float ax, float ay, float az) : x(ax), y(ay), z(az) {}
  constexpr TVec3(const TVec2& v, float az) : x(v.x), y(v.y), z(az) {}

  constexpr TVec3& operator+=(const TVec3& o) { x += o.x; y += o.y; z += o.z; return *this; }
  constexpr TVec3 operator+(const TVec3& o) const { return {x + o.x, y + o.y, z + o.z}; }
  constexpr bool operator==(const TVec3&) const = default;
};

constexpr TVec2::TVec2(const TVec3& v) : x(v.x), y(v.y) {}

// Four floats; as a colour: red, green, blue, alpha in 0..1 (see TColor for the packed form).
struct TVec4 {
  float x = 0.0f;
  float y = 0.0f;
  float z = 0.0f;
  float w = 0.0f;

  constexpr TVec4() = default;
  constexpr TVec4(float ax, float ay, float az, float aw) : x(ax), y(ay), z(az), w(aw) {}
  constexpr bool operator==(const TVec4&) const = default;
};

// 2D affine matrix; default-constructed it is the identity.
struct TMat3 {
  TVec3 row[3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};

  constexpr TMat3() = default;
  constexpr TMat3(float m00, float m01, float m02, float m10, float m11, float m12, float m20,
                  float m21, float m22)
      : row{{m00, m01, m02}, {m10, m11, m12}, {m20, m21, m22}} {}

  static constexpr TMat3 Identity() { return TMat3(); }
  // Rows (cos a, sin a, 0), (-sin a, cos a, 0), (0, 0, 1); a in radians.
  static TMat3 Rotation(float angle);

  // The full 3x3 product: *this applied first, then o.
  TMat3 operator*(const TMat3& o) const;
  // Replace the linear part L by L·R(angle) / L·(s on the diagonal); the translation row stays.
  TMat3& Rotate(float angle);
  TMat3& Scale(float factor);

  TVec2 GetTranslation() const { return TVec2(row[2]); }
  void SetTranslation(const TVec2& t) { row[2].x = t.x; row[2].y = t.y; }

  bool operator==(const TMat3&) const = default;

 private:
  TMat3& MultiplyLinear(float a00, float a01, float a10, float a11);
};

// (x·m00 + y·m10 + m20, x·m01 + y·m11 + m21).
TVec2 TransformPoint(const TMat3& m, const TVec2& p);

// 4x4 matrix of TVec4 rows, row-vector convention like TMat3. Default-constructed it is all zeros.
struct TMat4 {
  TVec4 row[4];

  static TMat4 Identity();
  // Perspective projection: near and far planes, field of view in radians, aspect factor and the
  // projection centre's offset (ox, oy), each in -1..1 with 0 the middle of the view.
  TMat4& SetPerspective(float nearZ, float farZ, float fov, float aspect, const TVec2& offset);

  bool operator==(const TMat4&) const = default;
};
