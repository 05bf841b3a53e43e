// Runs a few standard script programs on our runtime and on the reference interpreter lua5.1 and
// prints each time ratio (ours / reference, best of three runs each; below 1.0 means we are
// faster); the outputs of both are compared too. Usage: bench_lua_bench [scale] (default 1); the
// scale multiplies the size of the programs whose work grows linearly (n-body, string building).
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "script/lua/lauxlib.h"
#include "script/lua/lua.h"
#include "script/lua/lualib.h"

namespace {

struct Program {
  const char *name;
  const char *source;  // reads the global N, prints a checksum
  int n;               // problem size at scale 1
  bool linear;         // the work grows linearly with N, so N follows the scale; else N is fixed
};

const Program kPrograms[] = {
    {"fib",
     "local function fib(n) if n < 2 then return n end return fib(n - 1) + fib(n - 2) end\n"
     "print(fib(N))\n",
     30, false},
    {"binary-trees",
     "local function make(d)\n"
     "  if d == 0 then return {} end\n"
     "  d = d - 1\n"
     "  return {make(d), make(d)}\n"
     "end\n"
     "local function check(t)\n"
     "  if t[1] then return 1 + check(t[1]) + check(t[2]) end\n"
     "  return 1\n"
     "end\n"
     "local maxd = N\n"
     "local long = make(maxd)\n"
     "local total = 0\n"
     "for d = 4, maxd, 2 do\n"
     "  local iters = 1\n"
     "  for i = 1, maxd - d + 4 do iters = iters * 2 end\n"
     "  local c = 0\n"
     "  for i = 1, iters do c = c + check(make(d)) end\n"
     "  total = total + c\n"
     "end\n"
     "print(total, check(long))\n",
     14, false},
    {"n-body",
     "local sqrt = math.sqrt\n"
     "local PI = 3.141592653589793\n"
     "local SOLAR_MASS = 4 * PI * PI\n"
     "local DPY = 365.24\n"
     "local bodies = {\n"
     "  {x=0,y=0,z=0,vx=0,vy=0,vz=0,mass=SOLAR_MASS},\n"
     "  {x=4.84143144246472090e+00,y=-1.16032004402742839e+00,z=-1.03622044471123109e-01,\n"
     "   vx=1.66007664274403694e-03*DPY,vy=7.69901118419740425e-03*DPY,vz=-6.90460016972063023e-05*DPY,\n"
     "   mass=9.54791938424326609e-04*SOLAR_MASS},\n"
     "  {x=8.34336671824457987e+00,y=4.12479856412430479e+00,z=-4.03523417114321381e-01,\n"
     "   vx=-2.76742510726862411e-03*DPY,vy=4.99852801234917238e-03*DPY,vz=2.30417297573763929e-05*DPY,\n"
     "   mass=2.85885980666130812e-04*SOLAR_MASS},\n"
     "  {x=1.28943695621391310e+01,y=-1.51111514016986312e+01,z=-2.23307578892655734e-01,\n"
     "   vx=2.96460137564761618e-03*DPY,vy=2.37847173959480950e-03*DPY,vz=-2.96589568540237556e-05*DPY,\n"
     "   mass=4.36624404335156298e-05*SOLAR_MASS},\n"
     "  {x=1.53796971148509165e+01,y=-2.59193146099879641e+01,z=1.79258772950371181e-01,\n"
     "   vx=2.68067772490389322e-03*DPY,vy=1.62824170038242295e-03*DPY,vz=-9.51592254519715870e-05*DPY,\n"
     "   mass=5.15138902046611451e-05*SOLAR_MASS},\n"
     "}\n"
     "local nb = 5\n"
     "local function advance(dt)\n"
     "  for i = 1, nb do\n"
     "    local bi = bodies[i]\n"
     "    local bix, biy, biz, bimass = bi.x, bi.y, bi.z, bi.mass\n"
     "    local bivx, bivy, bivz = bi.vx, bi.vy, bi.vz\n"
     "    for j = i + 1, nb do\n"
     "      local bj = bodies[j]\n"
     "      local dx, dy, dz = bix - bj.x, biy - bj.y, biz - bj.z\n"
     "      local d2 = dx*dx + dy*dy + dz*dz\n"
     "      local mag = sqrt(d2)\n"
     "      mag = dt / (mag * d2)\n"
     "      local bm = bj.mass * mag\n"
     "      bivx = bivx - (dx * bm); bivy = bivy - (dy * bm); bivz = bivz - (dz * bm)\n"
     "      bm = bimass * mag\n"
     "      bj.vx = bj.vx + (dx * bm); bj.vy = bj.vy + (dy * bm); bj.vz = bj.vz + (dz * bm)\n"
     "    end\n"
     "    bi.vx = bivx; bi.vy = bivy; bi.vz = bivz\n"
     "    bi.x = bix + dt * bivx; bi.y = biy + dt * bivy; bi.z = biz + dt * bivz\n"
     "  end\n"
     "end\n"
     "local function energy()\n"
     "  local e = 0\n"
     "  for i = 1, nb do\n"
     "    local bi = bodies[i]\n"
     "    local vx, vy, vz, bim = bi.vx, bi.vy, bi.vz, bi.mass\n"
     "    e = e + (0.5 * bim * (vx*vx + vy*vy + vz*vz))\n"
     "    for j = i + 1, nb do\n"
     "      local bj = bodies[j]\n"
     "      local dx, dy, dz = bi.x - bj.x, bi.y - bj.y, bi.z - bj.z\n"
     "      e = e - ((bim * bj.mass) / sqrt(dx*dx + dy*dy + dz*dz))\n"
     "    end\n"
     "  end\n"
     "  return e\n"
     "end\n"
     "local px, py, pz = 0, 0, 0\n"
     "for i = 1, nb do local b = bodies[i] px = px + b.vx * b.mass py = py + b.vy * b.mass pz = pz + b.vz * b.mass end\n"
     "bodies[1].vx = -px / SOLAR_MASS bodies[1].vy = -py / SOLAR_MASS bodies[1].vz = -pz / SOLAR_MASS\n"
     "local e0 = energy()\n"
     "for i = 1, N do advance(0.01) end\n"
     "print(string.format('%.9f %.9f', e0, energy()))\n",
     200000, true},
    {"spectral-norm",
     "local function A(i, j) local ij = i + j - 1 return 1.0 / (ij * (ij - 1) * 0.5 + i) end\n"
     "local function Av(x, y, n)\n"
     "  for i = 1, n do local a = 0 for j = 1, n do a = a + x[j] * A(i, j) end y[i] = a end\n"
     "end\n"
     "local function Atv(x, y, n)\n"
     "  for i = 1, n do local a = 0 for j = 1, n do a = a + x[j] * A(j, i) end y[i] = a end\n"
     "end\n"
     "local function AtAv(x, y, t, n) Av(x, t, n) Atv(t, y, n) end\n"
     "local n = N\n"
     "local u, v, t = {}, {}, {}\n"
     "for i = 1, n do u[i] = 1 end\n"
     "for i = 1, 10 do AtAv(u, v, t, n) AtAv(v, u, t, n) end\n"
     "local vBv, vv = 0, 0\n"
     "for i = 1, n do local ui, vi = u[i], v[i] vBv = vBv + ui * vi vv = vv + vi * vi end\n"
     "print(string.format('%0.9f', math.sqrt(vBv / vv)))\n",
     300, false},
    {"fannkuch",
     "local function fannkuch(n)\n"
     "  local p, q, s, sign, maxflips, sum = {}, {}, {}, 1, 0, 0\n"
     "  for i = 1, n do p[i] = i q[i] = i s[i] = i end\n"
     "  while true do\n"
     "    local q1 = p[1]\n"
     "    if q1 ~= 1 then\n"
     "      for i = 2, n do q[i] = p[i] end\n"
     "      local flips = 1\n"
     "      while true do\n"
     "        local qq = q[q1]\n"
     "        if qq == 1 then\n"
     "          sum = sum + sign * flips\n"
     "          if flips > maxflips then maxflips = flips end\n"
     "          break\n"
     "        end\n"
     "        q[q1] = q1\n"
     "        if q1 >= 4 then\n"
     "          local i, j = 2, q1 - 1\n"
     "          repeat q[i], q[j] = q[j], q[i] i = i + 1 j = j - 1 until i >= j\n"
     "        end\n"
     "        q1 = qq flips = flips + 1\n"
     "      end\n"
     "    end\n"
     "    if sign == 1 then\n"
     "      p[2], p[1] = p[1], p[2] sign = -1\n"
     "    else\n"
     "      p[2], p[3] = p[3], p[2] sign = 1\n"
     "      for i = 3, n do\n"
     "        local sx = s[i]\n"
     "        if sx ~= 1 then s[i] = sx - 1 break end\n"
     "        if i == n then return sum, maxflips end\n"
     "        s[i] = i\n"
     "        local t = p[1] for j = 1, i do p[j] = p[j + 1] end p[i + 1] = t\n"
     "      end\n"
     "    end\n"
     "  end\n"
     "end\n"
     "print(fannkuch(N))\n",
     9, false},
    {"loadstring-env",
     "local srcs = {}\n"
     "for k = 0, 63 do srcs[k] = 'x = x + ' .. k .. ' y = (y or 0) + 1 return x' end\n"
     "local env = {x = 0}\n"
     "local shared = setmetatable({}, {__index = env})\n"
     "local total = 0\n"
     "for i = 1, N do\n"
     "  local f = loadstring(srcs[math.mod(i, 64)])\n"
     "  setfenv(f, env)\n"
     "  total = total + f()\n"
     "  local g = loadstring('return x, y')\n"
     "  setfenv(g, shared)\n"
     "  local a, b = g()\n"
     "  if getfenv(g) ~= shared or a ~= env.x then total = -1 end\n"
     "  total = total + b\n"
     "end\n"
     "local function reader() return z end\n"
     "local e2 = setmetatable({}, {__index = function(t, k) return 2 end})\n"
     "setfenv(reader, e2)\n"
     "for i = 1, N * 10 do total = total + reader() end\n"
     "print(total, env.x, env.y)\n",
     20000, true},
    {"control-flow",
     "local count, odd = 0, 0\n"
     "for i = 1, N do\n"
     "  local j = 0\n"
     "  while true do\n"
     "    j = j + 1\n"
     "    if j > 12 then break end\n"
     "    if j == 3 or j == 6 or j == 9 then count = count + 1\n"
     "    elseif j == 7 and i > 10 then count = count - 1\n"
     "    elseif not (j < 5) then count = count + 2\n"
     "    else odd = odd + 1 end\n"
     "  end\n"
     "  repeat j = j - 1 until j < 5 or j == 8\n"
     "  for k = 1, 6 do\n"
     "    if k == j then break end\n"
     "    local v = (k > 3) and k or -k\n"
     "    count = count + v\n"
     "  end\n"
     "  local t = i > N / 2\n"
     "  if t then odd = odd + 1 end\n"
     "end\n"
     "print(count, odd)\n",
     300000, true},
    {"string-building",
     "local parts = {}\n"
     "for i = 1, N do parts[i] = string.format('%d:%s', i, string.rep('x', math.mod(i, 7))) end\n"
     "local s = table.concat(parts, ',')\n"
     "local acc = ''\n"
     "for i = 1, N / 20 do acc = acc .. tostring(i) .. ';' end\n"
     "local n = 0\n"
     "for w in string.gfind(s, '%d+') do n = n + 1 end\n"
     "local r = string.gsub(acc, ';', '.')\n"
     "print(string.len(s), string.len(acc), n, string.len(r), string.upper(string.sub(s, 1, 10)))\n",
     200000, true},
};

const int kRuns = 3;

void Capture(const char *s, size_t len, void *ud) { static_cast<std::string *>(ud)->append(s, len); }

double Seconds(std::chrono::steady_clock::time_point a, std::chrono::steady_clock::time_point b) {
  return std::chrono::duration<double>(b - a).count();
}

// Our runtime: a fresh state, the libraries, the program; output captured.
double RunOurs(const std::string &source, std::string *out) {
  auto t0 = std::chrono::steady_clock::now();
  lua_State *L = lua_open();
  luaopen_stdlibs(L);
  luaB_setprintwriter(Capture, out);
  if (luaL_loadbuffer(L, source.data(), source.size(), "=bench") != 0 || lua_pcall(L, 0, 0, 0) != 0)
    *out += std::string("error: ") + (lua_tostring(L, -1) ? lua_tostring(L, -1) : "?") + "\n";
  luaB_setprintwriter(nullptr, nullptr);
  lua_close(L);
  return Seconds(t0, std::chrono::steady_clock::now());
}

// The reference interpreter on the same program written to a temporary file.
double RunReference(const std::string &source, std::string *out) {
  std::string path = (std::filesystem::temp_directory_path() /
                      ("lua_bench_" + std::to_string(getpid()) + ".lua")).string();
  std::ofstream(path, std::ios::binary) << source;
  std::string cmd = "/usr/bin/lua5.1 '" + path + "' 2>&1";
  auto t0 = std::chrono::steady_clock::now();
  FILE *p = popen(cmd.c_str(), "r");
  if (p != nullptr) {
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out->append(buf, n);
    pclose(p);
  }
  double t = Seconds(t0, std::chrono::steady_clock::now());
  std::filesystem::remove(path);
  return t;
}

}  // namespace

int main(int argc, char **argv) {
  double scale = argc > 1 ? std::atof(argv[1]) : 1.0;
  if (scale <= 0) scale = 1.0;
  bool haveRef = access("/usr/bin/lua5.1", X_OK) == 0;
  std::printf("%-16s %10s %10s %8s  %s\n", "program", "ours (s)", "lua5.1 (s)", "ratio", "outputs");
  int worse = 0;
  for (const Program &p : kPrograms) {
    int n = p.linear ? static_cast<int>(p.n * scale) : p.n;
    std::string source = "N = " + std::to_string(n) + "\n" + p.source;
    // the best of a few runs each, which keeps other load on the machine out of the figures
    std::string ours, ref;
    double t1 = 1e30, t2 = 1e30;
    for (int run = 0; run < kRuns; run++) {
      std::string o;
      t1 = std::min(t1, RunOurs(source, &o));
      ours = o;
    }
    if (!haveRef) {
      std::printf("%-16s %10.3f %10s %8s  %s", p.name, t1, "-", "-", ours.c_str());
      continue;
    }
    for (int run = 0; run < kRuns; run++) {
      std::string r;
      t2 = std::min(t2, RunReference(source, &r));
      ref = r;
    }
    double ratio = t1 / t2;
    if (ratio > 1.0) worse++;
    std::printf("%-16s %10.3f %10.3f %8.2f  %s\n", p.name, t1, t2, ratio,
                ours == ref ? "same" : ("DIFFER: ours " + ours + " ref " + ref).c_str());
    std::fflush(stdout);
  }
  if (!haveRef)
    std::printf("lua5.1 is not installed: no ratios\n");
  else
    std::printf("slower than lua5.1 on %d of %zu programs\n", worse, sizeof kPrograms / sizeof kPrograms[0]);
  return 0;
}
