#pragma once
// A font whose every character is 6 pixels wide (ascent 10 with 2 of padding,
// descent 4, baselines 16 apart), writing down each run of text it draws as
// "text@x,y #aarrggbb" with the position as handed over, before translation.

#include "framework/graphics/Font.h"

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace Testing {

class FixedFont : public Vorn::Font {
public:
    FixedFont()
    {
        mAscent = 10;
        mAscentPadding = 2;
        mHeight = 14;
        mLineSpacingOffset = 2;
    }

    int StringWidth(const std::string& text) override { return 6 * static_cast<int>(text.size()); }

    // An empty run puts nothing on the screen and is not written down.
    void DrawString(Vorn::Graphics*, int x, int y, const std::string& text, const Vorn::Color& color,
        const Vorn::Rect& clip) override
    {
        if (text.empty())
            return;
        char line[160];
        std::snprintf(line, sizeof line, "%s@%d,%d #%08x", text.c_str(), x, y, static_cast<unsigned>(color.ToInt()));
        mRuns.push_back(line);
        mClips.push_back(clip);
    }

    std::unique_ptr<Vorn::Font> Duplicate() const override { return std::make_unique<FixedFont>(*this); }

    std::vector<std::string> mRuns;
    std::vector<Vorn::Rect> mClips;
};

} // namespace Testing
