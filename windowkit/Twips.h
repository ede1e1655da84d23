#pragma once

#include <QRect>

// Sizes are given in twips, 15 to a logical pixel.
class Twips
{
public:
    static constexpr int perPixel = 15;
    static int px(int twips) { return (twips + perPixel / 2) / perPixel; }
    static QRect rect(int left, int top, int width, int height)
    {
        return QRect(px(left), px(top), px(width), px(height));
    }
};
