# Build switches, all in one place.
option(CALDRISE_TESTS    "Build the test suites"                         ON)
option(CALDRISE_GL_TESTS "Register the tests that need a display (Xvfb)" ON)
option(CALDRISE_SANITIZE "Build with AddressSanitizer and UBSan"         OFF)
option(CALDRISE_WERROR   "Treat warnings as errors"                      OFF)
