// Routes the JPEG library's errors back to the caller instead of letting it end the process.
//
// The library reports a fatal error through error_exit, which must not return. Ours records the
// message number and jumps back to the setjmp of the function that drives the library; that
// function holds no object with a destructor, so the jump skips no C++ clean-up, and its caller
// turns the number into an Exception. Used by the decoder here and the encoder of the tools.
#pragma once

#include <csetjmp>
#include <cstdio>   // jpeglib.h needs FILE

#include <jpeglib.h>
#include <jerror.h>

#include <string>

struct JpegErrorRoute {
    jpeg_error_mgr manager;   // first: the library reaches the route through cinfo->err
    std::jmp_buf jump;
    int code = 0;             // the library's message number of the error
};

// Fills the manager with the library's defaults and puts the route in place of its exit and
// its message output. Warnings are counted and kept quiet, except that a stream which ends
// before its picture does is an error ("premature end"), not a picture with a grey tail.
inline jpeg_error_mgr* installJpegErrorRoute(JpegErrorRoute& route)
{
    jpeg_std_error(&route.manager);
    route.manager.error_exit = [](j_common_ptr cinfo) {
        JpegErrorRoute* r = reinterpret_cast<JpegErrorRoute*>(cinfo->err);
        r->code = cinfo->err->msg_code;
        std::longjmp(r->jump, 1);
    };
    route.manager.emit_message = [](j_common_ptr cinfo, int level) {
        if (level >= 0) return;   // trace messages
        if (cinfo->err->msg_code == JWRN_JPEG_EOF) cinfo->err->error_exit(cinfo);
        ++cinfo->err->num_warnings;
    };
    route.manager.output_message = [](j_common_ptr) {};
    return &route.manager;
}

inline std::string jpegErrorMessage(int code)
{
    return "JPEG error #" + std::to_string(code);
}
