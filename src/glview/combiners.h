// GL_NV_register_combiners on a driver without it.
//
// The scene sets up its bump mapping with the four combiner entry points and switches the
// combiners on around the earth and cloud passes. Where the driver lacks the extension (Mesa),
// the view installs the emulated entry points below: they record the combiner state, with the
// extension's GL errors, and while the combiners are enabled a GLSL fragment shader generated from
// that state is bound. It replaces only the fragment stage, so fixed-function vertex processing
// (lighting, texgen, texture matrices, vertex colours) stays in force. Programs are cached by
// state and made only when the state changes, never per frame.
//
// What the emulated combiners read:
// - TEXTURE0..3 (fewer where the driver has fewer units): texture2DProj of the unit's GL_TEXTURE_2D
//   binding with gl_TexCoord[i], so texgen, the texture matrix and q apply as in fixed function.
//   A unit counts only while GL_TEXTURE_2D is enabled on it and no cube-map, 3D or rectangle
//   target (which fixed function would sample instead) is; otherwise the register holds
//   kCombinerUnitOff, and the first draw that finds it so writes a warning to stderr. An
//   incomplete texture samples as (0, 0, 0, 1) in GLSL, the same value.
// - SPARE0 starts as (0, 0, 0, TEXTURE0.a), SPARE1 as kCombinerSpare1Initial and SECONDARY's alpha
//   as kCombinerSecondaryAlpha: the extension leaves these undefined.
// - FOG: rgb the GL fog colour, alpha the GL fog factor for the current mode (|eye z| or the fog
//   coordinate), or 1 while GL_FOG is disabled. Fixed-function fog never runs on top: as with the
//   extension, fog happens only where the final combiner reads FOG (the default one does).
//
// Left out, because the program never uses them:
// - Constant colours: CONSTANT_COLOR0/1_NV read as (0, 0, 0, 0), their initial value; there is no
//   glCombinerParameterfvNV/ivNV, and glCombinerParameteriNV rejects them (GL_INVALID_ENUM), as the
//   extension does for the integer form.
// - The glGetCombiner*NV queries and glGet of the combiner parameters.
// - Display lists: the emulated calls run at once, also between glNewList and glEndList, so never
//   put combiner set-up into a list.
// - glPushAttrib/glPopAttrib do not save or restore combiner state or the combiner enable.
// - Per-stage constant colours (NV_register_combiners2), and texture targets other than 2D.
#pragma once

#include <GL/gl.h>
#include <GL/glext.h>

// Needs a current context. True when the driver offers GLSL fragment shaders (GL 2.0, or
// ARB_shader_objects + ARB_fragment_shader) so the emulation can run.
bool combinerEmulationSupported();

// Selects the emulated path and resets the combiner state to its initial values (call after a
// context is made current). Fetches the shader entry points and forgets programs of any earlier
// context without deleting them (their names belong to that context).
void activateCombinerEmulation();

// Deletes the emulation's programs, rebinding the program that was current before the combiners
// were enabled, and returns to the driver path. Call with the same context still current, before
// it is deleted.
void deactivateCombinerEmulation();

bool combinerEmulationActive();

// The four entry points, with the exact signatures of PFNGLCOMBINERPARAMETERINVPROC,
// PFNGLCOMBINERINPUTNVPROC, PFNGLCOMBINEROUTPUTNVPROC and PFNGLFINALCOMBINERINPUTNVPROC. A call
// with bad arguments changes nothing and raises its GL error in the emulation's own flags (see
// emulatedGetError). Checked in the order GL_INVALID_ENUM, GL_INVALID_VALUE, GL_INVALID_OPERATION.
// GL_MAX_GENERAL_COMBINERS_NV is kMaxGeneralCombiners; GL_NUM_GENERAL_COMBINERS_NV may be 1 to it.
void APIENTRY emulatedCombinerParameteriNV(GLenum pname, GLint param);
void APIENTRY emulatedCombinerInputNV(GLenum stage, GLenum portion, GLenum variable, GLenum input,
                                      GLenum mapping, GLenum componentUsage);
void APIENTRY emulatedCombinerOutputNV(GLenum stage, GLenum portion, GLenum abOutput,
                                       GLenum cdOutput, GLenum sumOutput, GLenum scale, GLenum bias,
                                       GLboolean abDotProduct, GLboolean cdDotProduct,
                                       GLboolean muxSum);
void APIENTRY emulatedFinalCombinerInputNV(GLenum variable, GLenum input, GLenum mapping,
                                           GLenum componentUsage);

// glGetError with the emulation's errors in front: one sticky flag per error code (a second error
// of the same code before it is read is not recorded twice); while any is set, this returns and
// clears one of them (GL_INVALID_ENUM, then GL_INVALID_VALUE, then GL_INVALID_OPERATION), and only
// then asks the driver. Same signature as glGetError, so the view can install it as the program's
// error query when it installs the emulated entry points.
GLenum APIENTRY emulatedGetError();

// The one way the program enables or disables GL_REGISTER_COMBINERS_NV: emulated (bind/unbind the
// generated program) when the emulation is active, else glEnable/glDisable on the driver. The
// emulated enable never reaches the driver, which would reject the cap.
void setRegisterCombinersEnabled(bool enabled);
bool registerCombinersEnabled();

// Call right before each draw (glBegin, glDrawArrays/Elements, glCallList) made while the combiners
// are enabled. The shader cannot see which texture units are enabled, nor GL_FOG and its mode, so
// they are read here and the program matching them and the combiner state is bound (combiner calls
// made while enabled also take effect here); texture bindings need no call. Keeps the caller's
// active texture unit. Does nothing when the emulation is inactive or the combiners are disabled,
// and allocates nothing unless the state is new.
void syncRegisterCombiners();

// Limits and the values the emulation gives where the extension leaves a register undefined.
constexpr int kMaxGeneralCombiners = 8;
constexpr int kMaxCombinerTextureUnits = 4;
struct CombinerRGBA { float r, g, b, a; };
constexpr CombinerRGBA kCombinerUnitOff{0, 0, 0, 1};      // TEXTUREi of a unit without 2D texturing
constexpr CombinerRGBA kCombinerSpare1Initial{0, 0, 0, 0};
constexpr float kCombinerSecondaryAlpha = 0;
