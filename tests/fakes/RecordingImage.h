#pragma once
// A destination that draws nothing and writes down, one line per call, every
// operation a drawing context can hand it, with all its arguments: rectangles
// as "x,y,w,h", colours as #aarrggbb, the draw mode as m0 or m1, and a source
// image by its name.

#include "framework/graphics/Image.h"

#include <cstdio>
#include <string>
#include <vector>

namespace Testing {

class RecordingImage : public Vorn::Image {
public:
    explicit RecordingImage(int width = 0, int height = 0, const std::string& name = "image")
    {
        mWidth = width;
        mHeight = height;
        mFilePath = name;
    }

    void FillRect(const Vorn::Rect& r, const Vorn::Color& c, int mode) override { Log("FillRect", R(r), C(c, mode)); }
    void DrawRect(const Vorn::Rect& r, const Vorn::Color& c, int mode) override { Log("DrawRect", R(r), C(c, mode)); }
    void DrawLine(double x0, double y0, double x1, double y1, const Vorn::Color& c, int mode) override
    {
        Log("DrawLine", F("%g,%g-%g,%g", x0, y0, x1, y1), C(c, mode));
    }
    void Blt(Vorn::Image* s, int x, int y, const Vorn::Rect& src, const Vorn::Color& c, int mode) override
    {
        Log("Blt " + s->mFilePath, F("%d,%d", x, y), "src=" + R(src), C(c, mode));
    }
    void BltMirrored(Vorn::Image* s, int x, int y, const Vorn::Rect& src, const Vorn::Color& c, int mode) override
    {
        Log("BltMirrored " + s->mFilePath, F("%d,%d", x, y), "src=" + R(src), C(c, mode));
    }
    void BltAtFloat(Vorn::Image* s, float x, float y, const Vorn::Rect& src, const Vorn::Rect& clip,
        const Vorn::Color& c, int mode) override
    {
        Log("BltAtFloat " + s->mFilePath, F("%g,%g", x, y), "src=" + R(src), "clip=" + R(clip), C(c, mode));
    }
    void BltRotated(Vorn::Image* s, float x, float y, const Vorn::Rect& src, const Vorn::Rect& clip,
        const Vorn::Color& c, int mode, double angle, float centerX, float centerY) override
    {
        Log("BltRotated " + s->mFilePath, F("%g,%g", x, y), "src=" + R(src), "clip=" + R(clip), C(c, mode),
            F("angle=%g centre=%g,%g", angle, centerX, centerY));
    }
    void StretchBlt(Vorn::Image* s, const Vorn::Rect& dest, const Vorn::Rect& src, const Vorn::Rect& clip,
        const Vorn::Color& c, int mode, bool fast) override
    {
        Log("StretchBlt " + s->mFilePath, R(dest), "src=" + R(src), "clip=" + R(clip), C(c, mode), F("fast=%d", fast));
    }
    void StretchBltMirrored(Vorn::Image* s, const Vorn::Rect& dest, const Vorn::Rect& src, const Vorn::Rect& clip,
        const Vorn::Color& c, int mode, bool fast) override
    {
        Log("StretchBltMirrored " + s->mFilePath, R(dest), "src=" + R(src), "clip=" + R(clip), C(c, mode),
            F("fast=%d", fast));
    }
    void BltByMatrix(Vorn::Image* s, float x, float y, const Vorn::Matrix3x3& matrix, const Vorn::Rect& clip,
        const Vorn::Color& c, int mode, const Vorn::Rect& src, bool blend) override
    {
        const auto& m = matrix.m;
        Log("BltByMatrix " + s->mFilePath, F("%g,%g", x, y),
            F("[%g %g %g; %g %g %g]", m[0][0], m[0][1], m[0][2], m[1][0], m[1][1], m[1][2]), "clip=" + R(clip),
            C(c, mode), "src=" + R(src), F("blend=%d", blend));
    }

    std::vector<std::string> mCalls;

private:
    template <typename... Args>
    static std::string F(const char* format, Args... args)
    {
        char text[160];
        std::snprintf(text, sizeof text, format, args...);
        return text;
    }
    static std::string R(const Vorn::Rect& r) { return F("%d,%d,%d,%d", r.mX, r.mY, r.mWidth, r.mHeight); }
    static std::string C(const Vorn::Color& c, int mode)
    {
        return F("#%08x m%d", static_cast<unsigned>(c.ToInt()), mode);
    }
    template <typename... Parts>
    void Log(const std::string& first, const Parts&... parts)
    {
        mCalls.push_back(first);
        ((mCalls.back() += " " + parts), ...);
    }
};

} // namespace Testing
