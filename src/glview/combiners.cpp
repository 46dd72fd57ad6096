// Register-combiner emulation: the combiner state as the four NV_register_combiners entry points
// leave it, translated into a GLSL 1.10 fragment shader per distinct state.
//
// Each general stage reads the register set its predecessor wrote; both portions of a stage read
// before either writes, so the generator computes all six outputs of a stage into locals and
// writes the registers afterwards. The final combiner then forms
// rgb = min(A*B + (1-A)*C + D, 1), alpha = G. Registers are vec4 locals named after their tokens.
#include "glview/combiners.h"

#include "platform/glcontext.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <string>
#include <type_traits>

namespace {

// ARB_shader_objects handles are plain GLuint here, so the ARB entry points can sit in the same
// table as their GL 2.0 counterparts.
static_assert(std::is_same<GLhandleARB, GLuint>::value, "GLhandleARB must be an unsigned int");

constexpr int kPortions = 2;          // 0: RGB, 1: ALPHA
constexpr int kFinalVariables = 7;    // A..G
constexpr int kProgramCacheSize = 16;

struct Input {
    GLenum reg, mapping, usage;
};

struct Portion {
    Input in[4];                      // A, B, C, D
    GLenum abOut, cdOut, sumOut;
    GLenum scale, bias;
    GLenum abDot, cdDot, mux;         // 0 or 1; GLenum so that the struct has no padding
};

struct Stage {
    Portion portion[kPortions];
};

struct CombinerState {
    GLenum stageCount;
    GLenum sumClamp;
    Stage stage[kMaxGeneralCombiners];
    Input final[kFinalVariables];
};

// Everything a generated program depends on. Made only of GLenums, so it has no padding and
// compares with memcmp.
struct ProgramKey {
    CombinerState state;              // stages from stageCount on are zeroed: they do not run
    GLenum unitsOn;                   // bit i: TEXTUREi is read and unit i has 2D texturing
    GLenum fog;                       // kFogUnread, kFogOff or the GL fog mode
};
static_assert(sizeof(ProgramKey) % sizeof(GLenum) == 0, "ProgramKey must be GLenums only");

constexpr GLenum kFogUnread = 0;      // the combiners never read FOG
constexpr GLenum kFogOff = 1;         // they do, with GL_FOG disabled: FOG.a = 1

struct CachedProgram {
    ProgramKey key;
    GLuint program;                   // 0 where the program would not build: fixed function
    unsigned lastUse;
};

// GL 2.0 shader entry points, or their ARB_shader_objects equivalents.
struct ShaderApi {
    PFNGLCREATESHADERPROC createShader = nullptr;
    PFNGLSHADERSOURCEPROC shaderSource = nullptr;
    PFNGLCOMPILESHADERPROC compileShader = nullptr;
    PFNGLGETSHADERIVPROC getShaderiv = nullptr;
    PFNGLGETSHADERINFOLOGPROC getShaderInfoLog = nullptr;
    PFNGLCREATEPROGRAMPROC createProgram = nullptr;
    PFNGLATTACHSHADERPROC attachShader = nullptr;
    PFNGLLINKPROGRAMPROC linkProgram = nullptr;
    PFNGLGETPROGRAMIVPROC getProgramiv = nullptr;
    PFNGLGETPROGRAMINFOLOGPROC getProgramInfoLog = nullptr;
    PFNGLUSEPROGRAMPROC useProgram = nullptr;
    PFNGLGETUNIFORMLOCATIONPROC getUniformLocation = nullptr;
    PFNGLUNIFORM1IPROC uniform1i = nullptr;
    PFNGLDELETESHADERPROC deleteShader = nullptr;
    PFNGLDELETEPROGRAMPROC deleteProgram = nullptr;
    PFNGLGETHANDLEARBPROC getHandle = nullptr;   // ARB path only: the current program
    PFNGLACTIVETEXTUREARBPROC activeTexture = nullptr;

    bool complete() const
    {
        return createShader && shaderSource && compileShader && getShaderiv && getShaderInfoLog &&
               createProgram && attachShader && linkProgram && getProgramiv && getProgramInfoLog &&
               useProgram && getUniformLocation && uniform1i && deleteShader && deleteProgram;
    }
};

// The emulation's one instance. Written by the entry points and by the enable/sync functions
// below, all on the thread with the context current.
struct Emulation {
    bool active = false;
    bool enabled = false;
    CombinerState state{};
    int units = kMaxCombinerTextureUnits;   // TEXTUREi tokens accepted: i < units
    bool errorEnum = false, errorValue = false, errorOperation = false;

    // Derived from `state` when it changes.
    bool stateDirty = true;
    ProgramKey staticKey{};                 // `state` with the idle stages zeroed
    GLenum unitsRead = 0;                   // bit i: TEXTUREi is read
    bool fogRead = false;

    ShaderApi gl;
    bool canGenerate = false;
    bool has3D = false, hasCube = false, hasRectangle = false;

    std::array<CachedProgram, kProgramCacheSize> cache{};
    int cached = 0;
    unsigned useClock = 0;
    int bound = -1;                         // cache entry our program came from; -1: none bound
    GLuint savedProgram = 0;                // the caller's program, rebound on disable
    bool warnedUnit[kMaxCombinerTextureUnits] = {};
};

Emulation rc;

// ---------------------------------------------------------------------------------------------
// Initial state and validation

Input in(GLenum reg, GLenum mapping, GLenum usage)
{
    return Input{reg, mapping, usage};
}

void resetState()
{
    CombinerState& s = rc.state;
    std::memset(&s, 0, sizeof s);
    s.stageCount = 1;
    s.sumClamp = 1;
    // Every stage starts as spare0 = primary: A = primary, B = 1 (zero inverted), C = D = 0.
    for (Stage& stage : s.stage) {
        for (int p = 0; p < kPortions; ++p) {
            const GLenum usage = p == 0 ? GL_RGB : GL_ALPHA;
            Portion& port = stage.portion[p];
            port.in[0] = in(GL_PRIMARY_COLOR_NV, GL_UNSIGNED_IDENTITY_NV, usage);
            port.in[1] = in(GL_ZERO, GL_UNSIGNED_INVERT_NV, usage);
            port.in[2] = in(GL_ZERO, GL_UNSIGNED_IDENTITY_NV, usage);
            port.in[3] = in(GL_ZERO, GL_UNSIGNED_IDENTITY_NV, usage);
            port.abOut = GL_DISCARD_NV;
            port.cdOut = GL_DISCARD_NV;
            port.sumOut = GL_SPARE0_NV;
            port.scale = GL_NONE;
            port.bias = GL_NONE;
        }
    }
    // The final combiner starts as colour sum plus fog.
    s.final[0] = in(GL_FOG, GL_UNSIGNED_IDENTITY_NV, GL_ALPHA);
    s.final[1] = in(GL_SPARE0_PLUS_SECONDARY_COLOR_NV, GL_UNSIGNED_IDENTITY_NV, GL_RGB);
    s.final[2] = in(GL_FOG, GL_UNSIGNED_IDENTITY_NV, GL_RGB);
    s.final[3] = in(GL_ZERO, GL_UNSIGNED_IDENTITY_NV, GL_RGB);
    s.final[4] = in(GL_ZERO, GL_UNSIGNED_IDENTITY_NV, GL_RGB);
    s.final[5] = in(GL_ZERO, GL_UNSIGNED_IDENTITY_NV, GL_RGB);
    s.final[6] = in(GL_SPARE0_NV, GL_UNSIGNED_IDENTITY_NV, GL_ALPHA);
    rc.stateDirty = true;
}

void raise(GLenum error)
{
    if (error == GL_INVALID_ENUM) rc.errorEnum = true;
    else if (error == GL_INVALID_VALUE) rc.errorValue = true;
    else rc.errorOperation = true;
}

bool isTexture(GLenum reg)
{
    return reg >= GL_TEXTURE0_ARB && reg < GL_TEXTURE0_ARB + GLenum(rc.units);
}

bool isWritable(GLenum reg)
{
    return reg == GL_PRIMARY_COLOR_NV || reg == GL_SECONDARY_COLOR_NV || reg == GL_SPARE0_NV ||
           reg == GL_SPARE1_NV || isTexture(reg);
}

bool isRegister(GLenum reg)
{
    return reg == GL_ZERO || reg == GL_CONSTANT_COLOR0_NV || reg == GL_CONSTANT_COLOR1_NV ||
           reg == GL_FOG || isWritable(reg);
}

bool isPseudo(GLenum reg)
{
    return reg == GL_E_TIMES_F_NV || reg == GL_SPARE0_PLUS_SECONDARY_COLOR_NV;
}

bool isMapping(GLenum mapping)
{
    return mapping >= GL_UNSIGNED_IDENTITY_NV && mapping <= GL_SIGNED_NEGATE_NV;
}

bool isUsage(GLenum usage)
{
    return usage == GL_RGB || usage == GL_ALPHA || usage == GL_BLUE;
}

bool isOutput(GLenum reg)
{
    return reg == GL_DISCARD_NV || isWritable(reg);
}

bool isScale(GLenum scale)
{
    return scale == GL_NONE || scale == GL_SCALE_BY_TWO_NV || scale == GL_SCALE_BY_FOUR_NV ||
           scale == GL_SCALE_BY_ONE_HALF_NV;
}

int portionIndex(GLenum portion)
{
    return portion == GL_RGB ? 0 : portion == GL_ALPHA ? 1 : -1;
}

int stageIndex(GLenum stage)
{
    const GLenum i = stage - GL_COMBINER0_NV;   // wraps for tokens below COMBINER0
    return i < GLenum(kMaxGeneralCombiners) ? int(i) : -1;
}

// ---------------------------------------------------------------------------------------------
// What the state reads, for the key and for sampling only the units in use

GLenum unitBit(GLenum reg)
{
    return isTexture(reg) ? GLenum(1) << (reg - GL_TEXTURE0_ARB) : 0;
}

struct ReadScan {
    GLenum units = 0;
    bool fog = false;
    bool spare0AlphaWritten = false;

    // Spare0's alpha starts as texture 0's alpha, so reading it before a stage writes it reads
    // unit 0.
    void read(GLenum reg, bool alpha)
    {
        units |= unitBit(reg);
        if (reg == GL_FOG) fog = true;
        if (reg == GL_SPARE0_NV && alpha && !spare0AlphaWritten) units |= 1;
    }
};

void deriveKey()
{
    ProgramKey& key = rc.staticKey;
    std::memset(&key, 0, sizeof key);
    key.state = rc.state;
    const int n = int(rc.state.stageCount);
    std::memset(&key.state.stage[n], 0, sizeof(Stage) * (kMaxGeneralCombiners - n));

    ReadScan scan;
    for (int k = 0; k < n; ++k) {
        const Stage& stage = rc.state.stage[k];
        for (int p = 0; p < kPortions; ++p) {
            const Portion& port = stage.portion[p];
            for (const Input& v : port.in) scan.read(v.reg, v.usage == GL_ALPHA);
            if (port.mux) scan.read(GL_SPARE0_NV, true);
        }
        const Portion& alpha = stage.portion[1];
        if (alpha.abOut == GL_SPARE0_NV || alpha.cdOut == GL_SPARE0_NV || alpha.sumOut == GL_SPARE0_NV)
            scan.spare0AlphaWritten = true;
    }
    const Input* fin = rc.state.final;
    // E and F count only through EF, SUM reads only rgb; reading more than is used costs nothing
    // but a texture fetch.
    for (int v = 0; v < kFinalVariables; ++v) scan.read(fin[v].reg, fin[v].usage == GL_ALPHA);

    rc.unitsRead = scan.units;
    rc.fogRead = scan.fog;
    rc.stateDirty = false;
}

// ---------------------------------------------------------------------------------------------
// GLSL generation

const char* registerName(GLenum reg)
{
    switch (reg) {
    case GL_ZERO: return "rZero";
    case GL_CONSTANT_COLOR0_NV: return "rZero";   // constant colours stay at their initial 0
    case GL_CONSTANT_COLOR1_NV: return "rZero";
    case GL_FOG: return "rFog";
    case GL_PRIMARY_COLOR_NV: return "rPrimary";
    case GL_SECONDARY_COLOR_NV: return "rSecondary";
    case GL_SPARE0_NV: return "rSpare0";
    case GL_SPARE1_NV: return "rSpare1";
    case GL_E_TIMES_F_NV: return "rEF";
    case GL_SPARE0_PLUS_SECONDARY_COLOR_NV: return "rSum";
    case GL_TEXTURE0_ARB: return "rTex0";
    case GL_TEXTURE1_ARB: return "rTex1";
    case GL_TEXTURE2_ARB: return "rTex2";
    case GL_TEXTURE3_ARB: return "rTex3";
    default: return "rZero";
    }
}
static_assert(kMaxCombinerTextureUnits == 4, "registerName names four texture registers");

// The selected value before mapping: a vec3 for RGB portions and variables A-F, a float otherwise.
std::string select(const Input& v, bool scalar)
{
    const std::string r = registerName(v.reg);
    if (scalar) return r + (v.usage == GL_BLUE ? ".b" : ".a");
    return v.usage == GL_ALPHA ? "vec3(" + r + ".a)" : r + ".rgb";
}

std::string mapped(const Input& v, bool scalar)
{
    const std::string x = select(v, scalar);
    switch (v.mapping) {
    case GL_UNSIGNED_INVERT_NV: return "(1.0 - clamp(" + x + ", 0.0, 1.0))";
    case GL_EXPAND_NORMAL_NV: return "(2.0 * max(" + x + ", 0.0) - 1.0)";
    case GL_EXPAND_NEGATE_NV: return "(1.0 - 2.0 * max(" + x + ", 0.0))";
    case GL_HALF_BIAS_NORMAL_NV: return "(max(" + x + ", 0.0) - 0.5)";
    case GL_HALF_BIAS_NEGATE_NV: return "(0.5 - max(" + x + ", 0.0))";
    case GL_SIGNED_IDENTITY_NV: return x;
    case GL_SIGNED_NEGATE_NV: return "(-" + x + ")";
    default: return "max(" + x + ", 0.0)";   // GL_UNSIGNED_IDENTITY_NV
    }
}

// clamp((x + bias) * scale, -1, 1): bias first, then scale, as the hardware does.
std::string outputExpr(const std::string& x, const Portion& port)
{
    std::string e = port.bias == GL_BIAS_BY_NEGATIVE_ONE_HALF_NV ? "(" + x + " - 0.5)" : x;
    switch (port.scale) {
    case GL_SCALE_BY_TWO_NV: e += " * 2.0"; break;
    case GL_SCALE_BY_FOUR_NV: e += " * 4.0"; break;
    case GL_SCALE_BY_ONE_HALF_NV: e += " * 0.5"; break;
    default: break;
    }
    return "clamp(" + e + ", -1.0, 1.0)";
}

void emitStage(std::string& s, const Stage& stage, int k)
{
    s += "    { // general combiner " + std::to_string(k) + "\n";
    static const char* const kVar[4] = {"a", "b", "c", "d"};
    for (int p = 0; p < kPortions; ++p) {
        const Portion& port = stage.portion[p];
        const bool scalar = p == 1;
        const std::string type = scalar ? "float " : "vec3 ";
        const std::string pre = scalar ? "alpha_" : "rgb_";
        for (int v = 0; v < 4; ++v)
            s += "        " + type + pre + kVar[v] + " = " + mapped(port.in[v], scalar) + ";\n";
        const std::string a = pre + "a", b = pre + "b", c = pre + "c", d = pre + "d";
        const std::string ab = port.abDot ? "vec3(dot(" + a + ", " + b + "))" : a + " * " + b;
        const std::string cd = port.cdDot ? "vec3(dot(" + c + ", " + d + "))" : c + " * " + d;
        s += "        " + type + pre + "ab = " + ab + ";\n";
        s += "        " + type + pre + "cd = " + cd + ";\n";
        // The sum takes the unclamped products; mux picks CD where the incoming spare0.a >= 0.5.
        if (port.mux)
            s += "        " + type + pre + "sum = (rSpare0.a >= 0.5) ? " + pre + "cd : " + pre + "ab;\n";
        else
            s += "        " + type + pre + "sum = " + pre + "ab + " + pre + "cd;\n";
        const GLenum outs[3] = {port.abOut, port.cdOut, port.sumOut};
        static const char* const kOut[3] = {"ab", "cd", "sum"};
        for (int o = 0; o < 3; ++o) {
            if (outs[o] == GL_DISCARD_NV) continue;
            s += "        " + type + pre + "out_" + kOut[o] + " = " + outputExpr(pre + kOut[o], port) + ";\n";
        }
    }
    // Both portions have read the incoming registers; only now are they written.
    for (int p = 0; p < kPortions; ++p) {
        const Portion& port = stage.portion[p];
        const GLenum outs[3] = {port.abOut, port.cdOut, port.sumOut};
        static const char* const kOut[3] = {"ab", "cd", "sum"};
        for (int o = 0; o < 3; ++o) {
            if (outs[o] == GL_DISCARD_NV) continue;
            s += std::string("        ") + registerName(outs[o]) + (p == 0 ? ".rgb = rgb_out_" : ".a = alpha_out_") +
                 kOut[o] + ";\n";
        }
    }
    s += "    }\n";
}

const char* fogFactor(GLenum fog)
{
    switch (fog) {
    case GL_LINEAR: return "clamp((gl_Fog.end - gl_FogFragCoord) * gl_Fog.scale, 0.0, 1.0)";
    case GL_EXP: return "clamp(exp(-gl_Fog.density * gl_FogFragCoord), 0.0, 1.0)";
    case GL_EXP2:
        return "clamp(exp(-(gl_Fog.density * gl_FogFragCoord) * (gl_Fog.density * gl_FogFragCoord)), 0.0, 1.0)";
    default: return "1.0";
    }
}

std::string floatLiteral(float f)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", double(f));
    std::string s = text;
    if (s.find_first_of(".e") == std::string::npos) s += ".0";   // GLSL 1.10 has no int to float
    return s;
}

std::string rgbaLiteral(const CombinerRGBA& c)
{
    return "vec4(" + floatLiteral(c.r) + ", " + floatLiteral(c.g) + ", " + floatLiteral(c.b) + ", " +
           floatLiteral(c.a) + ")";
}

std::string generate(const ProgramKey& key)
{
    const CombinerState& st = key.state;
    std::string s = "#version 110\n";
    for (int i = 0; i < rc.units; ++i)
        if (key.unitsOn & (1u << i)) s += "uniform sampler2D rc_tex" + std::to_string(i) + ";\n";
    s += "void main()\n{\n";
    s += "    vec4 rZero = vec4(0.0);\n";
    s += std::string("    vec4 rFog = vec4(gl_Fog.color.rgb, ") + fogFactor(key.fog) + ");\n";
    s += "    vec4 rPrimary = gl_Color;\n";
    s += "    vec4 rSecondary = vec4(gl_SecondaryColor.rgb, " + floatLiteral(kCombinerSecondaryAlpha) + ");\n";
    for (int i = 0; i < kMaxCombinerTextureUnits; ++i) {
        const std::string n = std::to_string(i);
        // texture2DProj divides by q, as fixed-function texturing does.
        if (i < rc.units && (key.unitsOn & (1u << i)))
            s += "    vec4 rTex" + n + " = texture2DProj(rc_tex" + n + ", gl_TexCoord[" + n + "]);\n";
        else
            s += "    vec4 rTex" + n + " = " + rgbaLiteral(kCombinerUnitOff) + ";\n";
    }
    s += "    vec4 rSpare0 = vec4(0.0, 0.0, 0.0, rTex0.a);\n";
    s += "    vec4 rSpare1 = " + rgbaLiteral(kCombinerSpare1Initial) + ";\n";
    for (GLenum k = 0; k < st.stageCount; ++k) emitStage(s, st.stage[k], int(k));

    const Input* f = st.final;
    s += "    vec4 rEF = vec4(" + mapped(f[4], false) + " * " + mapped(f[5], false) + ", 0.0);\n";
    s += "    vec3 sum = max(rSpare0.rgb, 0.0) + max(rSecondary.rgb, 0.0);\n";
    s += st.sumClamp ? "    vec4 rSum = vec4(clamp(sum, 0.0, 1.0), 0.0);\n" : "    vec4 rSum = vec4(sum, 0.0);\n";
    s += "    vec3 final_a = " + mapped(f[0], false) + ";\n";
    s += "    vec3 final_b = " + mapped(f[1], false) + ";\n";
    s += "    vec3 final_c = " + mapped(f[2], false) + ";\n";
    s += "    vec3 final_d = " + mapped(f[3], false) + ";\n";
    s += "    float final_g = " + mapped(f[6], true) + ";\n";
    s += "    gl_FragColor = vec4(clamp(final_a * final_b + (1.0 - final_a) * final_c + final_d, 0.0, 1.0),"
         " clamp(final_g, 0.0, 1.0));\n";
    s += "}\n";
    return s;
}

// ---------------------------------------------------------------------------------------------
// Programs

GLuint currentProgram()
{
    if (rc.gl.getHandle) return rc.gl.getHandle(GL_PROGRAM_OBJECT_ARB);
    GLint program = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    return GLuint(program);
}

void printLog(const char* what, GLuint object, bool program)
{
    GLint length = 0;
    if (program) rc.gl.getProgramiv(object, GL_INFO_LOG_LENGTH, &length);
    else rc.gl.getShaderiv(object, GL_INFO_LOG_LENGTH, &length);
    std::string log(length > 0 ? size_t(length) : 1, '\0');
    if (program) rc.gl.getProgramInfoLog(object, GLsizei(log.size()), nullptr, &log[0]);
    else rc.gl.getShaderInfoLog(object, GLsizei(log.size()), nullptr, &log[0]);
    std::fprintf(stderr, "register combiners: the %s failed, drawing with fixed function: %s\n", what, log.c_str());
}

// Builds the program for `key` and leaves it current (0 if it failed).
GLuint build(const ProgramKey& key)
{
    const std::string source = generate(key);
    const GLchar* text = source.c_str();
    const GLuint shader = rc.gl.createShader(GL_FRAGMENT_SHADER);
    rc.gl.shaderSource(shader, 1, &text, nullptr);
    rc.gl.compileShader(shader);
    GLint ok = 0;
    rc.gl.getShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        printLog("shader compilation", shader, false);
        rc.gl.deleteShader(shader);
        return 0;
    }
    const GLuint program = rc.gl.createProgram();
    rc.gl.attachShader(program, shader);
    rc.gl.linkProgram(program);
    rc.gl.deleteShader(shader);   // goes with the program
    rc.gl.getProgramiv(program, GL_LINK_STATUS, &ok);
    if (!ok) {
        printLog("program link", program, true);
        rc.gl.deleteProgram(program);
        return 0;
    }
    rc.gl.useProgram(program);
    // Sampler i reads unit i: TEXTUREi means absolute unit i.
    for (int i = 0; i < rc.units; ++i) {
        if (!(key.unitsOn & (1u << i))) continue;
        const std::string name = "rc_tex" + std::to_string(i);
        const GLint location = rc.gl.getUniformLocation(program, name.c_str());
        if (location >= 0) rc.gl.uniform1i(location, i);
    }
    return program;
}

// The cache entry for `key`, building it where new; the least recently used entry makes room.
int lookup(const ProgramKey& key)
{
    for (int i = 0; i < rc.cached; ++i)
        if (std::memcmp(&rc.cache[i].key, &key, sizeof key) == 0) return i;
    int slot = rc.cached;
    if (rc.cached < kProgramCacheSize) {
        ++rc.cached;
    } else {
        slot = 0;
        for (int i = 1; i < kProgramCacheSize; ++i)
            if (rc.cache[i].lastUse < rc.cache[slot].lastUse) slot = i;
        if (rc.cache[slot].program) rc.gl.deleteProgram(rc.cache[slot].program);
        if (rc.bound == slot) rc.bound = -1;
    }
    rc.cache[slot].key = key;
    rc.cache[slot].program = build(key);
    return slot;
}

void forgetPrograms(bool deletePrograms)
{
    if (deletePrograms)
        for (int i = 0; i < rc.cached; ++i)
            if (rc.cache[i].program) rc.gl.deleteProgram(rc.cache[i].program);
    rc.cached = 0;
    rc.bound = -1;
}

// Whether unit i samples a 2D texture in fixed function: 2D enabled and no target of higher
// precedence (cube map, 3D, rectangle) enabled, which fixed function would sample instead.
bool unit2DEnabled(int unit, bool warn)
{
    const bool on2D = glIsEnabled(GL_TEXTURE_2D);
    const bool other = (rc.hasCube && glIsEnabled(GL_TEXTURE_CUBE_MAP)) || (rc.has3D && glIsEnabled(GL_TEXTURE_3D)) ||
                       (rc.hasRectangle && glIsEnabled(GL_TEXTURE_RECTANGLE_ARB));
    if ((!on2D || other) && warn && !rc.warnedUnit[unit]) {
        rc.warnedUnit[unit] = true;
        std::fprintf(stderr,
                     "register combiners: texture unit %d is read but has %s; TEXTURE%d reads as (0, 0, 0, 1)\n",
                     unit, other ? "a texture target other than 2D enabled" : "no 2D texturing enabled", unit);
    }
    return on2D && !other;
}

ProgramKey& keyForDraw(bool warn)
{
    if (rc.stateDirty) deriveKey();
    ProgramKey& key = rc.staticKey;
    key.unitsOn = 0;
    if (rc.unitsRead) {
        GLint active = GL_TEXTURE0_ARB;
        if (rc.gl.activeTexture) glGetIntegerv(GL_ACTIVE_TEXTURE_ARB, &active);
        GLint selected = active;
        for (int i = 0; i < rc.units; ++i) {
            if (!(rc.unitsRead & (1u << i))) continue;
            const GLint unit = GL_TEXTURE0_ARB + i;
            if (unit != selected) {
                rc.gl.activeTexture(GLenum(unit));
                selected = unit;
            }
            if (unit2DEnabled(i, warn)) key.unitsOn |= 1u << i;
        }
        if (selected != active) rc.gl.activeTexture(GLenum(active));
    }
    key.fog = kFogUnread;
    if (rc.fogRead) {
        GLint mode = GL_EXP;
        const bool fog = glIsEnabled(GL_FOG);
        if (fog) glGetIntegerv(GL_FOG_MODE, &mode);
        key.fog = fog ? GLenum(mode) : kFogOff;
    }
    return key;
}

void bindForState(bool warn)
{
    if (!rc.canGenerate) return;
    const ProgramKey& key = keyForDraw(warn);
    if (rc.bound >= 0 && std::memcmp(&rc.cache[rc.bound].key, &key, sizeof key) == 0) return;
    const int slot = lookup(key);
    rc.cache[slot].lastUse = ++rc.useClock;
    rc.bound = slot;
    // A program that failed to build leaves fixed function in place of a broken draw.
    rc.gl.useProgram(rc.cache[slot].program ? rc.cache[slot].program : rc.savedProgram);
}

// ---------------------------------------------------------------------------------------------
// Driver queries

bool hasExtension(const char* name)
{
    const char* list = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    if (!list) return false;
    const size_t length = std::strlen(name);
    for (const char* p = std::strstr(list, name); p; p = std::strstr(p + 1, name)) {
        const bool starts = p == list || p[-1] == ' ';
        const bool ends = p[length] == ' ' || p[length] == '\0';
        if (starts && ends) return true;
    }
    return false;
}

// The GL version as major * 10 + minor, 0 when unreadable.
int glVersion()
{
    const char* text = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    int major = 0, minor = 0;
    if (!text || std::sscanf(text, "%d.%d", &major, &minor) != 2) return 0;
    return major * 10 + minor;
}

template <typename F>
void fetch(F& target, const char* name)
{
    target = reinterpret_cast<F>(GLContext::procAddress(name));
}

ShaderApi fetchShaderApi(bool gl20)
{
    ShaderApi api;
    if (gl20) {
        fetch(api.createShader, "glCreateShader");
        fetch(api.shaderSource, "glShaderSource");
        fetch(api.compileShader, "glCompileShader");
        fetch(api.getShaderiv, "glGetShaderiv");
        fetch(api.getShaderInfoLog, "glGetShaderInfoLog");
        fetch(api.createProgram, "glCreateProgram");
        fetch(api.attachShader, "glAttachShader");
        fetch(api.linkProgram, "glLinkProgram");
        fetch(api.getProgramiv, "glGetProgramiv");
        fetch(api.getProgramInfoLog, "glGetProgramInfoLog");
        fetch(api.useProgram, "glUseProgram");
        fetch(api.getUniformLocation, "glGetUniformLocation");
        fetch(api.uniform1i, "glUniform1i");
        fetch(api.deleteShader, "glDeleteShader");
        fetch(api.deleteProgram, "glDeleteProgram");
    } else {
        // Same arguments with GLhandleARB = GLuint; the status and log-length tokens have the same
        // values as the GL 2.0 ones.
        fetch(api.createShader, "glCreateShaderObjectARB");
        fetch(api.shaderSource, "glShaderSourceARB");
        fetch(api.compileShader, "glCompileShaderARB");
        fetch(api.getShaderiv, "glGetObjectParameterivARB");
        fetch(api.getShaderInfoLog, "glGetInfoLogARB");
        fetch(api.createProgram, "glCreateProgramObjectARB");
        fetch(api.attachShader, "glAttachObjectARB");
        fetch(api.linkProgram, "glLinkProgramARB");
        fetch(api.getProgramiv, "glGetObjectParameterivARB");
        fetch(api.getProgramInfoLog, "glGetInfoLogARB");
        fetch(api.useProgram, "glUseProgramObjectARB");
        fetch(api.getUniformLocation, "glGetUniformLocationARB");
        fetch(api.uniform1i, "glUniform1iARB");
        fetch(api.deleteShader, "glDeleteObjectARB");
        fetch(api.deleteProgram, "glDeleteObjectARB");
        fetch(api.getHandle, "glGetHandleARB");
    }
    fetch(api.activeTexture, "glActiveTextureARB");
    if (!api.activeTexture) fetch(api.activeTexture, "glActiveTexture");
    return api;
}

}  // namespace

bool combinerEmulationSupported()
{
    if (glVersion() >= 20) return fetchShaderApi(true).complete();
    if (!hasExtension("GL_ARB_shader_objects") || !hasExtension("GL_ARB_fragment_shader")) return false;
    const ShaderApi arb = fetchShaderApi(false);
    return arb.complete() && arb.getHandle;
}

void activateCombinerEmulation()
{
    // Programs of an earlier context went with it; their names may be reused in this one.
    forgetPrograms(false);
    const int version = glVersion();
    const bool gl20 = version >= 20;
    const bool arb = !gl20 && hasExtension("GL_ARB_shader_objects") && hasExtension("GL_ARB_fragment_shader");
    rc.gl = fetchShaderApi(gl20);
    rc.canGenerate = (gl20 || arb) && rc.gl.complete() && (gl20 || rc.gl.getHandle);
    if (!rc.canGenerate)
        std::fprintf(stderr, "register combiners: the driver has no GLSL fragment shaders; the emulation draws nothing\n");
    rc.has3D = version >= 12 || hasExtension("GL_EXT_texture3D");
    rc.hasCube = version >= 13 || hasExtension("GL_ARB_texture_cube_map");
    rc.hasRectangle = hasExtension("GL_ARB_texture_rectangle") || hasExtension("GL_NV_texture_rectangle") ||
                      hasExtension("GL_EXT_texture_rectangle");

    // One register per texture unit that both fixed function and the fragment shader can reach.
    rc.units = 1;
    if (rc.gl.activeTexture && rc.canGenerate) {
        GLint units = 1, coords = 1, images = 1;
        glGetIntegerv(GL_MAX_TEXTURE_UNITS_ARB, &units);
        glGetIntegerv(GL_MAX_TEXTURE_COORDS_ARB, &coords);
        glGetIntegerv(GL_MAX_TEXTURE_IMAGE_UNITS_ARB, &images);
        GLint n = units < coords ? units : coords;
        n = n < images ? n : images;
        rc.units = n < 1 ? 1 : n > kMaxCombinerTextureUnits ? kMaxCombinerTextureUnits : n;
    }

    rc.active = true;
    rc.enabled = false;
    rc.savedProgram = 0;
    rc.errorEnum = rc.errorValue = rc.errorOperation = false;
    for (bool& warned : rc.warnedUnit) warned = false;
    resetState();
}

void deactivateCombinerEmulation()
{
    if (!rc.active) return;
    if (rc.enabled && rc.bound >= 0) rc.gl.useProgram(rc.savedProgram);
    forgetPrograms(rc.canGenerate);
    rc.enabled = false;
    rc.active = false;
}

bool combinerEmulationActive()
{
    return rc.active;
}

void APIENTRY emulatedCombinerParameteriNV(GLenum pname, GLint param)
{
    if (pname == GL_NUM_GENERAL_COMBINERS_NV) {
        if (param < 1 || param > kMaxGeneralCombiners) return raise(GL_INVALID_VALUE);
        rc.state.stageCount = GLenum(param);
    } else if (pname == GL_COLOR_SUM_CLAMP_NV) {
        rc.state.sumClamp = param != 0;
    } else {
        // Also the constant colours: the integer form cannot set them.
        return raise(GL_INVALID_ENUM);
    }
    rc.stateDirty = true;
}

void APIENTRY emulatedCombinerInputNV(GLenum stage, GLenum portion, GLenum variable, GLenum input,
                                      GLenum mapping, GLenum componentUsage)
{
    const int k = stageIndex(stage);
    const int p = portionIndex(portion);
    const GLenum v = variable - GL_VARIABLE_A_NV;
    if (k < 0 || p < 0 || v > 3 || !isRegister(input) || !isMapping(mapping) || !isUsage(componentUsage))
        return raise(GL_INVALID_ENUM);
    if ((p == 1 && componentUsage == GL_RGB) || (p == 0 && componentUsage == GL_BLUE))
        return raise(GL_INVALID_OPERATION);
    // The fog factor exists only in the final combiner.
    if (input == GL_FOG && componentUsage == GL_ALPHA) return raise(GL_INVALID_OPERATION);
    rc.state.stage[k].portion[p].in[v] = in(input, mapping, componentUsage);
    rc.stateDirty = true;
}

void APIENTRY emulatedCombinerOutputNV(GLenum stage, GLenum portion, GLenum abOutput,
                                       GLenum cdOutput, GLenum sumOutput, GLenum scale, GLenum bias,
                                       GLboolean abDotProduct, GLboolean cdDotProduct,
                                       GLboolean muxSum)
{
    const int k = stageIndex(stage);
    const int p = portionIndex(portion);
    if (k < 0 || p < 0 || !isOutput(abOutput) || !isOutput(cdOutput) || !isOutput(sumOutput) || !isScale(scale) ||
        (bias != GL_NONE && bias != GL_BIAS_BY_NEGATIVE_ONE_HALF_NV))
        return raise(GL_INVALID_ENUM);
    // Dot products exist only in the RGB portion.
    if (p == 1 && (abDotProduct || cdDotProduct)) return raise(GL_INVALID_VALUE);
    if (bias != GL_NONE && (scale == GL_SCALE_BY_FOUR_NV || scale == GL_SCALE_BY_ONE_HALF_NV))
        return raise(GL_INVALID_OPERATION);
    const auto clash = [](GLenum x, GLenum y) { return x != GL_DISCARD_NV && x == y; };
    if (clash(abOutput, cdOutput) || clash(abOutput, sumOutput) || clash(cdOutput, sumOutput))
        return raise(GL_INVALID_OPERATION);
    Portion& port = rc.state.stage[k].portion[p];
    port.abOut = abOutput;
    port.cdOut = cdOutput;
    port.sumOut = sumOutput;
    port.scale = scale;
    port.bias = bias;
    port.abDot = abDotProduct != GL_FALSE;
    port.cdDot = cdDotProduct != GL_FALSE;
    port.mux = muxSum != GL_FALSE;
    rc.stateDirty = true;
}

void APIENTRY emulatedFinalCombinerInputNV(GLenum variable, GLenum input, GLenum mapping,
                                           GLenum componentUsage)
{
    const GLenum v = variable - GL_VARIABLE_A_NV;   // 0..6 for A..G
    if (v >= GLenum(kFinalVariables) || !(isRegister(input) || isPseudo(input)) ||
        (mapping != GL_UNSIGNED_IDENTITY_NV && mapping != GL_UNSIGNED_INVERT_NV) || !isUsage(componentUsage))
        return raise(GL_INVALID_ENUM);
    const bool efg = v >= 4;
    if ((efg && isPseudo(input)) || (v == 0 && input == GL_SPARE0_PLUS_SECONDARY_COLOR_NV) ||
        (v == 6 && componentUsage == GL_RGB) || (v != 6 && componentUsage == GL_BLUE) ||
        (isPseudo(input) && componentUsage == GL_ALPHA))
        return raise(GL_INVALID_OPERATION);
    rc.state.final[v] = in(input, mapping, componentUsage);
    rc.stateDirty = true;
}

GLenum APIENTRY emulatedGetError()
{
    if (rc.errorEnum) {
        rc.errorEnum = false;
        return GL_INVALID_ENUM;
    }
    if (rc.errorValue) {
        rc.errorValue = false;
        return GL_INVALID_VALUE;
    }
    if (rc.errorOperation) {
        rc.errorOperation = false;
        return GL_INVALID_OPERATION;
    }
    return glGetError();
}

void setRegisterCombinersEnabled(bool enabled)
{
    if (!rc.active) {
        if (enabled) glEnable(GL_REGISTER_COMBINERS_NV);
        else glDisable(GL_REGISTER_COMBINERS_NV);
        return;
    }
    if (enabled == rc.enabled) return;
    rc.enabled = enabled;
    if (enabled) {
        if (rc.canGenerate) rc.savedProgram = currentProgram();
        // Bound now for the state as it is; the texture units are often set up only after the
        // enable, so the draw-time sync gives the warnings.
        bindForState(false);
    } else if (rc.bound >= 0) {
        rc.gl.useProgram(rc.savedProgram);
        rc.bound = -1;
    }
}

bool registerCombinersEnabled()
{
    if (!rc.active) return glIsEnabled(GL_REGISTER_COMBINERS_NV) == GL_TRUE;
    return rc.enabled;
}

void syncRegisterCombiners()
{
    if (rc.active && rc.enabled) bindForState(true);
}
