// The status log picture of the qualification.
#include "glview/statuslog.h"

#include <algorithm>

#include "statuslog_font.inc"   // generated at build time by tools/logfont

namespace {

static_assert(logfont::kLineHeight == StatusLog::kLineHeight,
              "the font was generated for another line pitch");

const logfont::Glyph& glyphFor(char c)
{
    const int b = static_cast<unsigned char>(c);
    if (b < logfont::kFirst || b > logfont::kLast)
        return logfont::kGlyphs[logfont::kFallback];
    return logfont::kGlyphs[b - logfont::kFirst];
}

// Coverage blend of colour over what is there; on the black box this is colour × coverage.
uint8_t blend(uint8_t dst, uint8_t src, int coverage)
{
    return static_cast<uint8_t>(dst + ((src - dst) * coverage + (src >= dst ? 127 : -127)) / 255);
}

}  // namespace

StatusLog::StatusLog(int width, int height)
    : width_(std::max(0, width)),
      height_(std::max(0, height)),
      rgb_(static_cast<size_t>(width_) * height_ * 3, 0)
{
}

int StatusLog::textWidth(const std::string& text)
{
    int w = 0;
    for (char c : text)
        w += glyphFor(c).advance;
    return w;
}

void StatusLog::write(int x, const std::string& text, LogColour colour, bool advance)
{
    pieces_.push_back({line_, x, text, colour});

    // 64-bit positions: callers may pass any x and keep skipping lines; only the clip decides.
    const long long top = static_cast<long long>(kLineHeight) * line_;
    const long long right = static_cast<long long>(x) + textWidth(text);

    // The opaque black box behind the text.
    const long long bx0 = std::max<long long>(x, 0), bx1 = std::min<long long>(right, width_);
    const long long by0 = std::max<long long>(top, 0);
    const long long by1 = std::min<long long>(top + kLineHeight, height_);
    for (long long y = by0; y < by1; ++y)
        for (long long px = bx0; px < bx1; ++px) {
            uint8_t* p = &rgb_[(static_cast<size_t>(y) * width_ + static_cast<size_t>(px)) * 3];
            p[0] = p[1] = p[2] = 0;
        }

    const long long baseline = top + logfont::kBaseline;
    long long pen = x;
    for (char c : text) {
        const logfont::Glyph& g = glyphFor(c);
        const long long gx = pen + g.left, gy = baseline - g.top;
        pen += g.advance;
        for (int row = 0; row < g.height; ++row) {
            const long long y = gy + row;
            if (y < 0 || y >= height_)
                continue;
            for (int col = 0; col < g.width; ++col) {
                const long long px = gx + col;
                if (px < 0 || px >= width_)
                    continue;
                const int cov = logfont::kCoverage[g.offset + static_cast<size_t>(row) * g.width + col];
                if (cov == 0)
                    continue;
                uint8_t* p = &rgb_[(static_cast<size_t>(y) * width_ + static_cast<size_t>(px)) * 3];
                p[0] = blend(p[0], colour.r, cov);
                p[1] = blend(p[1], colour.g, cov);
                p[2] = blend(p[2], colour.b, cov);
            }
        }
    }

    if (advance)
        ++line_;
}

std::vector<std::string> StatusLog::textLines() const
{
    int last = line_ - 1;
    for (const Piece& p : pieces_)
        last = std::max(last, p.line);

    std::vector<const Piece*> sorted;
    sorted.reserve(pieces_.size());
    for (const Piece& p : pieces_)
        sorted.push_back(&p);
    // Stable: pieces at the same x keep the order they were written in.
    std::stable_sort(sorted.begin(), sorted.end(), [](const Piece* a, const Piece* b) {
        return a->line != b->line ? a->line < b->line : a->x < b->x;
    });

    std::vector<std::string> lines(static_cast<size_t>(std::max(0, last)));
    std::vector<bool> started(lines.size(), false);
    for (const Piece* p : sorted) {
        if (p->line < 1 || p->line > last)
            continue;
        const size_t i = static_cast<size_t>(p->line - 1);
        if (started[i])
            lines[i] += ' ';
        lines[i] += p->text;
        started[i] = true;
    }
    return lines;
}
