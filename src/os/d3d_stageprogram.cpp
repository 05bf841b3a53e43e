#include "os/d3d_stageprogram.h"

#include <string>
#include <unordered_map>

#include "os/ddraw.h"
#include "os/gl.h"

namespace os::dd {

bool gAllowed = true;  // the test interface may turn the programs off
int gDraws = 0;

namespace {

GLuint gBound = 0;

struct Program {
  GLuint id = 0;  // 0: the states could not be compiled; the fixed-function path draws them
  GLint ref = -1;
  float lastRef = -1;
};
std::unordered_map<uint64_t, Program> gPrograms;

// One operand as the program names it: "t" the texel, "c" the diffuse colour (stage 0's current
// colour is the diffuse one); 0 for what the programs do not cover.
char OperandOf(DWORD arg) {
  if (arg & ~DWORD(D3DTA_SELECTMASK)) return 0;  // complement, alpha replicate
  switch (arg) {
    case D3DTA_TEXTURE: return 't';
    case D3DTA_DIFFUSE:
    case D3DTA_CURRENT: return 'c';
    default: return 0;
  }
}

// One half of the stage as an expression over `t` and `c`, or empty when not covered. A disabled
// half hands on the diffuse colour, as the fixed-function mapping does.
std::string HalfOf(DWORD op, DWORD arg1, DWORD arg2, const char* part) {
  char a = OperandOf(arg1), b = OperandOf(arg2);
  switch (op) {
    case D3DTOP_MODULATE:
      if (!a || !b) return {};
      return std::string(1, a) + part + " * " + b + part;
    case D3DTOP_SELECTARG1:
      if (!a) return {};
      return std::string(1, a) + part;
    case D3DTOP_SELECTARG2:
      if (!b) return {};
      return std::string(1, b) + part;
    case D3DTOP_DISABLE: return std::string("c") + part;
    default: return {};
  }
}

// The GLSL test that keeps a fragment, for a compare function; empty for "always".
std::string KeepTest(DWORD func) {
  switch (func) {
    case D3DCMP_NEVER: return "false";
    case D3DCMP_LESS: return "a < ref";
    case D3DCMP_EQUAL: return "a == ref";
    case D3DCMP_LESSEQUAL: return "a <= ref";
    case D3DCMP_GREATER: return "a > ref";
    case D3DCMP_NOTEQUAL: return "a != ref";
    case D3DCMP_GREATEREQUAL: return "a >= ref";
    default: return {};
  }
}

GLuint Compile(GLenum type, const std::string& source) {
  GLuint shader = gl::CreateShader(type);
  const char* text = source.c_str();
  gl::ShaderSource(shader, 1, &text, nullptr);
  gl::CompileShader(shader);
  GLint ok = 0;
  gl::GetShaderiv(shader, GL_COMPILE_STATUS, &ok);
  if (!ok) {
    gl::DeleteShader(shader);
    return 0;
  }
  return shader;
}

Program Build(const std::string& rgb, const std::string& alpha, const std::string& keep) {
  // The position as row dot products, the way the fixed-function transform computes it, so edges
  // through pixel centres fall as on the other path. Texture coordinates go on as the two the
  // stage reads; the colour stays the built-in one, which flat shading applies to.
  static const char* kVertex =
      "varying vec2 uv;\n"
      "void main() {\n"
      "  mat4 m = gl_ModelViewProjectionMatrixTranspose;\n"
      "  gl_Position = vec4(dot(m[0], gl_Vertex), dot(m[1], gl_Vertex), dot(m[2], gl_Vertex), dot(m[3], gl_Vertex));\n"
      "  gl_FrontColor = gl_Color;\n"
      "  uv = gl_MultiTexCoord0.xy;\n"
      "}\n";
  std::string fragment =
      "varying vec2 uv;\n"
      "uniform sampler2D tex;\n"
      "uniform float ref;\n"
      "void main() {\n"
      "  vec4 t = texture2D(tex, uv);\n"
      "  vec4 c = gl_Color;\n"
      "  vec4 o = vec4(" + rgb + ", " + alpha + ");\n";
  // A fragment the test would drop adds nothing under source-alpha blending once transparent. The
  // test compares alpha as the target stores it: rounded to a byte, as the reference is.
  if (!keep.empty()) fragment += "  float a = floor(o.a * 255.0 + 0.5);\n  if (!(" + keep + ")) o.a = 0.0;\n";
  fragment += "  gl_FragColor = o;\n}\n";
  Program p;
  GLuint vs = Compile(GL_VERTEX_SHADER, kVertex), fs = Compile(GL_FRAGMENT_SHADER, fragment);
  if (vs && fs) {
    GLuint id = gl::CreateProgram();
    gl::AttachShader(id, vs);
    gl::AttachShader(id, fs);
    gl::LinkProgram(id);
    GLint ok = 0;
    gl::GetProgramiv(id, GL_LINK_STATUS, &ok);
    if (ok) {
      p.id = id;
      p.ref = gl::GetUniformLocation(id, "ref");
    }
  }
  if (vs) gl::DeleteShader(vs);  // flagged only: they stay while the program holds them
  if (fs) gl::DeleteShader(fs);
  return p;
}

// A fragment the alpha test drops may instead be drawn fully transparent when blending weighs the
// source by its alpha and keeps the destination whole then, and no depth is written.
bool AlphaTestFoldsIntoBlending(const DWORD* rs, bool blending) {
  if (!blending || rs[D3DRENDERSTATE_SRCBLEND] != D3DBLEND_SRCALPHA) return false;
  DWORD dest = rs[D3DRENDERSTATE_DESTBLEND];
  if (dest != D3DBLEND_INVSRCALPHA && dest != D3DBLEND_ONE) return false;
  return !(rs[D3DRENDERSTATE_ZENABLE] && rs[D3DRENDERSTATE_ZWRITEENABLE]);
}

}  // namespace

bool AlphaTestIsVoid(const DWORD* rs, bool blending) {
  if (!rs[D3DRENDERSTATE_ALPHATESTENABLE]) return true;
  if (!AlphaTestFoldsIntoBlending(rs, blending)) return false;
  DWORD func = rs[D3DRENDERSTATE_ALPHAFUNC], ref = rs[D3DRENDERSTATE_ALPHAREF] & 0xFF;
  return func == D3DCMP_ALWAYS || (func == D3DCMP_GREATEREQUAL && ref <= 1) ||
         ((func == D3DCMP_GREATER || func == D3DCMP_NOTEQUAL) && ref == 0);
}

bool UseStageProgram(const StageState& s) {
  if (!gAllowed || !gl::HasShaders()) return false;
  const DWORD* t = s.stage;
  const DWORD* rs = s.renderStates;
  // A void test is off in GL already; another one under such blending runs in the program.
  bool fold = !AlphaTestIsVoid(rs, s.blending) && AlphaTestFoldsIntoBlending(rs, s.blending);
  DWORD func = fold ? rs[D3DRENDERSTATE_ALPHAFUNC] : D3DCMP_ALWAYS;
  bool tests = func >= D3DCMP_NEVER && func < D3DCMP_ALWAYS;  // the functions KeepTest writes out
  uint64_t key = uint64_t(t[D3DTSS_COLOROP] & 0xFF) | uint64_t(t[D3DTSS_COLORARG1] & 0xFF) << 8 |
                 uint64_t(t[D3DTSS_COLORARG2] & 0xFF) << 16 | uint64_t(t[D3DTSS_ALPHAOP] & 0xFF) << 24 |
                 uint64_t(t[D3DTSS_ALPHAARG1] & 0xFF) << 32 | uint64_t(t[D3DTSS_ALPHAARG2] & 0xFF) << 40 |
                 uint64_t(tests ? func & 0xFF : 0) << 48;
  // The program's text is made once per key; states the programs do not cover are kept as id 0.
  auto it = gPrograms.find(key);
  if (it == gPrograms.end()) {
    std::string rgb = HalfOf(t[D3DTSS_COLOROP], t[D3DTSS_COLORARG1], t[D3DTSS_COLORARG2], ".rgb");
    std::string alpha = HalfOf(t[D3DTSS_ALPHAOP], t[D3DTSS_ALPHAARG1], t[D3DTSS_ALPHAARG2], ".a");
    Program built = rgb.empty() || alpha.empty() ? Program{} : Build(rgb, alpha, KeepTest(func));
    it = gPrograms.emplace(key, built).first;
  }
  Program& p = it->second;
  if (!p.id) return false;
  gl::UseProgram(p.id);
  gBound = p.id;
  ++gDraws;
  if (fold) glDisable(GL_ALPHA_TEST);
  if (tests) {
    float ref = float(rs[D3DRENDERSTATE_ALPHAREF] & 0xFF);
    if (p.ref >= 0 && ref != p.lastRef) {
      gl::Uniform1f(p.ref, ref);
      p.lastRef = ref;
    }
  }
  return true;
}

void EndStageProgram() {
  if (!gBound) return;
  gl::UseProgram(0);
  gBound = 0;
}

}  // namespace os::dd

namespace os {
void TestAllowStagePrograms(bool allowed) { dd::gAllowed = allowed; }
int TestStageProgramDrawCount() { return dd::gDraws; }
}  // namespace os
