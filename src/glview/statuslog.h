// StatusLog: the hardware qualification's log, written line by line into an off-screen RGB picture
// the size of the window, so that a failed check can show it on the black saver window. The text
// uses a bitmap font compiled into the program (see tools/logfont).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct LogColour {
    uint8_t r, g, b;
};
inline bool operator==(const LogColour& a, const LogColour& b)
{
    return a.r == b.r && a.g == b.g && a.b == b.b;
}
inline bool operator!=(const LogColour& a, const LogColour& b) { return !(a == b); }

constexpr LogColour kLogWhite{255, 255, 255};   // labels and messages
constexpr LogColour kLogPass{200, 200, 255};    // a passing value
constexpr LogColour kLogFail{255, 200, 150};    // a failing value, the exception line

class StatusLog {
public:
    static constexpr int kLineHeight = 16;   // line n has its top at kLineHeight × n

    // A black picture; negative sizes count as zero. The line counter starts at 1.
    StatusLog(int width, int height);

    int line() const { return line_; }

    // Writes text on the current line starting at x, on a black opaque box as wide as the text;
    // advance moves to the next line afterwards (a label leaves it false so its value can follow).
    // Whatever falls outside the picture is clipped. Bytes outside 32–126 draw a box.
    void write(int x, const std::string& text, LogColour colour, bool advance);
    void skipLine() { ++line_; }

    int width() const { return width_; }
    int height() const { return height_; }
    const std::vector<uint8_t>& rgb() const { return rgb_; }   // width × height × 3, top row first

    // Width in pixels that write() gives text, for callers laying out columns.
    static int textWidth(const std::string& text);

    // What was written, for tests and a debug dump: one text line per log line up to the last
    // one written or passed, the pieces of a line in x order joined by a single space, empty lines
    // kept.
    std::vector<std::string> textLines() const;

    // Pieces in the order written, with position and colour.
    struct Piece {
        int line;
        int x;
        std::string text;
        LogColour colour;
    };
    const std::vector<Piece>& pieces() const { return pieces_; }

private:
    int width_;
    int height_;
    int line_ = 1;
    std::vector<uint8_t> rgb_;
    std::vector<Piece> pieces_;
};
